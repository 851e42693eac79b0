// Settings files, product plaintexts and product data files made to exhaust
// memory, time or the stack: each must load without crashing, within a
// bounded growth of the peak resident set, and must not keep the rest of the
// configuration from loading.

#include "ManagerFixture.h"

#include "ConfigMgr_p.h"
#include "ProductFiles_p.h"

#include <QDir>
#include <QtEndian>

#include <vector>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// Sanitizer builds keep freed memory in quarantine and shadow every byte, so
// their bounds are wider.
constexpr qint64 kSlack = CV_SANITIZED ? 3 : 1;

qint64 statusKib(const char* field)
{
    const QByteArray status = cvtest::readFile(QStringLiteral("/proc/self/status"));
    const int at = status.indexOf(field);
    return at < 0 ? -1 : status.mid(at + int(qstrlen(field))).trimmed().split(' ').value(0).toLongLong();
}

// Growth of the peak resident set from the start of a case, in MiB.
struct PeakGrowth {
    qint64 start;
    PeakGrowth()
    {
#ifdef __GLIBC__
        malloc_trim(0); // what earlier cases freed must not hide this one's growth
#endif
        QFile reset(QStringLiteral("/proc/self/clear_refs"));
        if (reset.open(QIODevice::WriteOnly))
            reset.write("5"); // the peak restarts from the current resident set
        start = statusKib("VmRSS:");
    }
    // Whether the growth stays within `boundMib` (sanitizer slack included).
    bool within(qint64 boundMib) const { return (statusKib("VmHWM:") - start) / 1024 <= boundMib * kSlack; }
};

// The part of a settings file that must load whatever else the file holds.
const QByteArray kGoodSections = "[Normal]\nLanguage=7\nAutoRun=true\n\n"
                                 "[Login]\nLastLoginUser=ann@example.invalid\nUsers\\size=1\n"
                                 "Users\\1\\Email=ann@example.invalid\nUsers\\1\\Password=@ByteArray()\n\n";

} // namespace

class TstConfigMgrHostile : public ManagerFixture
{
    Q_OBJECT

private slots:
    void hostileSettingsFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("accounts");
        QTest::addColumn<qint64>("boundMib");

