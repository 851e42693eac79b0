// The user settings file: key names and texts of every section, round trips
// through a restart, what a save leaves alone, the reading conversions,
// damaged and oddly encoded files, and the stored password bytes, checked
// against OpenSSL's triple DES and one pinned ciphertext.

#include "ManagerFixture.h"

namespace {

using Texts = QMap<QString, QString>;

// The language a section "[normal]" sets: QSettings compares an INI file's
// keys without regard to case on Windows, as the registry does, and with it
// elsewhere.
#ifdef Q_OS_WIN
constexpr int kNormalInOtherCase = 9;
#else
constexpr int kNormalInOtherCase = 0;
#endif

// A saved key, the class and property behind it, and a value.
struct Key {
    QByteArray cls, property;
    QString path; // "Section/Key"
    QVariant value;
};

// Every saved key with a value away from its default; the texts carry what
// the INI format has to escape, including a line that looks like a section.
// Built on first use, after the test has moved HOME.
const QList<Key>& savedKeys()
{
    static const QList<Key> keys = [] {
        const QStringList texts = { "Sign in; \"step\" = 2", "x\n[Normal]\nAutoRun=false", "Zoë Ångström, 李雷",
            "back\\slash", "  padded  ", "#42", "/data/rec dir/录像" };
        const QVector<int> numbers = { -1, 2147483647, -2147483647 - 1, 2, 3, 55, 66, 7 };
        QList<Key> all;
        for (const cvtest::ClassSpec& c : cvtest::classTable())
            for (const cvtest::Prop& p : c.props)
                if (!p.key.isEmpty())
                    all.append({ c.name, p.name, c.section + '/' + p.key,
                        p.type == "bool"          ? QVariant(p.def != "true")
                            : p.type == "QString" ? QVariant(texts[all.size() % texts.size()])
                                                  : QVariant(numbers[all.size() % numbers.size()]) });
        return all;
    }();
    return keys;
}

void saveAll(ConfigMgr* m)
{
    for (const auto save : { &ConfigMgr::saveNormalSetting, &ConfigMgr::saveMeetingSetting,
             &ConfigMgr::saveMessageSetting, &ConfigMgr::saveShareSetting, &ConfigMgr::saveLoginSetting,
             &ConfigMgr::saveUiSetting, &ConfigMgr::saveJoinMeetingSetting, &ConfigMgr::saveOnionSetting,
             &ConfigMgr::saveProcessSetting, &ConfigMgr::saveAudioSetting, &ConfigMgr::saveRecordSetting })
        (m->*save)();
}

} // namespace

class TstConfigMgrSettingsFile : public ManagerFixture
{
    Q_OBJECT

    // Every stored text as "Section/Key", read by a settings object of the test's own.
    Texts texts() const
    {
        QSettings ini(m_ini, QSettings::IniFormat);
        Texts result;
        for (const QString& key : ini.allKeys())
            result.insert(spelled(key), ini.value(key).toString());
        return result;
    }

