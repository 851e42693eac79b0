// The four product data files: packed with cvdata into a temporary
// application directory and loaded by the manager's load steps, plus the
// plaintext rules (types, precedence, providers) through the apply seam.

#include "TestEnvironment.h"

#include "ConfigMgr_p.h"
#include "DataFile_p.h"
#include "ProductFiles_p.h"

#include <QDir>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <memory>
#include <vector>

using namespace cvsettings;

// The data files are made with the producer tool of this build.
#ifdef CV_CVDATA
#define CV_REQUIRE_CVDATA()
#else
#define CV_REQUIRE_CVDATA() QSKIP("cvdata is not built")
#define CV_CVDATA ""
#define CV_DEV_KEY ""
#define CV_SAMPLE_SOURCE_DIR ""
#endif

namespace {

// Every property of a settings object by name.
QVariantMap values(const QObject& object)
{
    QVariantMap map;
    const QMetaObject* meta = object.metaObject();
    for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i)
        map.insert(QLatin1String(meta->property(i).name()), meta->property(i).read(&object));
    return map;
}

// Spies on every signal of some objects; fired() names those that fired.
class SignalLog
{
public:
    SignalLog(std::initializer_list<const QObject*> objects)
    {
        for (const QObject* object : objects) {
            const QMetaObject* meta = object->metaObject();
            for (int i = QObject::staticMetaObject.methodCount(); i < meta->methodCount(); ++i) {
                if (meta->method(i).methodType() == QMetaMethod::Signal)
                    spies.emplace_back(new QSignalSpy(object, meta->method(i)));
            }
        }
    }
    QStringList fired() const
    {
        QStringList names;
        for (const auto& spy : spies) {
            if (!spy->isEmpty())
                names << QString::fromLatin1(spy->signal()).section(QLatin1Char('('), 0, 0);
        }
        return names;
    }

private:
    std::vector<std::unique_ptr<QSignalSpy>> spies;
};

const QByteArray kFullConfig = "<root><GroupName>G</GroupName><ProductName>P</ProductName><BuildNum>77</BuildNum>"
                               "<Version>1.2.3.4</Version><ProductSeries>5</ProductSeries><ProductID>id-9</ProductID>"
                               "<ClientType>6</ClientType><TerminalType>7</TerminalType><ClientMode>8</ClientMode>"
                               "<Extra>x</Extra></root>";

} // namespace

class TestProductFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir appDir;
    ConfigMgr* mgr = nullptr;
    ConfigMgrPrivate* d = nullptr;

    // Packs `plaintext` into appDir/name with the development key.
    void pack(const QString& name, const QByteArray& plaintext, const QString& dir = QString())
    {
        const QString plainPath = appDir.filePath(QStringLiteral("plain.tmp"));
        QFile plain(plainPath);
        QVERIFY(plain.open(QIODevice::WriteOnly | QIODevice::Truncate));
        plain.write(plaintext);
        plain.close();
        const QString out = (dir.isEmpty() ? appDir.path() : dir) + QLatin1Char('/') + name;
        QProcess cvdata;
        cvdata.start(QStringLiteral(CV_CVDATA), {QStringLiteral("pack"), QStringLiteral("--force"),
                                                 QStringLiteral("--key"), QStringLiteral(CV_DEV_KEY), plainPath, out});
        QVERIFY(cvdata.waitForFinished(30000));
        QVERIFY2(cvdata.exitCode() == 0, cvdata.readAllStandardError().constData());
    }

