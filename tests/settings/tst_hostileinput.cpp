// Settings files and product plaintexts made to exhaust memory, time or the
// stack. Each must load without crashing, within a bounded growth of the peak
// resident set, and must not keep the rest of the configuration from loading.

#include "TestEnvironment.h"

#include "ClientConfig.h"
#include "ConfigMgr.h"
#include "ConfigMgr_p.h"
#include "IntercomConfig.h"
#include "JoinMeetingSetting.h"
#include "LoginSetting.h"
#include "LoginSettingUser.h"
#include "NormalSetting.h"
#include "ProductFiles_p.h"
#include "ServerSetting.h"
#include "ThirdLoginConfig.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// Sanitizer builds keep freed memory in quarantine and shadow every byte, so
// their bounds are wider.
#if defined(__SANITIZE_ADDRESS__)
constexpr qint64 kSlack = 3;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr qint64 kSlack = 3;
#else
constexpr qint64 kSlack = 1;
#endif
#else
constexpr qint64 kSlack = 1;
#endif

qint64 statusKib(const char* field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLongLong();
    return -1;
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
    qint64 mib() const { return (statusKib("VmHWM:") - start) / 1024; }
};

// The part of a settings file that must load whatever else the file holds.
const QByteArray kGoodSections = "[Normal]\nLanguage=7\nAutoRun=true\n\n"
                                 "[Login]\nLastLoginUser=ann@example.invalid\nUsers\\size=1\n"
                                 "Users\\1\\Email=ann@example.invalid\nUsers\\1\\Password=@ByteArray()\n\n";

} // namespace

class tst_HostileInput : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void hostileSettingsFile_data();
    void hostileSettingsFile();
    void hostilePlaintext_data();
    void hostilePlaintext();
    void hostileDataFiles_data();
    void hostileDataFiles();

private:
    ConfigMgr* m_mgr = nullptr;
    QString m_file;
};

void tst_HostileInput::init()
{
    m_mgr = ConfigMgr::createInstance();
    m_file = ConfigMgrPrivate::get(m_mgr)->settingsFilePath;
    QFile::remove(m_file);
}

void tst_HostileInput::cleanup()
{
    ConfigMgr::destroyInstance();
    QFile::remove(m_file);
}

void tst_HostileInput::hostileSettingsFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("accounts");
    QTest::addColumn<qint64>("boundMib");

    QByteArray filler = "[Filler]\n";
    filler.reserve(51 << 20);
    for (int i = 0; filler.size() < 50 << 20; ++i)
        filler += "Key" + QByteArray::number(i) + "=" + QByteArray(64, 'v') + "\n";
    QTest::newRow("50 MB file") << kGoodSections + filler << 1 << qint64(1500);
    QTest::newRow("10 MB line") << kGoodSections + "[JoinMeeting]\nNickName=" + QByteArray(10 << 20, 'n') + "\n"
                                << 1 << qint64(400);
    QTest::newRow("2,000,000,000 accounts") << kGoodSections
            + "[Login]\nUsers\\size=2000000000\nUsers\\2000000000\\Email=last@example.invalid\n"
              "Users\\1999999999\\Email=\nUsers\\0\\Email=zero@example.invalid\n"
                                            << 2 << qint64(50);
    QTest::newRow("1 MiB password") << kGoodSections
            + "[Login]\nUsers\\size=2\nUsers\\2\\Email=big@example.invalid\nUsers\\2\\Password=@ByteArray("
            + QByteArray(1 << 20, 'p')
            + ")\n" << 2 << qint64(200);
    // Enumerations are stored as plain integers; any int must load as one.
    QTest::newRow("enumeration out of range") << kGoodSections + "[Record]\nRecordType=2147483647\n" << 1 << qint64(50);
    static const char raw[] = "[Normal]\nLang\0uage=3\nAutoRun=\xff\xfe\n[Me\0eting]\nAudioDefaultMute=\xc0\x80\n"
                              "[Login]\nUsers\\size=2\nUsers\\2\\Email=\xc3\x28\xed\xa0\x80@example.invalid\n"
                              "Users\\2\\Password=@ByteArray(\0\xff)\n\xf8\x88\x80\x80\x80=\0\n";
    QTest::newRow("NUL and invalid UTF-8") << kGoodSections + QByteArray(raw, int(sizeof raw) - 1) << 2 << qint64(50);
}