    // On Windows QSettings matches keys without regard to case, and a save
    // keeps the spelling a section has in the file ("[normal]"): keys are
    // compared in the library's spelling.
    static QString spelled(const QString& key)
    {
#ifdef Q_OS_WIN
        for (const cvtest::ClassSpec& c : cvtest::classTable())
            if (!c.section.isEmpty() && key.startsWith(c.section + QLatin1Char('/'), Qt::CaseInsensitive))
                return c.section + key.mid(c.section.size());
#endif
        return key;
    }

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("language"); // as loaded; -1: any
        QTest::newRow("no file") << QByteArray() << 0;
        QTest::newRow("empty") << QByteArray("") << 0;
        QTest::newRow("hand-added keys and sections") << QByteArray(
            "Top=level\n[Normal]\nHandAdded=keep me\nLanguage=1\n[Custom]\nFoo=\"bar, baz\"\n"
            "[Login]\nLastLoginUser=a@example.com\n") << 1;
        QTest::newRow("truncated") << QByteArray("[Normal]\nAutoRun=true\nLanguage=2\n[Meeting]\nShowMessageTi") << 2;
        QTest::newRow("cut in a header") << QByteArray("[Normal]\nLanguage=1\n[Mee") << 1;
        QTest::newRow("byte order mark and CRLF")
            << QByteArray("\xef\xbb\xbf[Normal]\r\nAutoRun=true\r\nLanguage=2\r\n") << 2;
        // Keys outside any section, sections named general in either case or
        // differing only in case, lists, text keys: the save's check counts
        // the lines QSettings writes for each.
        QTest::newRow("odd structure") << QByteArray("Top=1\n[General]\nb=2\n[general]\nc=3\n[%General]\nd=4\n"
                                                     "[normal]\nLanguage=9\n[\xc3\xa9t\xc3\xa9]\nl=a, b, \"c\"\n")
                                       << kNormalInOtherCase;
        QTest::newRow("unbalanced quotes")
            << QByteArray("[Normal]\nLanguage=\"2\nAutoRun=\\\n[UI]\nLoginWinLastPage=\"a\\x\"\"") << -1;
    }

    // Whatever the file held, the load takes what it can; each save then
    // writes every key of its section, defaults included, under its own name,
    // leaves every other key alone, and a new manager reads the values back.
    void roundTrip()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, language);
        if (!content.isNull())
            cvtest::writeFile(m_ini, content);
        ConfigMgr* m = ConfigMgr::createInstance();
        m->loadConfig();
        if (language >= 0)
            QCOMPARE(int(m->normalSetting().language()), language);
        Texts kept = texts();
        saveAll(m);
        Texts all = texts();
        for (const Key& k : savedKeys())
            kept.remove(k.path);
        for (auto it = kept.begin(); it != kept.end(); ++it)
            QCOMPARE(all.value(it.key()), it.value());
        QCOMPARE(all.value("Record/RecordPath"), PathHelper::defaultPathName(QStringLiteral("Record")));
        QCOMPARE(all.value("Audio/EncoderId"), QStringLiteral("6"));

        for (const Key& k : savedKeys()) {
            if (content.isNull())
                QVERIFY2(cvtest::describe(cvtest::childOf(m, k.cls)->property(k.property)) != k.value.toString(),
                    k.property);
            QVERIFY(cvtest::childOf(m, k.cls)->setProperty(k.property, k.value));
        }
        m->findChild<JoinMeetingSetting*>()->setEmail(QStringLiteral("kept@in.memory.only"));
        m->findChild<RecordSetting*>()->setMaxFileSize(1);
        saveAll(m);
        all = texts();
        for (const Key& k : savedKeys())
            QCOMPARE(all.value(k.path), k.value.toString());
        if (content.isNull()) {
            QCOMPARE(all.size(), savedKeys().size() + 1); // and Login's Users/size
            // QSettings ends lines with "\r\n" on Windows.
            const QByteArray raw = cvtest::readFile(m_ini).replace("\r\n", "\n");
            QVERIFY(raw.contains("[Share]\nHideSelfWnd=true\nShareSound=true\n"));
            QVERIFY(!raw.contains("\nAutoRun=false")); // the escaped text did not become a key
        }
        ConfigMgr::destroyInstance();
        m = ConfigMgr::createInstance();
        m->loadConfig();
        for (const Key& k : savedKeys())
            QCOMPARE(cvtest::describe(cvtest::childOf(m, k.cls)->property(k.property)), k.value.toString());
        QVERIFY(m->joinMeetingSetting().email().isEmpty());
        QCOMPARE(m->recordSetting().maxFileSize(), 2048);
    }

    // A password is stored as its UTF-8 bytes enciphered in whole 8-byte
    // blocks, exactly as OpenSSL enciphers them, and a new manager reads it back.
    void passwordBytes()
    {
        const QStringList passwords = {
            "abc", "abcdefgh", "abcdefghi", "", "Secret#1234", QStringLiteral("pässwörd 密码 🔑"),
            QString(7, 'a') + QStringLiteral("🔑"), // a 4-byte character across two blocks
            QString(256, 'm'), QString(257, 'n'), QString(2500, QChar(0xe9)), // 5000 bytes of UTF-8
        };
        QMap<QString, LoginSettingUser> users;
        Accounts expected;
        for (int i = 0; i < passwords.size(); ++i) {
            const QString email = QStringLiteral("user%1@example.com").arg(i, 2, 10, QLatin1Char('0'));
            users.insert(email, account(email, passwords[i]));
            expected.insert(email, passwords[i]);
        }
        save(users);
        const QSettings ini(m_ini, QSettings::IniFormat);
        const auto stored = [&ini](int entry) {
            return ini.value(QStringLiteral("Login/Users/%1/Password").arg(entry + 1)).toByteArray();
        };
        QCOMPARE(ini.value("Login/Users/size").toInt(), passwords.size());
        for (int i = 0; i < passwords.size(); ++i)
            QCOMPARE(stored(i), encipher(passwords[i])); // whole blocks, as OpenSSL pads them
        QCOMPARE(stored(4).toHex(), QByteArray("36b99f0406b71e90ff735ad1666d6a6c"));
        QVERIFY(cvtest::readFile(m_ini).contains("Password=@ByteArray()"));
        QCOMPARE(reloadAccounts(), expected);
    }
};

CV_SETTINGS_TEST_MAIN(TstConfigMgrSettingsFile)
#include "tst_configmgr_settingsfile.moc"
