// The saved sign-in accounts: the enciphered password bytes on disk (checked
// against OpenSSL's triple DES), the "Users" array as it is written, and how
// stored entries, damaged or not, are read back.

#include "TestEnvironment.h"

#include "ConfigMgr.h"
#include "PathHelper.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>

// The DES interface is the only one that takes the two-key schedule directly.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/des.h>

#include <cstring>
#include <random>

namespace {

// The library's password keys, repeated here: a change to them makes every
// saved password unreadable, so it must fail here first.
const unsigned char kKey1[8] = {0x6e, 0x66, 0x16, 0x14, 0x34, 0xd7, 0x1a, 0xca};
const unsigned char kKey2[8] = {0xd8, 0x44, 0x3b, 0xcf, 0x38, 0xcd, 0x83, 0xeb};

// Two-key triple DES (K1, K2, K1) in ECB mode over the zero-padded input.
QByteArray opensslEde2(const QByteArray& in, int direction)
{
    DES_cblock k1;
    DES_cblock k2;
    std::memcpy(k1, kKey1, 8);
    std::memcpy(k2, kKey2, 8);
    DES_key_schedule s1;
    DES_key_schedule s2;
    DES_set_key_unchecked(&k1, &s1);
    DES_set_key_unchecked(&k2, &s2);
    QByteArray padded = in + QByteArray((8 - in.size() % 8) % 8, '\0');
    QByteArray out(padded.size(), '\0');
    for (int i = 0; i < padded.size(); i += 8)
        DES_ecb3_encrypt(reinterpret_cast<const_DES_cblock*>(padded.data() + i),
                         reinterpret_cast<DES_cblock*>(out.data() + i), &s1, &s2, &s1, direction);
    return out;
}

QByteArray opensslEncipher(const QString& password)
{
    return opensslEde2(password.toUtf8(), DES_ENCRYPT);
}

// What any stored value must read back as: the clear bytes up to the first zero.
QString opensslDecipher(const QByteArray& stored)
{
    const QByteArray plain = opensslEde2(stored, DES_DECRYPT);
    const int end = plain.indexOf('\0');
    return QString::fromUtf8(end < 0 ? plain : plain.left(end));
}

LoginSettingUser account(const QString& email, const QString& password = QString())
{
    LoginSettingUser user;
    user.setEmail(email);
    user.setPassword(password);
    return user;
}

using Accounts = QMap<QString, QString>; // e-mail -> password

Accounts accounts(const LoginSetting& login)
{
    Accounts result;
    for (auto it = login.users().cbegin(); it != login.users().cend(); ++it)
        result.insert(it.key() == it->email() ? it.key() : QStringLiteral("misfiled ") + it.key(), it->password());
    return result;
}

// One stored entry of the "Users" array; a null member is left out.
struct Entry {
    QString email;
    QByteArray password;
};

} // namespace

class TstLoginAccounts : public QObject
{
    Q_OBJECT
    QString m_ini;
    int m_usersChanged = 0;

    // A new manager that counts usersChanged from before it loads.
    ConfigMgr* restart(const LoginSetting* held = nullptr)
    {
        ConfigMgr::destroyInstance();
        ConfigMgr* m = ConfigMgr::createInstance();
        if (held)
            m->setLoginSetting(*held);
        m_usersChanged = 0;
        connect(&m->loginSetting(), &LoginSetting::usersChanged, this, [this] { ++m_usersChanged; });
        m->loadConfig();
        return m;
    }

    ConfigMgr* save(const QMap<QString, LoginSettingUser>& users)
    {
        ConfigMgr* m = ConfigMgr::getInstance() ? ConfigMgr::getInstance() : ConfigMgr::createInstance();
        LoginSetting login = m->loginSetting();
        login.setUsers(users);
        m->writeLoginSetting(login);
        return m;
    }

    // The "Users" array as stored: e-mail and password bytes of each entry.
    QList<Entry> stored() const
    {
        QSettings ini(m_ini, QSettings::IniFormat);
        ini.beginGroup(QStringLiteral("Login"));
        QList<Entry> result;
        const int size = ini.beginReadArray(QStringLiteral("Users"));
        for (int i = 0; i < size; ++i) {
            ini.setArrayIndex(i);
            result.append({ini.value(QStringLiteral("Email")).toString(),
                           ini.value(QStringLiteral("Password")).toByteArray()});
        }
        return result;
    }

