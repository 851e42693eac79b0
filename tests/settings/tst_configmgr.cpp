// The manager's lifecycle, its accessors and set/write/save operations, and
// its meta-object interface.

#include "TestEnvironment.h"

#include "ConfigMgr.h"
#include "PathHelper.h"

#include <QFile>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QPointer>
#include <QSignalSpy>

namespace {

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

// Names of the properties whose values differ between two objects of one
// class. Container properties have no QVariant form and are checked apart.
QStringList differingProperties(const QObject& a, const QObject& b)
{
    QStringList names;
    const QMetaObject* mo = a.metaObject();
    for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i) {
        const QMetaProperty p = mo->property(i);
        const QByteArray type = p.typeName();
        if (type.startsWith("QMap<") || type.startsWith("QList<"))
            continue;
        if (p.read(&a) != p.read(&b))
            names << QString::fromLatin1(mo->className()) + QLatin1Char('.') + QString::fromLatin1(p.name());
    }
    return names;
}

// The properties of each object that differ from a new object of its class.
template <class... Group>
QStringList changedFromDefaults(const Group&... groups)
{
    return (differingProperties(groups, Group()) + ...);
}

QList<const QObject*> productGroups(const ConfigMgr* m)
{
    return {&m->clientConfig(), &m->serverSetting(), &m->intercomConfig(), &m->omsUrlConfig()};
}

