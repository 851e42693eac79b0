// The user settings file: key names and value texts of every preference
// section, round trips through a restart, what a save leaves alone, the
// reading conversions, and damaged files.

#include "TestEnvironment.h"

#include "ConfigMgr.h"
#include "PathHelper.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QSettings>
#include <QSignalSpy>

#include <functional>
#include <random>

namespace {

using Texts = QMap<QString, QString>;

// Records "Class::signal" for every signal that the watched objects emit, in
// emission order, whatever the signal's argument types.
class SignalLog : public QObject
{
    Q_OBJECT
public:
    void watch(const QObject& object)
    {
        const QMetaObject* mo = object.metaObject();
        const int slot = metaObject()->indexOfSlot("record()");
        for (int i = mo->methodOffset(); i < mo->methodCount(); ++i)
            if (mo->method(i).methodType() == QMetaMethod::Signal)
                QMetaObject::connect(&object, i, this, slot);
    }
    QStringList names;

private slots:
    void record()
    {
        const QMetaObject* mo = sender()->metaObject();
        names << QString::fromLatin1(mo->className()) + QLatin1String("::")
                     + QString::fromLatin1(mo->method(senderSignalIndex()).name());
    }
};

// "Class.property" for each property whose value differs between a and b.
QStringList differingProperties(const QObject& a, const QObject& b)
{
    QStringList names;
    const QMetaObject* mo = a.metaObject();
    for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i) {
        const QMetaProperty p = mo->property(i);
        if (p.read(&a) != p.read(&b))
            names << QString::fromLatin1(mo->className()) + QLatin1Char('.') + QString::fromLatin1(p.name());
    }
    return names;
}

// One object of every group that has a section of its own.
struct Groups {
    NormalSetting normal;
    MeetingSetting meeting;
    MessageSetting message;
    ShareSetting share;
    UISetting ui;
    JoinMeetingSetting join;
    OnionSetting onion;
    ProcessSetting process;
    AudioSetting audio;
    RecordSetting record;
};

// Every property away from its class default; texts carry what the INI
// format has to escape, including a line that looks like a section.
Groups distinctValues()
{
    Groups g;
    g.normal.setAutoRun(true);
    g.normal.setAutoLogin(true);
    g.normal.setLanguage(Corvane::LanguageJapanese);
    g.meeting.setAudioDefaultMute(true);
    g.meeting.setAudioNeedGranted(true);
    g.meeting.setShowMessageTips(false);
    g.message.setFlashIcon(false);
    g.message.setPlaySound(false);
    g.share.setIsHideCorvaneWin(true);
    g.share.setIsShareSound(true);
    g.ui.setLoginWinLastPage(QStringLiteral("Sign in; \"step\" = 2"));
    g.join.setMeetingNum(QStringLiteral("123 456 789"));
    g.join.setNickname(QStringLiteral("Zoë Ångström, 李雷"));
    g.join.setEmail(QStringLiteral("kept@in.memory.only"));
    g.join.setWebinarNum(QStringLiteral("#42"));
    g.join.setWebinarFirstName(QStringLiteral("back\\slash"));
    g.join.setWebinarLastName(QStringLiteral("  padded  "));
    g.join.setWebinarEmail(QStringLiteral("w@example.org"));
    g.join.setWebinarCheckCode(QStringLiteral("x\n[Normal]\nAutoRun=false"));
    g.onion.setCapVolume(-1);
    g.onion.setPlayVolume(2147483647);
    g.process.setPort(-2147483647 - 1);
    g.audio.setAutoAdjust(false);
    g.audio.setCapDevIndex(2);
    g.audio.setInputIndex(3);
    g.audio.setCapVolume(55);
    g.audio.setCapVolumeAutoAdjust(true);
    g.audio.setPlayDevIndex(4);
    g.audio.setPlayVolume(66);
    g.audio.setEncoderId(7);
    g.audio.setAec(false);
    g.audio.setAns(false);
    g.audio.setFec(false);
    g.audio.setAgc(true);
    g.audio.setVad(false);
    g.audio.setAudioEngine(2);
    g.record.setRecordType(RecordSetting::Audio);
    g.record.setRecordPath(QStringLiteral("/data/rec dir/录像"));
    g.record.setVideoFramerate(25);
    g.record.setMaxFileSize(1);
    return g;
}

