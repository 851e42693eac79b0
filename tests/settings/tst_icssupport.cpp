// The calendar-file query: the Windows decision on every platform, the
// freedesktop.org association rules on hand-written files, and the step of
// the load sequence that stores the answer.

#include "TestEnvironment.h"

#include "ConfigMgr.h"
#include "IcsSupport_p.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace cvsettings::ics;

namespace {

void writeFile(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

AssociationFile list(const QByteArray& text) { return {AssociationFile::MimeAppsList, text}; }
AssociationFile cache(const QByteArray& text) { return {AssociationFile::MimeInfoCache, "[MIME Cache]\n" + text}; }

} // namespace

class TestIcsSupport : public QObject
{
    Q_OBJECT

    QTemporaryDir xdg; // stands in for the system's XDG_CONFIG_DIRS and XDG_DATA_DIRS
    QString userConfig, userData;

private slots:
    void initTestCase()
    {
        QVERIFY(xdg.isValid());
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(xdg.filePath(QStringLiteral("etc"))));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(xdg.filePath(QStringLiteral("share"))));
        qputenv("XDG_CURRENT_DESKTOP", "Test:Other");
        userConfig = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        userData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    }
    void cleanup()
    {
        QDir(userConfig).removeRecursively();
        QDir(userData).removeRecursively();
        QDir(xdg.path()).removeRecursively();
        ConfigMgr::destroyInstance();
    }

    // From the threshold on the registry is not even asked.
    void windowsDecision()
    {
        int asked = 0;
        const auto subkeys = [&asked](QStringList keys) { return [&asked, keys] { return ++asked, keys; }; };
        QVERIFY(windowsHandlesIcs(kWindowsVersionWithIcsHandler, subkeys({})));
        QVERIFY(windowsHandlesIcs(0x00c0, subkeys({})));
        QCOMPARE(asked, 0);
        QVERIFY(windowsHandlesIcs(0x009f, subkeys({"ShellEx", "openwithprogids"})));
        QVERIFY(!windowsHandlesIcs(0x0090, subkeys({})));
        QVERIFY(!windowsHandlesIcs(0x0090, subkeys({"OpenWithList", "OpenWithProgids2"})));
        QCOMPARE(asked, 3);
    }

    void associationRules()
    {
        const QString mime = QStringLiteral("text/calendar");
        const auto installed = [](const QString& id) { return id != QLatin1String("gone.desktop"); };
        QVERIFY(!hasMimeHandler({}, mime, installed));
        const auto handled = [&](const QByteArray& mimeapps) { return hasMimeHandler({list(mimeapps)}, mime, installed); };
        QVERIFY(handled("[Default Applications]\ntext/calendar=gone.desktop;cal.desktop;\n"));
        QVERIFY(!handled("[Default Applications]\ntext/calendar=gone.desktop\n"));
        QVERIFY(handled("# comment\n[Added Associations]\n Text/Calendar = cal.desktop \n"));
        // Other groups, other types and malformed lines count for nothing.
        QVERIFY(!hasMimeHandler({list("[Other]\ntext/calendar=cal.desktop\n[Added Associations]\ntext/calendar\n"
                                      "text/calendar-x=cal.desktop\n[Added Associations\ntext/calendar=x.desktop\n"),
                                 cache("text/plain=cal.desktop;\n")},
                                mime, installed));
        QVERIFY(hasMimeHandler({cache("text/plain=a.desktop;\ntext/calendar=cal.desktop;\n")}, mime, installed));

        // A removal hides the application in its own file and every later
        // one, but not in files of higher precedence.
        const AssociationFile removes = list("[Removed Associations]\ntext/calendar=cal.desktop;\n"
                                             "[Added Associations]\ntext/calendar=cal.desktop;\n");
        QVERIFY(!hasMimeHandler({removes, cache("text/calendar=cal.desktop;\n")}, mime, installed));
        QVERIFY(hasMimeHandler({removes, cache("text/calendar=cal.desktop;other.desktop\n")}, mime, installed));
        QVERIFY(hasMimeHandler({cache("text/calendar=cal.desktop;\n"), removes}, mime, installed));
    }

    // The files are found through QStandardPaths, desktop-specific ones
    // included, and named .desktop files must exist.
    void associationFilesOnDisk()
    {
        QVERIFY(!desktopHandlesCalendarFiles());
        const QString systemApps = xdg.filePath(QStringLiteral("share/applications"));
        writeFile(systemApps + "/mimeinfo.cache", "[MIME Cache]\ntext/calendar=vendor-cal.desktop;\n");
        QVERIFY(!desktopHandlesCalendarFiles()); // listed but not installed
        writeFile(systemApps + "/vendor/cal.desktop", "[Desktop Entry]\n");
        QVERIFY(isDesktopFileInstalled(QStringLiteral("vendor-cal.desktop")));
        QVERIFY(!isDesktopFileInstalled(QStringLiteral("vendor/cal.desktop")));
        QVERIFY(desktopHandlesCalendarFiles());

        writeFile(userConfig + "/other-mimeapps.list", "[Removed Associations]\ntext/calendar=vendor-cal.desktop\n");
        QVERIFY(!desktopHandlesCalendarFiles());
        writeFile(userConfig + "/test-mimeapps.list", "[Default Applications]\ntext/calendar=mine.desktop\n");
        writeFile(userData + "/applications/mine.desktop", "[Desktop Entry]\n");
        QVERIFY(desktopHandlesCalendarFiles());
        QCOMPARE(readAssociationFiles().size(), 3);
    }

    // Step 15 stores the answer, signals only a change, and overrides the client.
    void loadStep()
    {
        ConfigMgr* mgr = ConfigMgr::createInstance();
        QSignalSpy changed(mgr, &ConfigMgr::supportIcsFileChanged);
        QVERIFY(!mgr->supportIcsFile());
        mgr->loadConfig();
#ifdef Q_OS_WIN
        QCOMPARE(changed.count(), mgr->supportIcsFile() ? 1 : 0);
#else
        QVERIFY(!mgr->supportIcsFile());
        QCOMPARE(changed.count(), 0);
        writeFile(userData + "/applications/mimeapps.list", "[Added Associations]\ntext/calendar=cal.desktop\n");
        writeFile(userData + "/applications/cal.desktop", "[Desktop Entry]\n");
        mgr->loadConfig();
        QVERIFY(mgr->supportIcsFile());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.takeFirst().at(0).toBool(), true);
        mgr->loadConfig();
        QCOMPARE(changed.count(), 0);
        mgr->setSupportIcsFile(false);
        mgr->setSupportIcsFile(false);
        QCOMPARE(changed.count(), 1);
        mgr->loadConfig();
        QVERIFY(mgr->supportIcsFile());
        QCOMPARE(changed.count(), 2);
#endif
    }
};

CV_SETTINGS_TEST_MAIN(TestIcsSupport)
#include "tst_icssupport.moc"