    void writeUsers(const QList<Entry>& entries, const QVariant& size = QVariant())
    {
        QFile::remove(m_ini);
        QSettings ini(m_ini, QSettings::IniFormat);
        ini.beginGroup(QStringLiteral("Login"));
        for (int i = 0; i < entries.size(); ++i) {
            const QString prefix = QStringLiteral("Users/%1/").arg(i + 1);
            if (!entries[i].email.isNull())
                ini.setValue(prefix + QLatin1String("Email"), entries[i].email);
            if (!entries[i].password.isNull())
                ini.setValue(prefix + QLatin1String("Password"), entries[i].password);
        }
        ini.setValue(QStringLiteral("Users/size"), size.isValid() ? size : QVariant(entries.size()));
    }

private slots:
    void initTestCase() { m_ini = PathHelper::defaultPathName(QStringLiteral("com.corvane.settings.ini")); }
    void init()
    {
        ConfigMgr::destroyInstance();
        QFile::remove(m_ini);
    }
    void cleanup() { ConfigMgr::destroyInstance(); }

    void passwordsAreStoredAsWholeBlocks()
    {
        const QStringList passwords = {"abc", "abcdefgh", "abcdefghi", ""};
        const QList<int> sizes = {8, 8, 16, 0};
        QMap<QString, LoginSettingUser> users;
        for (int i = 0; i < passwords.size(); ++i)
            users.insert(QStringLiteral("user%1@example.com").arg(i), account(QStringLiteral("user%1@example.com").arg(i), passwords[i]));
        save(users);

        const QList<Entry> entries = stored();
        QCOMPARE(entries.size(), passwords.size());
        for (int i = 0; i < entries.size(); ++i) {
            QCOMPARE(entries[i].password.size(), sizes[i]);
            QCOMPARE(entries[i].password, opensslEncipher(passwords[i]));
        }
        QVERIFY(fileBytes().contains("Password=@ByteArray()"));

        Accounts expected;
        for (int i = 0; i < passwords.size(); ++i)
            expected.insert(QStringLiteral("user%1@example.com").arg(i), passwords[i]);
        QCOMPARE(accounts(restart()->loginSetting()), expected);
    }

    void cipherKeysArePinned()
    {
        const QByteArray pinned = QByteArray::fromHex("36b99f0406b71e90ff735ad1666d6a6c");
        QCOMPARE(opensslEncipher(QStringLiteral("Secret#1234")), pinned);
        save({{"pin@example.com", account("pin@example.com", "Secret#1234")}});
        QCOMPARE(stored().value(0).password.toHex(), pinned.toHex());
    }

    void longAndNonAsciiPasswordsRoundTrip()
    {
        const QStringList passwords = {
            QStringLiteral("pässwörd 密码 🔑"),
            QString(7, QLatin1Char('a')) + QStringLiteral("🔑"), // a 4-byte character across two blocks
            QString(256, QLatin1Char('m')), // the most the original buffer held
            QString(257, QLatin1Char('n')),
            QString(300, QLatin1Char('p')),
            QString(2500, QChar(0xe9)), // 5000 bytes of UTF-8
        };
        QMap<QString, LoginSettingUser> users;
        Accounts expected;
        for (int i = 0; i < passwords.size(); ++i) {
            const QString email = QStringLiteral("long%1@example.com").arg(i);
            users.insert(email, account(email, passwords[i]));
            expected.insert(email, passwords[i]);
        }
        save(users);
        const QList<Entry> entries = stored();
        QCOMPARE(entries.size(), passwords.size());
        for (int i = 0; i < entries.size(); ++i) {
            const int n = passwords[i].toUtf8().size();
            QCOMPARE(entries[i].password.size(), (n + 7) / 8 * 8);
            QCOMPARE(entries[i].password, opensslEncipher(passwords[i]));
        }
        QCOMPARE(accounts(restart()->loginSetting()), expected);
    }

