#pragma once

// The base of the manager's tests: each case starts with no manager and no
// settings file; helpers save and reload the sign-in accounts, whose password
// bytes are checked against a triple DES of the test's own.

#include "TestEnvironment.h"

#include <QSettings>

#ifdef CV_HAVE_OPENSSL
// The DES interface is the only one that takes the two-key schedule directly.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/des.h>
#else
#include "tripledes/TripleDes.h"
#endif

// The library's password keys, repeated here: a change to them makes every
// saved password unreadable, so it must fail here first.
// Not const: OpenSSL's DES takes its keys as DES_cblock.
inline unsigned char kKey1[8] = { 0x6e, 0x66, 0x16, 0x14, 0x34, 0xd7, 0x1a, 0xca };
inline unsigned char kKey2[8] = { 0xd8, 0x44, 0x3b, 0xcf, 0x38, 0xcd, 0x83, 0xeb };

// Two-key triple DES (K1, K2, K1) in ECB mode over the zero-padded input:
// OpenSSL's where it is installed; in the Windows build, which has none, the
// library's own cipher, which the crypto tests hold to OpenSSL's answers
// there (tripledes.vec), and the pinned ciphertext of the password test.
#ifndef CV_HAVE_OPENSSL
enum { DES_DECRYPT, DES_ENCRYPT };
#endif
inline QByteArray ede2(QByteArray in, int direction)
{
    in += QByteArray((8 - in.size() % 8) % 8, '\0');
    QByteArray out(in.size(), '\0');
#ifdef CV_HAVE_OPENSSL
    DES_key_schedule s1, s2;
    DES_set_key_unchecked(&kKey1, &s1);
    DES_set_key_unchecked(&kKey2, &s2);
    for (int i = 0; i < in.size(); i += 8)
        DES_ecb3_encrypt(reinterpret_cast<const_DES_cblock*>(in.data() + i),
            reinterpret_cast<DES_cblock*>(out.data() + i), &s1, &s2, &s1, direction);
#else
    TORVELIB::TripleDesContext ctx;
    TORVELIB::TripleDesSetKey2(&ctx, kKey1, kKey2);
    for (int i = 0; i < in.size(); i += 8)
        TORVELIB::TripleDesCryptBlock(direction == DES_ENCRYPT ? ctx.encryptKeys : ctx.decryptKeys,
            reinterpret_cast<const unsigned char*>(in.constData() + i),
            reinterpret_cast<unsigned char*>(out.data() + i));
#endif
    return out;
}

inline QByteArray encipher(const QString& password) { return ede2(password.toUtf8(), DES_ENCRYPT); }

inline LoginSettingUser account(const QString& email, const QString& password)
{
    LoginSettingUser user;
    user.setEmail(email);
    user.setPassword(password);
    return user;
}

using Accounts = QMap<QString, QString>; // e-mail -> password

class ManagerFixture : public QObject
{
    Q_OBJECT

protected:
    const QString m_ini = PathHelper::defaultPathName(QStringLiteral("com.corvane.settings.ini"));
    int m_usersChanged = 0;

    // The accounts that a new manager, already holding `held`, has after its
    // load; usersChanged is counted from before the load.
    Accounts reloadAccounts(const QList<LoginSettingUser>& held = {})
    {
        ConfigMgr::destroyInstance();
        ConfigMgr* m = ConfigMgr::createInstance();
        LoginSetting login;
        for (const LoginSettingUser& user : held)
            login.replaceIntoUser(user);
        m->setLoginSetting(login);
        m_usersChanged = 0;
        connect(&m->loginSetting(), &LoginSetting::usersChanged, this, [this] { ++m_usersChanged; });
        m->loadConfig();
        Accounts result;
        const auto users = m->loginSetting().users();
        for (auto it = users.cbegin(); it != users.cend(); ++it)
            result.insert(it.key() == it->email() ? it.key() : QStringLiteral("misfiled ") + it.key(), it->password());
        return result;
    }

    void save(const QMap<QString, LoginSettingUser>& users)
    {
        ConfigMgr* m = ConfigMgr::createInstance();
        LoginSetting login = m->loginSetting();
        login.setUsers(users);
        m->writeLoginSetting(login);
    }

private slots:
    void initTestCase() { QVERIFY(!ConfigMgr::getInstance()); }
    void init()
    {
        ConfigMgr::destroyInstance();
        QFile::remove(m_ini);
    }
    void cleanup() { ConfigMgr::destroyInstance(); }
};