void writeAll(ConfigMgr* m, const Groups& g)
{
    m->writeNormalSetting(g.normal);
    m->writeMeetingSetting(g.meeting);
    m->writeMessageSetting(g.message);
    m->writeShareSetting(g.share);
    m->writeUiSetting(g.ui);
    m->writeJoinMeetingSetting(g.join);
    m->writeOnionSetting(g.onion);
    m->writeProcessSetting(g.process);
    m->writeAudioSetting(g.audio);
    m->writeRecordSetting(g.record);
}

// What a restart loses against `written`: only the two values that have no key.
QStringList differences(const ConfigMgr* m, const Groups& written)
{
    Groups expected = written;
    expected.join.setEmail(JoinMeetingSetting().email());
    expected.record.setMaxFileSize(RecordSetting().maxFileSize());
    return differingProperties(m->normalSetting(), expected.normal)
        + differingProperties(m->meetingSetting(), expected.meeting)
        + differingProperties(m->messageSetting(), expected.message)
        + differingProperties(m->shareSetting(), expected.share)
        + differingProperties(m->uiSetting(), expected.ui)
        + differingProperties(m->joinMeetingSetting(), expected.join)
        + differingProperties(m->onionSetting(), expected.onion)
        + differingProperties(m->processSetting(), expected.process)
        + differingProperties(m->audioSetting(), expected.audio)
        + differingProperties(m->recordSetting(), expected.record);
}

// Every save, under the section it writes.
const QList<QPair<QString, std::function<void(ConfigMgr*)>>> kSaves = {
    {"Normal", &ConfigMgr::saveNormalSetting},   {"Meeting", &ConfigMgr::saveMeetingSetting},
    {"Message", &ConfigMgr::saveMessageSetting}, {"Share", &ConfigMgr::saveShareSetting},
    {"Login", &ConfigMgr::saveLoginSetting},     {"UI", &ConfigMgr::saveUiSetting},
    {"JoinMeeting", &ConfigMgr::saveJoinMeetingSetting}, {"Onion", &ConfigMgr::saveOnionSetting},
    {"Process", &ConfigMgr::saveProcessSetting}, {"Audio", &ConfigMgr::saveAudioSetting},
    {"Record", &ConfigMgr::saveRecordSetting},
};

} // namespace

class TstSettingsFile : public QObject
{
    Q_OBJECT
    QString m_ini;

    ConfigMgr* restart()
    {
        ConfigMgr::destroyInstance();
        ConfigMgr* m = ConfigMgr::createInstance();
        m->loadConfig();
        return m;
    }