    // The array is rewritten whole: ascending e-mail order, numbered from 1,
    // the count equal to the entries written, nothing else kept.
    void arrayIsRewrittenWhole()
    {
        QFile file(m_ini);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Login]\nLastLoginUser=old@example.com\n"
                   "Users\\1\\Email=old@example.com\nUsers\\1\\Extra=hand-added\n"
                   "Users\\2\\Email=older@example.com\nUsers\\size=2\n");
        file.close();
        ConfigMgr* m = ConfigMgr::createInstance();
        m->loadConfig();
        QCOMPARE(m->loginSetting().users().size(), 2);

        save({{"carol@example.com", account("carol@example.com", "c")},
              {"", account("", "orphan")},
              {"alice@example.com", account("alice@example.com", "a")}});
        QList<Entry> entries = stored();
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries[0].email, QStringLiteral("alice@example.com"));
        QCOMPARE(entries[1].email, QStringLiteral("carol@example.com"));
        QSettings ini(m_ini, QSettings::IniFormat);
        ini.beginGroup(QStringLiteral("Login"));
        QCOMPARE(ini.value("LastLoginUser").toString(), QStringLiteral("old@example.com"));
        ini.beginGroup(QStringLiteral("Users"));
        QCOMPARE(ini.childGroups(), (QStringList{"1", "2"}));
        QCOMPARE(ini.childKeys(), QStringList{"size"});
        ini.beginGroup(QStringLiteral("1"));
        QCOMPARE(ini.childKeys(), (QStringList{"Email", "Password"}));
        ini.endGroup();
        ini.endGroup();
        const QByteArray raw = fileBytes();
        QVERIFY(raw.contains("Users\\1\\Email=alice@example.com\n"));
        QVERIFY(raw.contains("Users\\size=2\n"));
        QVERIFY(!raw.contains("hand-added"));

        // Each entry carries its own address, whatever key the map holds it under.
        save({{"key@example.com", account("own@example.com", "x")}});
        QCOMPARE(stored().value(0).email, QStringLiteral("own@example.com"));

        save({});
        QCOMPARE(stored().size(), 0);
        ini.sync();
        QCOMPARE(ini.value("Users/size").toString(), QStringLiteral("0"));
        ini.beginGroup(QStringLiteral("Users"));
        QCOMPARE(ini.childGroups(), QStringList());
    }

    // A load takes each entry with an address, later ones over earlier ones,
    // and keeps what the manager already held.
    void loadAddsEntriesInArrayOrder()
    {
        writeUsers({{"a@example.com", opensslEncipher("one")},
                    {"", opensslEncipher("skipped")},
                    {"c@example.com", opensslEncipher("three")}});
        ConfigMgr* m = restart();
        QCOMPARE(accounts(m->loginSetting()), (Accounts{{"a@example.com", "one"}, {"c@example.com", "three"}}));
        QCOMPARE(m_usersChanged, 2);

        writeUsers({{"a@example.com", opensslEncipher("first")},
                    {"b@example.com", QByteArray()},
                    {"a@example.com", opensslEncipher("second")}});
        LoginSetting held;
        held.replaceIntoUser(account("a@example.com", "held"));
        held.replaceIntoUser(account("held@example.com", "kept"));
        m = restart(&held);
        QCOMPARE(accounts(m->loginSetting()), (Accounts{{"a@example.com", "second"},
                                                        {"b@example.com", ""},
                                                        {"held@example.com", "kept"}}));
        QCOMPARE(m_usersChanged, 3);
        QCOMPARE(m->loginSetting().user("b@example.com").paltform(), Corvane::PaltformCorvane);
    }

    void damagedArraysLoadWhatTheyCan()
    {
        // Bytes that other keys wrote, of lengths the cipher never produces too.
        std::mt19937 random(4242);
        QList<Entry> foreign;
        for (const int size : {16, 13, 1000}) {
            QByteArray bytes(size, '\0');
            for (char& c : bytes)
                c = static_cast<char>(random() & 0xff);
            foreign.append({QStringLiteral("foreign%1@example.com").arg(size), bytes});
        }
        writeUsers(foreign);
        Accounts expected;
        for (const Entry& e : foreign)
            expected.insert(e.email, opensslDecipher(e.password));
        QCOMPARE(accounts(restart()->loginSetting()), expected);

        const QList<Entry> two = {{"one@example.com", opensslEncipher("1")}, {"two@example.com", opensslEncipher("2")}};
        const Accounts both = {{"one@example.com", "1"}, {"two@example.com", "2"}};
        // A count in the billions must not be walked entry by entry.
        writeUsers(two, 2000000000);
        QElapsedTimer timer;
        timer.start();
        ConfigMgr* m = restart();
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(accounts(m->loginSetting()), both);

        writeUsers(two, 1);
        QCOMPARE(accounts(restart()->loginSetting()), (Accounts{{"one@example.com", "1"}}));
        for (const QVariant& size : {QVariant("many"), QVariant(-3), QVariant("99999999999999999999")}) {
            writeUsers(two, size);
            QCOMPARE(accounts(restart()->loginSetting()), Accounts());
        }

        // And the next save leaves a clean array behind.
        writeUsers(two, 2000000000);
        restart()->saveLoginSetting();
        QCOMPARE(stored().size(), 2);
        QCOMPARE(accounts(restart()->loginSetting()), both);
    }

private:
    QByteArray fileBytes() const
    {
        QFile f(m_ini);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

CV_SETTINGS_TEST_MAIN(TstLoginAccounts)
#include "tst_loginaccounts.moc"