private slots:
    void init()
    {
        QVERIFY(appDir.isValid());
        for (const QString& f : QDir(appDir.path()).entryList(QDir::Files))
            QFile::remove(appDir.filePath(f));
        mgr = ConfigMgr::createInstance();
        d = ConfigMgrPrivate::get(mgr);
        d->appDirPath = appDir.path();
        d->settingsFilePath = appDir.filePath(QStringLiteral("settings.ini"));
    }
    void cleanup() { ConfigMgr::destroyInstance(); }

    void noFilesLeavesDefaults()
    {
        const QVariantMap client = values(mgr->clientConfig()), server = values(mgr->serverSetting()),
                          intercom = values(mgr->intercomConfig()), urls = values(mgr->omsUrlConfig());
        SignalLog log{d->clientConfig, d->omsUrlConfig, d->serverSetting, d->intercomConfig};
        mgr->loadConfig();
        QCOMPARE(values(mgr->clientConfig()), client);
        QCOMPARE(values(mgr->serverSetting()), server);
        QCOMPARE(values(mgr->intercomConfig()), intercom);
        QCOMPARE(values(mgr->omsUrlConfig()), urls);
        QVERIFY(log.fired().isEmpty());
        QVERIFY(d->thirdLoginConfigs.isEmpty() && d->thirdContactsConfigs.isEmpty());
        QVERIFY(d->thirdCalendarConfigs.isEmpty());
        QCOMPARE(values(mgr->thirdLoginConfig(mgr->google())), values(ThirdLoginConfig()));
        QVERIFY(!mgr->thirdContactsConfig(mgr->outlook()) && !mgr->thirdCalendarConfig(mgr->google()));
    }

    // The sample deployment loads whole, and loading it again signals nothing.
    void sampleDeploymentAndReload()
    {
        CV_REQUIRE_CVDATA();
        for (const char* name : {"config.xml", "omsurl.xml", "thirdconfig.xml", "cvserver.json"}) {
            QFile sample(QStringLiteral(CV_SAMPLE_SOURCE_DIR "/") + QLatin1String(name));
            QVERIFY(sample.open(QIODevice::ReadOnly));
            pack(QFileInfo(sample).baseName() + QStringLiteral(".data"), sample.readAll());
        }
        mgr->loadConfig();
        QCOMPARE(mgr->clientConfig().productName(), QStringLiteral("ExampleMeet Desktop"));
        QCOMPARE(mgr->clientConfig().buildNum(), 4127);
        QCOMPARE(mgr->omsUrlConfig().storageUrl(), QStringLiteral("https://cloud.example.invalid/storage"));
        QCOMPARE(mgr->serverSetting().meetingAppId(), 12);
        QCOMPARE(mgr->intercomConfig().height(), 720);
        QCOMPARE(QStringList(d->thirdLoginConfigs.keys()), (QStringList{"Facebook", "Google", "Outlook"}));
        QCOMPARE(mgr->thirdLoginConfig(mgr->google()).scope(), QStringLiteral("openid email profile"));
        QCOMPARE(d->thirdCalendarConfigs.size(), 2);

        SignalLog log{mgr, d->clientConfig, d->omsUrlConfig, d->serverSetting, d->intercomConfig,
                      d->thirdContactsConfigs.first()};
        mgr->loadConfig();
        QCOMPARE(log.fired(), QStringList());
    }

    void clientConfigElements()
    {
        CV_REQUIRE_CVDATA();
        // A root with only Version, over the defaults: missing texts become
        // empty and missing numbers 0, each change signalled.
        ClientConfig& c = *d->clientConfig;
        SignalLog log{&c};
        pack(QStringLiteral("config.data"), "<root><Version>9</Version></root>");
        QVERIFY(loadClientConfig(*d));
        QCOMPARE(log.fired(), (QStringList{"versionChanged", "groupNameChanged", "productNameChanged",
                                           "productSeriesChanged", "clientTypeChanged", "clientModeChanged"}));
        QCOMPARE(c.groupName(), QString());
        QCOMPARE(c.clientMode(), 0);

        pack(QStringLiteral("config.data"), kFullConfig);
        QVERIFY(loadClientConfig(*d));
        const QVariantMap loaded{{"groupName", "G"}, {"productName", "P"}, {"buildNum", 77LL}, {"version", "1.2.3.4"},
                                 {"productSeries", 5}, {"productId", "id-9"}, {"clientType", 6},
                                 {"terminalType", 7}, {"clientMode", 8}};
        for (auto it = loaded.begin(); it != loaded.end(); ++it)
            QCOMPARE(c.property(qPrintable(it.key())), it.value());

        // Names match exactly, case included; another document element is no file at all.
        QVERIFY(applyClientConfig(*d, "<root><version>1</version><Version>2</Version></root>"));
        QCOMPARE(c.version(), QStringLiteral("2"));
        QVERIFY(!applyClientConfig(*d, "<Root><Version>3</Version></Root>"));
        QVERIFY(!applyClientConfig(*d, "<root><Version>3</Version>"));
        QCOMPARE(c.version(), QStringLiteral("2"));
    }

    void buildNumber_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qlonglong>("expected");
        QTest::newRow("negative") << QByteArray("-5") << -5LL;
        QTest::newRow("int max") << QByteArray("2147483647") << 2147483647LL;
        QTest::newRow("beyond 32 bits") << QByteArray("4294967296") << 0LL;
        QTest::newRow("just beyond int") << QByteArray("2147483648") << 0LL;
        QTest::newRow("not a number") << QByteArray("12a") << 0LL;
        QTest::newRow("fraction") << QByteArray("1.5") << 0LL;
    }
    void buildNumber()
    {
        QFETCH(QByteArray, text);
        QFETCH(qlonglong, expected);
        d->clientConfig->setBuildNum(99);
        QVERIFY(applyClientConfig(*d, "<root><BuildNum>" + text + "</BuildNum></root>"));
        QCOMPARE(mgr->clientConfig().buildNum(), expected);
    }

    void webAddresses()
    {
        CV_REQUIRE_CVDATA();
        pack(QStringLiteral("omsurl.data"),
             "<oms><url><MyPlan>a</MyPlan><UpdatePlan>b</UpdatePlan><SignUp>c</SignUp><ForgotPwd>d</ForgotPwd>"
             "<Help>e</Help></url><webinar><Schedule>f</Schedule><LearnMore>g</LearnMore><DetailMore>h</DetailMore>"
             "</webinar><cloud><RecordList>i</RecordList><Storage>j</Storage></cloud></oms>");
        loadOmsUrlConfig(*d);
        QStringList got;
        for (const QVariant& v : values(mgr->omsUrlConfig()))
            got << v.toString();
        got.sort();
        QCOMPARE(got.join(QString()), QStringLiteral("abcdefghij"));

        // A group present clears its missing leaves; groups absent, or named in
        // another case, leave theirs alone.
        SignalLog log{d->omsUrlConfig};
        applyOmsUrlConfig(*d, "<oms><url><MyPlan>a</MyPlan><UpdatePlan>b</UpdatePlan><SignUp>c</SignUp>"
                              "<ForgotPwd>d</ForgotPwd></url><Webinar/><cloud><recordlist>z</recordlist>"
                              "<RecordList>i</RecordList></cloud></oms>");
        QCOMPARE(log.fired(), (QStringList{"helpChanged", "storageUrlChanged"}));
        QCOMPARE(mgr->omsUrlConfig().storageUrl(), QString());
        QCOMPARE(mgr->omsUrlConfig().webinarSchedule(), QStringLiteral("f"));
    }

    void providers()
    {
        CV_REQUIRE_CVDATA();
        pack(QStringLiteral("thirdconfig.data"),
             "<root><Third><ThirdName>Stray</ThirdName></Third><ThirdLogin>"
             "<Third><ThirdName>Google</ThirdName><ClientID>first</ClientID></Third><Other/>"
             "<Third><ThirdName>Google</ThirdName><ClientID>id</ClientID><ClientSecret>s</ClientSecret>"
             "<Scope>  a b  </Scope><RedirectUrl>r</RedirectUrl><OAuthUrl>o</OAuthUrl><oauthurl>x</oauthurl>"
             "<TokenUrl>t</TokenUrl><ResultUrl>u</ResultUrl></Third><Third><ClientID>nameless</ClientID></Third>"
             "</ThirdLogin><ThirdLogin><Third><ThirdName>Late</ThirdName></Third></ThirdLogin>"
             "<ThirdContacts><Third><ThirdName>Outlook</ThirdName><RedirectUrl>r</RedirectUrl><OAuthUrl>o</OAuthUrl>"
             "<TokenUrl>t</TokenUrl><ResultUrl>u</ResultUrl><ResultRequestHeader>h: v</ResultRequestHeader></Third>"
             "</ThirdContacts><ThirdCalendar><Third><ThirdName>Outlook</ThirdName><RedirectUrl>r</RedirectUrl>"
             "<OAuthUrl>o</OAuthUrl><TokenUrl>t</TokenUrl><ResultUrl>u</ResultUrl></Third></ThirdCalendar></root>");
        loadThirdConfigs(*d);
        QCOMPARE(QStringList(d->thirdLoginConfigs.keys()), (QStringList{QString(), "Google"}));
        const QVariantMap google{{"name", "Google"}, {"clientId", "id"}, {"clientSecret", "s"}, {"scope", "  a b  "},
                                 {"redirectUrl", "r"}, {"oauthUrl", "o"}, {"tokenUrl", "t"}, {"resultUrl", "u"}};
        QCOMPARE(values(mgr->thirdLoginConfig(QStringLiteral("Google"))), google);
        QCOMPARE(mgr->thirdLoginConfig(QString()).clientId(), QStringLiteral("nameless"));
        QCOMPARE(values(mgr->thirdLoginConfig(QStringLiteral("google"))), values(ThirdLoginConfig()));

        ThirdContactsConfig* contacts = mgr->thirdContactsConfig(mgr->outlook());
        QVERIFY(contacts && contacts->parent() == mgr);
        QCOMPARE(contacts->resultRequestHeader(), QStringLiteral("h: v"));
        QCOMPARE(mgr->thirdCalendarConfig(mgr->outlook())->resultUrl(), QStringLiteral("u"));
        QVERIFY(!mgr->thirdCalendarConfig(mgr->google()));

        // Reachable through the meta-object as methods 4 and 5.
        const int offset = ConfigMgr::staticMetaObject.methodOffset();
        ThirdContactsConfig* viaMeta = nullptr;
        QVERIFY(ConfigMgr::staticMetaObject.method(offset + 4).invoke(
            mgr, Q_RETURN_ARG(ThirdContactsConfig*, viaMeta), Q_ARG(QString, QStringLiteral("Outlook"))));
        QCOMPARE(viaMeta, contacts);
        QCOMPARE(ConfigMgr::staticMetaObject.method(offset + 5).methodSignature(),
                 QByteArray("thirdCalendarConfig(QString)"));

        // A copy is the caller's own.
        ThirdLoginConfig copy = mgr->thirdLoginConfig(mgr->google());
        copy.setClientId(QStringLiteral("changed"));
        QCOMPARE(mgr->thirdLoginConfig(mgr->google()).clientId(), QStringLiteral("id"));

        // A reload files new objects; old names stay, old pointers stay valid.
        applyThirdConfigs(*d, "<root><ThirdContacts><Third><ThirdName>Google</ThirdName></Third>"
                              "</ThirdContacts></root>");
        QCOMPARE(QStringList(d->thirdContactsConfigs.keys()), (QStringList{"Google", "Outlook"}));
        QCOMPARE(mgr->thirdContactsConfig(mgr->outlook()), contacts);
        QCOMPARE(contacts->tokenUrl(), QStringLiteral("t"));
        QCOMPARE(d->thirdLoginConfigs.size(), 2);
    }

    void serverFile()
    {
        CV_REQUIRE_CVDATA();
        pack(QStringLiteral("cvserver.data"),
             R"({"FrontSrvAppID": "31", "RoomAppID": 0, "FrontServer": "f", "A2Server": "a", "ImServer": 12.7,
                 "WebService": "w", "HttpApiRootUrl": "h", "LocalRootUrl": "l", "frontserver": "x",
                 "Intercom": {"AppId": "i", "AccessToken": "t", "AppVersionDesc": "v", "AppDeviceDesc": "d",
                              "AppOsName": "o", "Width": "320", "Height": 240}})");
        loadServerDataFile(*d);
        const QVariantMap server{{"frontServer", "f"}, {"meetingServer", ""}, {"a2Server", "a"}, {"imServer", "12"},
                                 {"localApi", "l"}, {"ucApi", "h"}, {"webService", "w"}, {"frontAppId", 31},
                                 {"meetingAppId", 0}};
        QCOMPARE(values(mgr->serverSetting()), server);
        const QVariantMap intercom{{"appId", "i"}, {"accessToken", "t"}, {"appVersionDesc", "v"},
                                   {"appDeviceDesc", "d"}, {"appOsName", "o"}, {"width", 320}, {"height", 240}};
        QCOMPARE(values(mgr->intercomConfig()), intercom);

        // Empty texts never clear; ids apply whatever their value; an Intercom
        // that is not an object changes nothing.
        SignalLog log{d->intercomConfig};
        applyServerDataFile(*d, R"({"FrontServer": "", "RoomAppID": true, "A2Server": null, "Intercom": [1, 2]})");
        QCOMPARE(mgr->serverSetting().frontServer(), QStringLiteral("f"));
        QCOMPARE(mgr->serverSetting().a2Server(), QStringLiteral("a"));
        QVERIFY(log.fired().isEmpty());
        applyServerDataFile(*d, R"({"RoomAppID": "7", "ImServer": -3.9, "LocalRootUrl": true})");
        QCOMPARE(mgr->serverSetting().meetingAppId(), 7);
        QCOMPARE(mgr->serverSetting().imServer(), QStringLiteral("-3"));
        QCOMPARE(mgr->serverSetting().localApi(), QStringLiteral("true"));
        applyServerDataFile(*d, R"([{"RoomAppID": 5}])");
        QCOMPARE(mgr->serverSetting().meetingAppId(), 7);
    }

    // The settings file's "Server" section wins over the product file.
    void serverSectionOverrides()
    {
        CV_REQUIRE_CVDATA();
        pack(QStringLiteral("cvserver.data"), R"({"FrontSrvAppID": 30, "RoomAppID": 40, "WebService": "file"})");
        {
            QSettings ini(d->settingsFilePath, QSettings::IniFormat);
            ini.setValue(QStringLiteral("Server/WebService"), QStringLiteral("singular"));
            ini.setValue(QStringLiteral("Server/FrontAppId"), QStringLiteral("abc"));
            ini.setValue(QStringLiteral("Server/MeetingServer"), QStringLiteral("m"));
        }
        mgr->loadConfig();
        QCOMPARE(mgr->serverSetting().webService(), QStringLiteral("file"));
        QCOMPARE(mgr->serverSetting().frontAppId(), 0);
        QCOMPARE(mgr->serverSetting().meetingAppId(), 40);
        QCOMPARE(mgr->serverSetting().meetingServer(), QStringLiteral("m"));
    }

    // The container reader takes 259 UTF-16 units at most, terminator
    // included; units, not UTF-8 bytes, count.
    void pathLengthLimit()
    {
        CV_REQUIRE_CVDATA();
        // Folder levels of 100 units, then a file name that makes up the rest;
        // "é" is one unit but two bytes.
        QString folder = appDir.filePath(QStringLiteral("long"));
        while (259 - folder.size() > 120)
            folder += QLatin1Char('/') + QString(100, QChar(0xe9));
        QVERIFY(QDir().mkpath(folder));
        for (int units : {258, 259}) {
            const QString name = QString(units - folder.size() - 1 - 5, QChar(0xe9)) + QStringLiteral(".data");
            pack(name, kFullConfig, folder);
            const QString path = folder + QLatin1Char('/') + name;
            QCOMPARE(path.size(), units);
            QByteArray out("unchanged");
            QCOMPARE(readDataFile(path, out), units == 258);
            QCOMPARE(out == "unchanged", units == 259);
        }
        QByteArray out("unchanged");
        QVERIFY(!readDataFile(appDir.filePath(QStringLiteral("missing.data")), out));
        pack(QStringLiteral("empty.data"), QByteArray());
        QVERIFY(!readDataFile(appDir.filePath(QStringLiteral("empty.data")), out));
        QCOMPARE(out, QByteArray("unchanged"));
    }
};

CV_SETTINGS_TEST_MAIN(TestProductFiles)
#include "tst_productfiles.moc"