    QByteArray fileBytes() const
    {
        QFile f(m_ini);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    void writeFile(const QByteArray& bytes) const
    {
        static int generation = 0;
        QFile f(m_ini);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(m_ini));
        f.write(bytes);
        f.flush();
        // QSettings re-reads a file it has seen only when its size or time
        // stamp changed; a rewrite of equal size must not go unnoticed.
        f.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0)).addSecs(++generation),
                      QFileDevice::FileModificationTime);
    }

    // The stored texts of one section (or of every section, as
    // "Section/Key"), read through a settings object of the test's own.
    Texts texts(const QString& section = QString()) const
    {
        QSettings ini(m_ini, QSettings::IniFormat);
        ini.beginGroup(section);
        Texts result;
        for (const QString& key : ini.allKeys())
            result.insert(key, ini.value(key).toString());
        return result;
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<int>("Corvane::ClientLanguage");
        m_ini = PathHelper::defaultPathName(QStringLiteral("com.corvane.settings.ini"));
    }
    void init()
    {
        ConfigMgr::destroyInstance();
        QFile::remove(m_ini);
    }
    void cleanup() { ConfigMgr::destroyInstance(); }

    void everySectionRoundTripsUnderItsOwnKeys()
    {
        const Groups g = distinctValues();
        writeAll(ConfigMgr::createInstance(), g);

        QCOMPARE(texts("Normal"), (Texts{{"AutoRun", "true"}, {"AutoLogin", "true"}, {"Language", "3"}}));
        QCOMPARE(texts("Meeting"),
                 (Texts{{"AudioDefaultMute", "true"}, {"AudioNeedGranted", "true"}, {"ShowMessageTips", "false"}}));
        QCOMPARE(texts("Message"), (Texts{{"FlashIcon", "false"}, {"PlaySound", "false"}}));
        QCOMPARE(texts("Share"), (Texts{{"HideSelfWnd", "true"}, {"ShareSound", "true"}}));
        QCOMPARE(texts("UI"), (Texts{{"LoginWinLastPage", g.ui.loginWinLastPage()}}));
        QCOMPARE(texts("JoinMeeting"), (Texts{{"MeetingNum", g.join.meetingNum()},
                                              {"NickName", g.join.nickname()},
                                              {"WebinarNum", g.join.webinarNum()},
                                              {"WebinarFirstName", g.join.webinarFirstName()},
                                              {"WebinarLastName", g.join.webinarLastName()},
                                              {"WebinarEmail", g.join.webinarEmail()},
                                              {"WebinarCheckCode", g.join.webinarCheckCode()}}));
        QCOMPARE(texts("Onion"), (Texts{{"CapVolume", "-1"}, {"PlayVolume", "2147483647"}}));
        QCOMPARE(texts("Process"), (Texts{{"Port", "-2147483648"}}));
        QCOMPARE(texts("Audio"), (Texts{{"AutoAdjust", "false"}, {"CapDevIndex", "2"}, {"InputIndex", "3"},
                                        {"CapVolume", "55"}, {"CapVolumeAutoAdjust", "true"},
                                        {"PlayDevIndex", "4"}, {"PlayVolume", "66"}, {"EncoderId", "7"},
                                        {"AEC", "false"}, {"ANS", "false"}, {"FEC", "false"},
                                        {"AGC", "true"}, {"VAD", "false"}, {"AudioEngine", "2"}}));
        QCOMPARE(texts("Record"), (Texts{{"RecordType", "1"}, {"RecordPath", g.record.recordPath()},
                                         {"VideoFramerate", "25"}}));
        QCOMPARE(texts().size(), 3 + 3 + 2 + 2 + 1 + 7 + 2 + 1 + 14 + 3);

        // The plain text, as another reader of the file would see it.
        const QByteArray raw = fileBytes();
        QVERIFY(raw.contains("[Share]\nHideSelfWnd=true\nShareSound=true\n"));
        QVERIFY(raw.contains("\nPort=-2147483648\n"));
        QVERIFY(!raw.contains("\nAutoRun=false")); // the escaped text did not become a key

        const QStringList lost = differences(restart(), g);
        QCOMPARE(lost, QStringList());
    }

    void defaultsAreWrittenInFull()
    {
        ConfigMgr* m = ConfigMgr::createInstance();
        m->saveRecordSetting();
        m->saveAudioSetting();
        const QString path = PathHelper::defaultPathName(QStringLiteral("Record"));
        QVERIFY(!path.isEmpty());
        QCOMPARE(texts("Record"), (Texts{{"RecordType", "0"}, {"RecordPath", path}, {"VideoFramerate", "6"}}));
        QCOMPARE(texts("Audio").size(), 14);
        QCOMPARE(texts("Audio").value("EncoderId"), QStringLiteral("6"));
    }

    // A save rewrites its own section's keys and nothing else: not hand-added
    // keys, not other sections, not the top level.
    void saveTouchesOnlyItsOwnKeys()
    {
        writeFile("Top=level\n"
                  "[Normal]\nHandAdded=keep me\nAutoRun=true\n"
                  "[Custom]\nFoo=\"bar, baz\"\n"
                  "[Meeting]\nShowMessageTips=false\n"
                  "[Login]\nLastLoginUser=a@example.com\n");
        ConfigMgr* m = ConfigMgr::createInstance();
        m->loadConfig();
        for (const auto& save : kSaves) {
            const QString prefix = save.first + QLatin1Char('/');
            Texts before = texts();
            save.second(m);
            Texts after = texts();
            for (Texts* t : {&before, &after})
                for (auto it = t->begin(); it != t->end();)
                    it = it.key().startsWith(prefix) ? t->erase(it) : it + 1;
            QVERIFY2(before == after, qPrintable(save.first));
        }
        const Texts all = texts();
        QCOMPARE(all.value("Top"), QStringLiteral("level"));
        QCOMPARE(all.value("Normal/HandAdded"), QStringLiteral("keep me"));
        QCOMPARE(all.value("Normal/AutoRun"), QStringLiteral("true"));
        QCOMPARE(all.value("Custom/Foo"), QStringLiteral("bar, baz"));
        QCOMPARE(all.value("Meeting/ShowMessageTips"), QStringLiteral("false"));

        const QByteArray once = fileBytes();
        for (const auto& save : kSaves)
            save.second(m);
        QCOMPARE(fileBytes(), once);
    }

    // Texts that the library never writes itself convert by the reading
    // rules, and each converted value signals only if it differs.
    void handWrittenTextsConvertAndSignalExactlyTheChanges()
    {
        writeFile("[Normal]\nLanguage=3\n"
                  "[Meeting]\nAudioDefaultMute=false\nAudioNeedGranted=yes\nShowMessageTips=false\n"
                  "[Message]\nFlashIcon=FALSE\nPlaySound=0\n"
                  "[Share]\nHideSelfWnd=1\nShareSound=\n"
                  "[Login]\nLastLoginUser=someone@example.com\n"
                  "[UI]\nLoginWinLastPage=\n"
                  "[JoinMeeting]\nNickName=Bob\n"
                  "[Onion]\nCapVolume=40\nPlayVolume=loud\n"
                  "[Process]\nPort=-12\n"
                  "[Audio]\nCapDevIndex=abc\nEncoderId=99999999999999999999\nAEC=False\nVAD=true\n"
                  "[Record]\nRecordType=yes\nVideoFramerate=2.5\n");
        ConfigMgr* m = ConfigMgr::createInstance();
        SignalLog log;
        const ConfigMgr* cm = m;
        for (const QObject* group : QList<const QObject*>{
                 &cm->normalSetting(), &cm->meetingSetting(), &cm->messageSetting(), &cm->shareSetting(),
                 &cm->loginSetting(), &cm->uiSetting(), &cm->joinMeetingSetting(), &cm->onionSetting(),
                 &cm->processSetting(), &cm->audioSetting(), &cm->recordSetting()})
            log.watch(*group);
        QSignalSpy tips(&m->meetingSetting(), &MeetingSetting::showMessageTipsChanged);
        m->loadConfig();

        // Also the load order: the sections in sequence, Audio and Record last.
        QCOMPARE(log.names, (QStringList{
            "NormalSetting::languageChanged", "MeetingSetting::audioNeedGrantedChanged",
            "MeetingSetting::showMessageTipsChanged", "MessageSetting::flashIconChanged",
            "MessageSetting::playSoundChanged", "ShareSetting::isHideCorvaneWinChanged",
            "LoginSetting::lastLoginUserChanged", "UISetting::loginWinLastPageChanged",
            "JoinMeetingSetting::nicknameChanged", "OnionSetting::capVolumeChanged",
            "OnionSetting::playVolumeChanged", "ProcessSetting::portChanged",
            "AudioSetting::encoderIdChanged", "AudioSetting::aecChanged",
            "RecordSetting::videoFramerateChanged"}));
        QCOMPARE(tips.count(), 1);
        QCOMPARE(tips.at(0).at(0).toBool(), false);

        QCOMPARE(m->normalSetting().language(), Corvane::LanguageJapanese);
        QVERIFY(!m->normalSetting().autoRun());
        QVERIFY(!m->normalSetting().autoLogin());
        QVERIFY(m->meetingSetting().audioNeedGranted());
        QVERIFY(!m->messageSetting().flashIcon());
        QVERIFY(!m->messageSetting().playSound());
        QVERIFY(m->shareSetting().isHideCorvaneWin());
        QVERIFY(!m->shareSetting().isShareSound());
        QCOMPARE(m->uiSetting().loginWinLastPage(), QString());
        QCOMPARE(m->onionSetting().capVolume(), 40);
        QCOMPARE(m->onionSetting().playVolume(), 0);
        QCOMPARE(m->processSetting().port(), -12);
        QCOMPARE(m->audioSetting().encoderId(), 0);
        QVERIFY(!m->audioSetting().aec());
        QCOMPARE(m->recordSetting().videoFramerate(), 0);

        log.names.clear();
        m->loadConfig();
        QCOMPARE(log.names, QStringList());
    }

    void damagedFilesLoadWhatTheyCanAndSaveCleanly_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("language"); // -1: no expectation
        QTest::addColumn<bool>("autoRun");

        QTest::newRow("missing") << QByteArray() << 0 << false;
        QTest::newRow("empty") << QByteArray("") << 0 << false;
        QTest::newRow("truncated") << QByteArray("[Normal]\nAutoRun=true\nLanguage=2\n[Meeting]\nShowMessageTi")
                                   << 2 << true;
        QTest::newRow("byte order mark and CRLF")
            << QByteArray("\xef\xbb\xbf[Normal]\r\nAutoRun=true\r\nLanguage=2\r\n") << 2 << true;
        QTest::newRow("cut in a header") << QByteArray("[Normal]\nLanguage=1\n[Mee") << 1 << false;
        QTest::newRow("unbalanced quotes and escapes")
            << QByteArray("[Normal]\nLanguage=\"2\nAutoRun=\\\n[UI]\nLoginWinLastPage=\"a\\x\"\"") << -1 << false;

        std::mt19937 random(20240611);
        QByteArray binary(64 * 1024, '\0');
        for (char& c : binary)
            c = static_cast<char>(random() & 0xff);
        QTest::newRow("binary") << binary << -1 << false;

        // Tens of megabytes, with one real value on either side of the bulk.
        QByteArray huge("[Normal]\nLanguage=2\n[Junk]\n");
        const QByteArray value(256 * 1024, 'x');
        for (int i = 0; huge.size() < 20 * 1024 * 1024; ++i)
            huge += "Key" + QByteArray::number(i) + '=' + value + '\n';
        huge += "[Normal]\nAutoRun=true\n";
        QTest::newRow("huge") << huge << 2 << true;
    }

    void damagedFilesLoadWhatTheyCanAndSaveCleanly()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, language);
        QFETCH(bool, autoRun);
        if (!content.isNull())
            writeFile(content);

        ConfigMgr* m = ConfigMgr::createInstance();
        QElapsedTimer timer;
        timer.start();
        m->loadConfig();
        qDebug("loaded in %lld ms", timer.elapsed());
        if (language >= 0) {
            QCOMPARE(int(m->normalSetting().language()), language);
            QCOMPARE(m->normalSetting().autoRun(), autoRun);
        }
        QVERIFY(m->meetingSetting().showMessageTips());

        const Groups g = distinctValues();
        writeAll(m, g);
        m->saveLoginSetting();
        QCOMPARE(differences(restart(), g), QStringList());
    }
};

CV_SETTINGS_TEST_MAIN(TstSettingsFile)
#include "tst_settingsfile.moc"