// Each file carries good "Normal" and "Login" sections beside the hostile part.
void tst_HostileInput::hostileSettingsFile()
{
    QFETCH(QByteArray, content);
    QFETCH(int, accounts);
    QFETCH(qint64, boundMib);
    {
        QFile f(m_file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(content), qint64(content.size()));
    }
    content.clear();
    content.squeeze();

    QElapsedTimer clock;
    clock.start();
    const PeakGrowth peak;
    m_mgr->loadConfig();
    const LoginSetting& login = m_mgr->loginSetting();
    QCOMPARE(int(m_mgr->normalSetting().language()), 7);
    QVERIFY(m_mgr->normalSetting().autoRun());
    QCOMPARE(login.lastLoginUser(), QStringLiteral("ann@example.invalid"));
    QVERIFY(login.users().contains(QStringLiteral("ann@example.invalid")));
    QCOMPARE(login.users().size(), accounts);

    // A save of what was loaded reads back the same, hostile parts included.
    const QMap<QString, LoginSettingUser> users = login.users();
    const QString nickname = m_mgr->joinMeetingSetting().nickname();
    m_mgr->saveLoginSetting();
    m_mgr->saveJoinMeetingSetting();
    ConfigMgr::destroyInstance();
    m_mgr = ConfigMgr::createInstance();
    m_mgr->loadConfig();
    QCOMPARE(m_mgr->loginSetting().users().keys(), users.keys());
    for (const LoginSettingUser& u : users)
        QCOMPARE(m_mgr->loginSetting().user(u.email()).password(), u.password());
    QCOMPARE(m_mgr->joinMeetingSetting().nickname(), nickname);
    QCOMPARE(int(m_mgr->normalSetting().language()), 7);

    qInfo("%s: %lld ms, peak resident set grew by %lld MiB", QTest::currentDataTag(),
        static_cast<long long>(clock.elapsed()), static_cast<long long>(peak.mib()));
    QVERIFY2(peak.mib() <= boundMib * kSlack, qPrintable(QStringLiteral("%1 MiB").arg(peak.mib())));
}

void tst_HostileInput::hostilePlaintext_data()
{
    QTest::addColumn<int>("loader");
    QTest::addColumn<QByteArray>("plaintext");

    const int depth = 100000;
    QTest::newRow("XML nested 100,000 deep")
        << 0 << "<root>" + QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth) + "</root>";
    QTest::newRow("XML nested inside the read element")
        << 0 << "<root><Version>" + QByteArray("<a>").repeated(depth) + "</Version></root>";
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
void tst_HostileInput::hostilePlaintext()
{
    QFETCH(int, loader);
    QFETCH(QByteArray, plaintext);
    ConfigMgrPrivate& d = *ConfigMgrPrivate::get(m_mgr);

    const PeakGrowth peak;
    if (loader == 0) {
        cvsettings::applyClientConfig(d, plaintext);
        QCOMPARE(m_mgr->clientConfig().version(), QStringLiteral("0.0.0.0"));
        QVERIFY(cvsettings::applyClientConfig(d, "<root><Version>1.2</Version></root>"));
        QCOMPARE(m_mgr->clientConfig().version(), QStringLiteral("1.2"));
    } else {
        cvsettings::applyServerDataFile(d, plaintext);
        QCOMPARE(m_mgr->serverSetting().frontServer(), QString());
        QCOMPARE(m_mgr->intercomConfig().width(), 0);
        cvsettings::applyServerDataFile(d, "{\"FrontServer\":\"f\",\"Intercom\":{\"Width\":5}}");
        QCOMPARE(m_mgr->serverSetting().frontServer(), QStringLiteral("f"));
        QCOMPARE(m_mgr->intercomConfig().width(), 5);
    }
    QVERIFY2(peak.mib() <= 64 * kSlack, qPrintable(QStringLiteral("%1 MiB").arg(peak.mib())));
}

