// The manager's lifecycle: one instance per process, its groups and defaults,
// a load with nothing to read, set/write/save of a group, and the meta-object
// that a bound client sees.

#include "ManagerFixture.h"

#include <QDir>
#include <QPointer>
#include <QSignalSpy>

class TstConfigMgrLifecycle : public ManagerFixture
{
    Q_OBJECT

private slots:
    // One manager per process; one made after destroy starts afresh, and a
    // load with no product files and no settings file changes and writes nothing.
    void lifecycleAndDefaults()
    {
        ConfigMgr* m = ConfigMgr::createInstance();
        QCOMPARE(ConfigMgr::getInstance(), m);
        QCOMPARE(m->parent(), nullptr);
        m->findChild<NormalSetting*>()->setLanguage(Corvane::LanguageJapanese);
        m->setSupportIcsFile(true);
        QCOMPARE(ConfigMgr::createInstance(), m);
        QCOMPARE(m->normalSetting().language(), Corvane::LanguageJapanese);

        // The sixteen groups are children of the manager, made in this order, and die with it.
        QStringList classes;
        for (const QObject* child : m->children())
            classes << child->metaObject()->className();
        QCOMPARE(classes,
            (QStringList { "ClientConfig", "OmsUrlConfig", "ServerSetting", "IntercomConfig", "NormalSetting",
                "MeetingSetting", "MessageSetting", "AudioSetting", "VideoSetting", "RecordSetting", "LoginSetting",
                "UISetting", "JoinMeetingSetting", "ShareSetting", "OnionSetting", "ProcessSetting" }));
        const QPointer<ConfigMgr> manager(m);
        const QPointer<QObject> held(m->children().value(4));
        ConfigMgr::destroyInstance();
        QVERIFY(manager.isNull() && held.isNull() && !ConfigMgr::getInstance());
        ConfigMgr::destroyInstance();

        m = ConfigMgr::createInstance();
        QVERIFY(QDir(QCoreApplication::applicationDirPath()).entryList({ "*.data" }).isEmpty());
        cvtest::Probe log;
        for (const QObject* group : m->children())
            log.watch(group);
        QVERIFY(!m->supportIcsFile());
        m->loadConfig();
        m->loadConfig();
        QCOMPARE(log.names, QStringList()); // every change of a value signals
        QVERIFY(!QFile::exists(m_ini)); // neither destruction nor loading writes
        QCOMPARE(m->children().size(), 16); // no provider objects
        QVERIFY(!m->thirdContactsConfig(m->outlook()) && !m->thirdCalendarConfig(m->google()));
        const ThirdLoginConfig google = m->thirdLoginConfig(m->google()), none;
        QCOMPARE(cvtest::snapshot(&google), cvtest::snapshot(&none));
    }

    // set assigns onto the held group and leaves the file alone; write is set
    // followed by save; the video group has no section, so writing it only
    // assigns.
    void setWriteAndSave()
    {
        ConfigMgr* m = ConfigMgr::createInstance();
        NormalSetting normal;
        normal.setAutoRun(true);
        m->setNormalSetting(normal);
        QVERIFY(m->normalSetting().autoRun() && !QFile::exists(m_ini));
        AudioSetting audio;
        audio.setAgc(true);
        m->setAudioSetting(audio);
        m->saveAudioSetting();
        normal.setAutoLogin(true);
        m->writeNormalSetting(normal);
        const QByteArray written = cvtest::readFile(m_ini);
        QVERIFY(written.contains("AutoRun=true") && written.contains("AutoLogin=true") && written.contains("AGC=true"));
        VideoSetting video;
        video.setDefaultDevIndex(3);
        m->writeVideoSetting(video);
        QCOMPARE(m->videoSetting().defaultDevIndex(), 3);
        QCOMPARE(cvtest::readFile(m_ini), written);
    }

    // The manager's interface as a bound client sees it.
    void metaObject()
    {
        const QMetaObject& mo = ConfigMgr::staticMetaObject;
        QStringList members;
        for (int i = mo.methodOffset(); i < mo.methodCount(); ++i) {
            const QMetaMethod f = mo.method(i);
            members << QString::fromLatin1(QByteArray(f.methodType() == QMetaMethod::Signal ? "signal " : "method ")
                + f.typeName() + ' ' + f.methodSignature() + ' ' + f.parameterNames().join(','));
        }
        for (int i = mo.propertyOffset(); i < mo.propertyCount(); ++i)
            members << QString::fromLatin1(QByteArray(mo.property(i).typeName()) + ' ' + mo.property(i).name()
                + (mo.property(i).isWritable() ? " writable " : " ") + mo.property(i).notifySignal().methodSignature());
        QCOMPARE(members,
            (QStringList { "signal void googleChanged() ", "signal void facebookChanged() ",
                "signal void outlookChanged() ", "signal void supportIcsFileChanged(bool) icsSupport",
                "method ThirdContactsConfig* thirdContactsConfig(QString) strThirdName",
                "method ThirdCalendarConfig* thirdCalendarConfig(QString) strThirdName",
                "QString google googleChanged()", "QString facebook facebookChanged()",
                "QString outlook outlookChanged()", "bool supportIcsFile writable supportIcsFileChanged(bool)" }));

        ConfigMgr* m = ConfigMgr::createInstance();
        QCOMPARE((QStringList { m->property("outlook").toString(), m->google(), m->facebook() }),
            (QStringList { "Outlook", "Google", "Facebook" }));
        QSignalSpy spy(m, &ConfigMgr::supportIcsFileChanged);
        QVERIFY(m->setProperty("supportIcsFile", true));
        m->setSupportIcsFile(true);
        m->setSupportIcsFile(false);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(1).at(0).toBool(), false);
        // The library serves the Windows client wherever it is built.
        QVERIFY(ConfigMgr::isWindowsPaltform() && !ConfigMgr::isMacPaltform());
    }
};

CV_SETTINGS_TEST_MAIN(TstConfigMgrLifecycle)
#include "tst_configmgr_lifecycle.moc"
