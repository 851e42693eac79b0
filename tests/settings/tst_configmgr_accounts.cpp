// The saved sign-in accounts: the "Users" array rewritten whole on a save, and
// a load of the entries there, damaged ones and foreign password bytes
// included.

#include "ManagerFixture.h"

#include <random>

// One entry of the "Users" array, e-mail and password; a null member is not stored.
using Entry = QPair<QString, QByteArray>;

class TstConfigMgrAccounts : public ManagerFixture
{
    Q_OBJECT

    void writeUsers(const QList<Entry>& entries, const QVariant& size = QVariant())
    {
        QFile::remove(m_ini);
        QSettings ini(m_ini, QSettings::IniFormat);
        for (int i = 0; i < entries.size(); ++i) {
            const QString prefix = QStringLiteral("Login/Users/%1/").arg(i + 1);
            if (!entries[i].first.isNull())
                ini.setValue(prefix + "Email", entries[i].first);
            if (!entries[i].second.isNull())
                ini.setValue(prefix + "Password", entries[i].second);
        }
        ini.setValue(QStringLiteral("Login/Users/size"), size.isValid() ? size : QVariant(entries.size()));
    }

private slots:
    // The array is rewritten whole: ascending e-mail order, numbered from 1,
    // each entry with its own address, entries without one left out, nothing
    // else kept.
    void arrayIsRewrittenWhole()
    {
        cvtest::writeFile(m_ini,
            "[Login]\nLastLoginUser=old@example.com\nUsers\\1\\Email=old@example.com\n"
            "Users\\1\\Extra=hand-added\nUsers\\2\\Email=older@example.com\nUsers\\size=2\n");
        QCOMPARE(reloadAccounts().size(), 2);
        save({ { "carol@example.com", account("carol@example.com", "c") }, { "", account("", "orphan") },
            { "bob-key@example.com", account("bob@example.com", "b") },
            { "alice@example.com", account("alice@example.com", "a") } });
        QSettings ini(m_ini, QSettings::IniFormat);
        QCOMPARE(ini.allKeys(),
            (QStringList { "Login/AutoLoginUser", "Login/LastLoginUser", "Login/Users/1/Email",
                "Login/Users/1/Password", "Login/Users/2/Email", "Login/Users/2/Password", "Login/Users/3/Email",
                "Login/Users/3/Password", "Login/Users/size" }));
        QStringList emails;
        for (const char* key : { "LastLoginUser", "Users/1/Email", "Users/2/Email", "Users/3/Email" })
            emails << ini.value(QStringLiteral("Login/") + key).toString();
        QCOMPARE(
            emails, (QStringList { "old@example.com", "alice@example.com", "bob@example.com", "carol@example.com" }));
        save({});
        ini.sync();
        QCOMPARE(ini.allKeys(), (QStringList { "Login/AutoLoginUser", "Login/LastLoginUser", "Login/Users/size" }));
    }

    // A load takes each entry with an address, one signal each, later ones
    // over earlier ones, keeps the accounts already held, and reads what it
    // can of damaged entries.
    void loadAccounts()
    {
        writeUsers({ { "a@example.com", encipher("one") }, { "", encipher("skipped") },
            { "c@example.com", encipher("three") } });
        QCOMPARE(reloadAccounts(), (Accounts { { "a@example.com", "one" }, { "c@example.com", "three" } }));
        QCOMPARE(m_usersChanged, 2);

        writeUsers({ { "a@example.com", encipher("first") }, { "b@example.com", QByteArray() },
            { "a@example.com", encipher("second") } });
        QCOMPARE(reloadAccounts({ account("a@example.com", "held"), account("held@example.com", "kept") }),
            (Accounts { { "a@example.com", "second" }, { "b@example.com", "" }, { "held@example.com", "kept" } }));
        QCOMPARE(m_usersChanged, 3);
        QCOMPARE(ConfigMgr::getInstance()->loginSetting().user("b@example.com").paltform(), Corvane::PaltformCorvane);

        // Bytes that other keys wrote, of lengths the cipher never produces
        // too, read as the clear bytes up to the first zero.
        std::mt19937 random(4242);
        QList<Entry> foreign;
        Accounts expected;
        for (const int size : { 16, 13, 1000 }) {
            QByteArray bytes(size, '\0');
            for (char& c : bytes)
                c = static_cast<char>(random() & 0xff);
            foreign.append({ QStringLiteral("foreign%1@example.com").arg(size), bytes });
            const QByteArray plain = ede2(bytes, DES_DECRYPT);
            expected.insert(
                foreign.last().first, QString::fromUtf8(plain.constData(), int(qstrnlen(plain, plain.size()))));
        }
        writeUsers(foreign);
        QCOMPARE(reloadAccounts(), expected);

        // The stored count bounds the entries read; one that is not a count reads none.
        const QList<Entry> two = { { "one@example.com", encipher("1") }, { "two@example.com", encipher("2") } };
        writeUsers(two, 1);
        QCOMPARE(reloadAccounts(), (Accounts { { "one@example.com", "1" } }));
        for (const QVariant& size : { QVariant("many"), QVariant(-3), QVariant("99999999999999999999") }) {
            writeUsers(two, size);
            QCOMPARE(reloadAccounts(), Accounts());
        }
    }
};

CV_SETTINGS_TEST_MAIN(TstConfigMgrAccounts)
#include "tst_configmgr_accounts.moc"