        QByteArray filler = "[Filler]\n";
        filler.reserve(51 << 20);
        for (int i = 0; filler.size() < 50 << 20; ++i)
            filler += "Key" + QByteArray::number(i) + "=" + QByteArray(64, 'v') + "\n";
        QTest::newRow("50 MB file") << filler << 1 << qint64(1500);
        QTest::newRow("10 MB line") << "[JoinMeeting]\nNickName=" + QByteArray(10 << 20, 'n') + "\n"
                                    << 1 << qint64(400);
        QTest::newRow("2,000,000,000 accounts")
            << QByteArray("[Login]\nUsers\\size=2000000000\nUsers\\2000000000\\Email=last@example.invalid\n"
                          "Users\\1999999999\\Email=\nUsers\\0\\Email=zero@example.invalid\n")
            << 2 << qint64(50);
        QTest::newRow("1 MiB password")
            << "[Login]\nUsers\\size=2\nUsers\\2\\Email=big@example.invalid\nUsers\\2\\Password=@ByteArray("
                + QByteArray(1 << 20, 'p') + ")\n"
            << 2 << qint64(200);
        // Enumerations are stored as plain integers; any int must load as one.
        QTest::newRow("enumeration out of range") << QByteArray("[Record]\nRecordType=2147483647\n") << 1 << qint64(50);
        static const char raw[] = "[Normal]\nLang\0uage=3\nAutoRun=\xff\xfe\n[Me\0eting]\nAudioDefaultMute=\xc0\x80\n"
                                  "[Login]\nUsers\\size=2\nUsers\\2\\Email=\xc3\x28\xed\xa0\x80@example.invalid\n"
                                  "Users\\2\\Password=@ByteArray(\0\xff)\n\xf8\x88\x80\x80\x80=\0\n";
        QTest::newRow("NUL and invalid UTF-8") << QByteArray(raw, int(sizeof raw) - 1) << 2 << qint64(50);
    }

    // Each file carries good "Normal" and "Login" sections beside the hostile part.
    void hostileSettingsFile()
    {
        ConfigMgr* mgr = ConfigMgr::createInstance();
        QFETCH(QByteArray, content);
        QFETCH(int, accounts);
        QFETCH(qint64, boundMib);
        cvtest::writeFile(m_ini, kGoodSections + content);
        content = QByteArray(); // the peak below must not count it

        const PeakGrowth peak;
        mgr->loadConfig();
        const LoginSetting& login = mgr->loginSetting();
        QCOMPARE(int(mgr->normalSetting().language()), 7);
        QVERIFY(mgr->normalSetting().autoRun());
        QCOMPARE(login.lastLoginUser(), QStringLiteral("ann@example.invalid"));
        QVERIFY(login.users().contains(QStringLiteral("ann@example.invalid")));
        QCOMPARE(login.users().size(), accounts);

        // A save of what was loaded reads back the same, hostile parts included.
        const QMap<QString, LoginSettingUser> users = login.users();
        const QString nickname = mgr->joinMeetingSetting().nickname();
        mgr->saveLoginSetting();
        mgr->saveJoinMeetingSetting();
        ConfigMgr::destroyInstance();
        mgr = ConfigMgr::createInstance();
        mgr->loadConfig();
        QCOMPARE(cvtest::describe(QVariant::fromValue(mgr->loginSetting().users())),
            cvtest::describe(QVariant::fromValue(users)));
        QCOMPARE(mgr->joinMeetingSetting().nickname(), nickname);
        QCOMPARE(int(mgr->normalSetting().language()), 7);

        QVERIFY(peak.within(boundMib));
    }

    void hostilePlaintext_data()
    {
        QTest::addColumn<int>("loader");
        QTest::addColumn<QByteArray>("plaintext");

        const int depth = 100000;
        QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE root [<!ENTITY l0 \"lol\">";
        for (int i = 1; i <= 9; ++i)
            laughs += "<!ENTITY l" + QByteArray::number(i) + " \""
                + QByteArray("&l" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
        QTest::newRow("billion laughs") << 0 << laughs + "]><root><Version>&l9;</Version></root>";
        QTest::newRow("JSON nested 100,000 deep")
            << 1 << "{\"FrontServer\":" + QByteArray("[").repeated(depth) + QByteArray("]").repeated(depth) + "}";
        QTest::newRow("JSON objects nested 100,000 deep")
            << 1 << QByteArray("{\"Intercom\":").repeated(depth) + "1" + QByteArray("}").repeated(depth);
    }

    // A hostile plaintext changes nothing, and the same loader then still reads a
    // good one.
    void hostilePlaintext()
    {
        QFETCH(int, loader);
        QFETCH(QByteArray, plaintext);
        ConfigMgrPrivate d(nullptr, {});

        const PeakGrowth peak;
        if (loader == 0) {
            cvsettings::applyClientConfig(d, plaintext);
            QCOMPARE(d.clientConfig->version(), QStringLiteral("0.0.0.0"));
            cvsettings::applyClientConfig(d, "<root><Version>1.2</Version></root>");
            QCOMPARE(d.clientConfig->version(), QStringLiteral("1.2"));
        } else {
            cvsettings::applyServerDataFile(d, plaintext);
            QCOMPARE(d.serverSetting->frontServer(), QString());
            QCOMPARE(d.intercomConfig->width(), 0);
            cvsettings::applyServerDataFile(d, "{\"FrontServer\":\"f\",\"Intercom\":{\"Width\":5}}");
            QCOMPARE(d.serverSetting->frontServer(), QStringLiteral("f"));
            QCOMPARE(d.intercomConfig->width(), 5);
        }
        QVERIFY(peak.within(64));
    }

    void hostileDataFiles_data()
    {
        QTest::addColumn<QByteArray>("kind");
        // Windows has no pipes or devices at a path of a folder; the data-file
        // reader's own tests open those through CreateFileW.
#ifdef Q_OS_WIN
        for (const char* kind : { "200 MB length", "directory" })
#else
        for (const char* kind : { "200 MB length", "fifo", "symlink to a fifo", "directory", "character device" })
#endif
            QTest::newRow(kind) << QByteArray(kind);
    }

    // Three product data files are a header claiming 200 MB in a few hundred bytes
    // (refused without allocating for it) or no regular file at all (refused
    // without waiting on it; a hang ends in the CTest timeout). The good one loads.
    void hostileDataFiles()
    {
        QFETCH(QByteArray, kind);
        const QByteArray good = cvtest::readFile(QStringLiteral(CV_TEST_DATA_DIR "/productfiles/packed/config.data"));
        QTemporaryDir appDir;
        QVERIFY(!good.isEmpty() && appDir.isValid());
        cvtest::writeFile(appDir.filePath(QStringLiteral("config.data")), good);

        // The length field is masked by XOR: swapping the plaintext's 254 bytes
        // for 200 MB needs no knowledge of the mask.
        QByteArray hostile = good;
        qToLittleEndian(qFromLittleEndian<quint32>(good.constData()) ^ 254u ^ (200u << 20), hostile.data());
        std::vector<int> writers;
        for (const char* name : { "omsurl.data", "thirdconfig.data", "cvserver.data" }) {
            const QByteArray path = QFile::encodeName(appDir.filePath(QLatin1String(name)));
            bool made = false;
            if (kind == "200 MB length") {
                QFile f(QFile::decodeName(path));
                made = f.open(QIODevice::WriteOnly) && f.write(hostile) == hostile.size();
            } else if (kind == "directory") {
                made = QDir().mkdir(QFile::decodeName(path));
#ifndef Q_OS_WIN
            } else if (kind.endsWith("fifo")) {
                const QByteArray fifo = kind == "fifo" ? path : path + ".fifo";
                made
                    = ::mkfifo(fifo.constData(), 0600) == 0 && (fifo == path || ::symlink(fifo.constData(), path) == 0);
                writers.push_back(::open(fifo.constData(), O_RDWR)); // a writer that never writes
            } else {
                made = ::symlink("/dev/zero", path.constData()) == 0;
#endif
            }
            QVERIFY2(made, path.constData());
        }

        ConfigMgrPrivate d(nullptr, { appDir.path(), {} });
        const PeakGrowth peak;
        cvsettings::loadAll(d);
        QVERIFY(d.thirdLoginConfigs.isEmpty());
        QVERIFY(peak.within(16));
#ifndef Q_OS_WIN
        for (int fd : writers)
            ::close(fd);
#endif
        // The packed fixture holds the sample configuration under the development
        // key (re-pack it with tests/data/productfiles/packed/pack.sh after a change of that key).
        if (d.clientConfig->version() != QStringLiteral("3.2.0.4127") && !CV_DEVELOPMENT_KEYS)
            CV_QSKIP("the library is built with another key than the packed test files");
        QCOMPARE(d.clientConfig->version(), QStringLiteral("3.2.0.4127"));
    }
};

CV_SETTINGS_TEST_MAIN(TstConfigMgrHostile)
#include "tst_configmgr_hostile.moc"