QList<const QObject*> userGroups(const ConfigMgr* m)
{
    return {&m->audioSetting(), &m->videoSetting(), &m->recordSetting(), &m->shareSetting(),
            &m->onionSetting(), &m->processSetting(), &m->normalSetting(), &m->meetingSetting(),
            &m->messageSetting(), &m->uiSetting(), &m->joinMeetingSetting(), &m->loginSetting()};
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TstConfigMgr : public QObject
{
    Q_OBJECT
    QString m_ini;

private slots:
    void initTestCase()
    {
        QVERIFY(!ConfigMgr::getInstance());
        // The client's shared enumerations have no meta-type of their own;
        // as ints their properties compare through QVariant.
        qRegisterMetaType<int>("Corvane::ClientLanguage");
        qRegisterMetaType<int>("Corvane::UserPaltform");
        m_ini = PathHelper::defaultPathName(QStringLiteral("com.corvane.settings.ini"));
    }
    void init()
    {
        ConfigMgr::destroyInstance();
        QFile::remove(m_ini);
    }
    void cleanup() { ConfigMgr::destroyInstance(); }

    void lifecycleCreatesOnceDestroysOnceAndStartsFresh()
    {
        ConfigMgr* m = ConfigMgr::createInstance();
        QVERIFY(m);
        QCOMPARE(ConfigMgr::getInstance(), m);
        QCOMPARE(m->parent(), nullptr);
        NormalSetting normal = m->normalSetting();
        normal.setLanguage(Corvane::LanguageJapanese);
        m->setNormalSetting(normal);
        m->setSupportIcsFile(true);

        QCOMPARE(ConfigMgr::createInstance(), m);
        QCOMPARE(m->normalSetting().language(), Corvane::LanguageJapanese);

        // The held groups are children of the manager and die with it.
        QPointer<ConfigMgr> manager(m);
        QPointer<const NormalSetting> held(&m->normalSetting());
        for (const QObject* group : productGroups(m) + userGroups(m))
            QCOMPARE(group->parent(), m);

        ConfigMgr::destroyInstance();
        QVERIFY(manager.isNull());
        QVERIFY(held.isNull());
        QVERIFY(!ConfigMgr::getInstance());
        ConfigMgr::destroyInstance();
        QVERIFY(!ConfigMgr::getInstance());

        m = ConfigMgr::createInstance();
        QCOMPARE(m->normalSetting().language(), Corvane::LanguageEnglish);
        QVERIFY(!m->supportIcsFile());
        QVERIFY(!QFile::exists(m_ini)); // nothing is saved on destruction
    }

    void accessorsAnswerWithClassDefaultsBeforeLoad()
    {
        ConfigMgr* m = ConfigMgr::createInstance();
        QCOMPARE(changedFromDefaults(m->clientConfig(), m->serverSetting(), m->intercomConfig(),
                                     m->omsUrlConfig(), m->audioSetting(), m->videoSetting(),
                                     m->recordSetting(), m->shareSetting(), m->onionSetting(),
                                     m->processSetting(), m->normalSetting(), m->meetingSetting(),
                                     m->messageSetting(), m->uiSetting(), m->joinMeetingSetting(),
                                     m->loginSetting()),
                 QStringList());
        QVERIFY(m->videoSetting().videos().isEmpty());
        QVERIFY(m->loginSetting().users().isEmpty());
        // A few class defaults that the client's screens depend on.
        QCOMPARE(m->meetingSetting().showMessageTips(), true);
        QCOMPARE(m->uiSetting().loginWinLastPage(), QStringLiteral("Welcome"));
        QCOMPARE(m->onionSetting().capVolume(), 100);
        QCOMPARE(m->recordSetting().recordPath(), PathHelper::defaultPathName(QStringLiteral("Record")));

        QCOMPARE(m->google(), QStringLiteral("Google"));
        QCOMPARE(m->facebook(), QStringLiteral("Facebook"));
        QCOMPARE(m->outlook(), QStringLiteral("Outlook"));
        QVERIFY(!m->thirdContactsConfig(QStringLiteral("Google")));
        QVERIFY(!m->thirdCalendarConfig(QStringLiteral("Outlook")));
        QCOMPARE(changedFromDefaults(m->thirdLoginConfig(QStringLiteral("Google"))), QStringList());
        QVERIFY(!m->supportIcsFile());
    }

    void loadWithoutSettingsFileLeavesUserGroupsAlone()
    {
        ConfigMgr* m = ConfigMgr::createInstance();
        SignalLog log;
        for (const QObject* group : userGroups(m))
            log.watch(*group);
        m->loadConfig();
        m->loadConfig();
        QCOMPARE(log.names, QStringList());
        QCOMPARE(changedFromDefaults(m->recordSetting()), QStringList());
        QVERIFY(!QFile::exists(m_ini)); // loading never writes
    }

    // Set assigns onto the held group, one signal per differing value, and
    // leaves the file alone; write is set followed by save.
    void setSignalsDifferencesAndWritesNothingUntilSave()
    {
        ConfigMgr* m = ConfigMgr::createInstance();
        SignalLog log;
        log.watch(m->normalSetting());
        log.watch(m->shareSetting());
        log.watch(m->audioSetting());

        NormalSetting normal;
        normal.setAutoRun(true);
        normal.setLanguage(Corvane::LanguageTraditionalChinese);
        m->setNormalSetting(normal);
        AudioSetting audio;
        audio.setAgc(true);
        m->setAudioSetting(audio);
        QCOMPARE(log.names, (QStringList{"NormalSetting::autoRunChanged", "NormalSetting::languageChanged",
                                         "AudioSetting::agcChanged"}));
        QCOMPARE(m->normalSetting().language(), Corvane::LanguageTraditionalChinese);

        m->setNormalSetting(normal);
        m->setShareSetting(m->shareSetting());
        m->setAudioSetting(m->audioSetting());
        m->setLoginSetting(m->loginSetting());
        QCOMPARE(log.names.size(), 3);
        QVERIFY(!QFile::exists(m_ini));

        m->saveAudioSetting();
        const QByteArray afterSave = fileBytes(m_ini);
        QVERIFY(afterSave.contains("AGC=true"));
        ShareSetting share;
        share.setIsShareSound(true);
        m->setShareSetting(share);
        QCOMPARE(fileBytes(m_ini), afterSave);

        log.names.clear();
        normal.setAutoLogin(true);
        m->writeNormalSetting(normal);
        QCOMPARE(log.names, QStringList{"NormalSetting::autoLoginChanged"});
        const QByteArray written = fileBytes(m_ini);
        QVERIFY(written.contains("[Normal]"));
        QVERIFY(written.contains("AutoLogin=true"));
        QVERIFY(!written.contains("[Share]")); // set alone never reached the file
        QVERIFY(written.contains("AGC=true"));

        // The video group has no section: writing it only assigns.
        VideoSetting video;
        video.setDefaultDevIndex(3);
        m->writeVideoSetting(video);
        m->saveVideoSetting();
        QCOMPARE(m->videoSetting().defaultDevIndex(), 3);
        QCOMPARE(fileBytes(m_ini), written);
    }

    void twoManagersInOneRunShareTheSettingsFile()
    {
        NormalSetting normal;
        normal.setLanguage(Corvane::LanguageSimplifiedChinese);
        ConfigMgr::createInstance()->writeNormalSetting(normal);
        QVERIFY(QFile::exists(m_ini));
        ConfigMgr::destroyInstance();

        ConfigMgr* m = ConfigMgr::createInstance();
        m->loadConfig();
        QCOMPARE(m->normalSetting().language(), Corvane::LanguageSimplifiedChinese);
        m->saveMessageSetting();
        QVERIFY(fileBytes(m_ini).contains("Language=1"));
    }

    void metaObjectMatchesTheClientContract()
    {
        const QMetaObject& mo = ConfigMgr::staticMetaObject;
        const int base = mo.methodOffset();
        QCOMPARE(mo.methodCount() - base, 6);
        const struct {
            QMetaMethod::MethodType type;
            const char* signature;
            const char* returnType;
            QList<QByteArray> parameterNames;
        } methods[] = {
            {QMetaMethod::Signal, "googleChanged()", "void", {}},
            {QMetaMethod::Signal, "facebookChanged()", "void", {}},
            {QMetaMethod::Signal, "outlookChanged()", "void", {}},
            {QMetaMethod::Signal, "supportIcsFileChanged(bool)", "void", {"icsSupport"}},
            {QMetaMethod::Method, "thirdContactsConfig(QString)", "ThirdContactsConfig*", {"strThirdName"}},
            {QMetaMethod::Method, "thirdCalendarConfig(QString)", "ThirdCalendarConfig*", {"strThirdName"}},
        };
        for (int i = 0; i < 6; ++i) {
            const QMetaMethod m = mo.method(base + i);
            QCOMPARE(m.methodType(), methods[i].type);
            QCOMPARE(m.methodSignature(), QByteArray(methods[i].signature));
            QCOMPARE(QByteArray(m.typeName()), QByteArray(methods[i].returnType));
            QCOMPARE(m.parameterNames(), methods[i].parameterNames);
        }

        QCOMPARE(mo.propertyCount() - mo.propertyOffset(), 4);
        const struct {
            const char* name;
            const char* type;
            bool writable;
            const char* notify;
        } properties[] = {
            {"google", "QString", false, "googleChanged()"},
            {"facebook", "QString", false, "facebookChanged()"},
            {"outlook", "QString", false, "outlookChanged()"},
            {"supportIcsFile", "bool", true, "supportIcsFileChanged(bool)"},
        };
        for (int i = 0; i < 4; ++i) {
            const QMetaProperty p = mo.property(mo.propertyOffset() + i);
            QCOMPARE(QByteArray(p.name()), QByteArray(properties[i].name));
            QCOMPARE(QByteArray(p.typeName()), QByteArray(properties[i].type));
            QVERIFY(p.isReadable());
            QCOMPARE(p.isWritable(), properties[i].writable);
            QCOMPARE(p.notifySignal().methodSignature(), QByteArray(properties[i].notify));
        }

        // Reached through the meta-object, as a bound client would.
        ConfigMgr* m = ConfigMgr::createInstance();
        QCOMPARE(m->property("outlook").toString(), QStringLiteral("Outlook"));
        QVERIFY(!m->setProperty("google", QStringLiteral("Other")));
        QCOMPARE(m->google(), QStringLiteral("Google"));
        ThirdContactsConfig* contacts = reinterpret_cast<ThirdContactsConfig*>(1);
        QVERIFY(QMetaObject::invokeMethod(m, "thirdContactsConfig", Q_RETURN_ARG(ThirdContactsConfig*, contacts),
                                          Q_ARG(QString, QStringLiteral("Nobody"))));
        QVERIFY(!contacts);
        QSignalSpy spy(m, &ConfigMgr::supportIcsFileChanged);
        QVERIFY(m->setProperty("supportIcsFile", true));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(m->property("supportIcsFile").toBool(), true);
    }

    void supportIcsFileSignalsOnlyChangesAndPlatformIsTruthful()
    {
        ConfigMgr* m = ConfigMgr::createInstance();
        QSignalSpy spy(m, &ConfigMgr::supportIcsFileChanged);
        m->setSupportIcsFile(false);
        m->setSupportIcsFile(true);
        m->setSupportIcsFile(true);
        m->setSupportIcsFile(false);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).toBool(), true);
        QCOMPARE(spy.at(1).at(0).toBool(), false);
        QVERIFY(!m->supportIcsFile());

#ifdef Q_OS_WIN
        QVERIFY(ConfigMgr::isWindowsPaltform());
#else
        QVERIFY(!ConfigMgr::isWindowsPaltform());
#endif
#ifdef Q_OS_MACOS
        QVERIFY(ConfigMgr::isMacPaltform());
#else
        QVERIFY(!ConfigMgr::isMacPaltform());
#endif
    }
};

CV_SETTINGS_TEST_MAIN(TstConfigMgr)
#include "tst_configmgr.moc"