void tst_HostileInput::hostileDataFiles_data()
{
    QTest::addColumn<QString>("kind");
    for (const char* kind : { "200 MB length", "fifo", "symlink to a fifo", "directory", "character device", "socket" })
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

// Three product data files are replaced by something that is not a data file
// the reader could take: a header claiming a 200 MB plaintext in a few hundred
// bytes (refused without allocating for it), or no regular file at all, which
// must be refused without waiting for a writer or a device. The good file
// beside them still loads. A hang here ends in the CTest timeout.
void tst_HostileInput::hostileDataFiles()
{
    QFETCH(QString, kind);
    QFile packed(QStringLiteral(CV_TEST_DATA_DIR "/packed/config.data"));
    QVERIFY(packed.open(QIODevice::ReadOnly));
    const QByteArray good = packed.readAll();
    QTemporaryDir appDir;
    QVERIFY(appDir.isValid());
    QFile config(appDir.filePath(QStringLiteral("config.data")));
    QVERIFY(config.open(QIODevice::WriteOnly) && config.write(good) == good.size());
    config.close();

    // The length field is masked by XOR: swapping the plaintext's 254 bytes
    // for 200 MB needs no knowledge of the mask.
    QByteArray hostile = good;
    const quint32 field = quint32(quint8(good[0])) | quint32(quint8(good[1])) << 8 | quint32(quint8(good[2])) << 16
        | quint32(quint8(good[3])) << 24;
    const quint32 patched = field ^ 254u ^ (200u << 20);
    for (int i = 0; i < 4; ++i)
        hostile[i] = char(patched >> (8 * i));
    for (const char* name : { "omsurl.data", "thirdconfig.data", "cvserver.data" }) {
        const QByteArray path = QFile::encodeName(appDir.filePath(QLatin1String(name)));
        bool made = false;
        if (kind == QLatin1String("200 MB length")) {
            QFile f(QFile::decodeName(path));
            made = f.open(QIODevice::WriteOnly) && f.write(hostile) == hostile.size();
        } else if (kind == QLatin1String("fifo")) {
            made = ::mkfifo(path.constData(), 0600) == 0;
        } else if (kind == QLatin1String("symlink to a fifo")) {
            made = ::mkfifo((path + ".fifo").constData(), 0600) == 0
                && ::symlink((path + ".fifo").constData(), path) == 0;
        } else if (kind == QLatin1String("directory")) {
            made = ::mkdir(path.constData(), 0700) == 0;
        } else if (kind == QLatin1String("character device")) {
            made = ::symlink("/dev/zero", path.constData()) == 0;
        } else {
            sockaddr_un address {};
            address.sun_family = AF_UNIX;
            const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
            QVERIFY(s >= 0 && size_t(path.size()) < sizeof address.sun_path);
            qstrcpy(address.sun_path, path.constData());
            made = ::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
            ::close(s);
        }
        QVERIFY2(made, path.constData());
    }

    ConfigMgrPrivate::get(m_mgr)->appDirPath = appDir.path();
    const PeakGrowth peak;
    m_mgr->loadConfig();
    QVERIFY(m_mgr->omsUrlConfig().plan().isEmpty());
    QVERIFY(m_mgr->thirdLoginConfig(QStringLiteral("Google")).clientId().isEmpty());
    QCOMPARE(m_mgr->serverSetting().frontServer(), QString());
    qInfo("peak resident set grew by %lld MiB", static_cast<long long>(peak.mib()));
    QVERIFY2(peak.mib() <= 16 * kSlack, qPrintable(QStringLiteral("%1 MiB").arg(peak.mib())));
    if (m_mgr->clientConfig().version() != QStringLiteral("3.2.0.4127"))
        QSKIP("the library is built with another key than the packed test files");
}

CV_SETTINGS_TEST_MAIN(tst_HostileInput)
#include "tst_hostileinput.moc"
