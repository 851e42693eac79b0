// The product data files, packed with cvdata into a temporary application
// directory and read by the manager's load steps; the plaintext rules (types,
// precedence, providers) through the apply seam; and the calendar-file query.

#include "TestEnvironment.h"

#include "ConfigMgr_p.h"
#include "DataFile_p.h"
#include "IcsSupport_p.h"
#include "ProductFiles_p.h"

#include <QDir>
#include <QDomDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QSysInfo>

#include <cstdio>
#include <cstring>

using namespace cvsettings;

namespace {

void writeFile(const QString& path, const QByteArray& text)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    cvtest::writeFile(path, text);
}

// The XML corpus's shorthand: \xHH a byte; {open N}, {close N}, {nest N}
// N levels of <p>; {repeat N text}.
QByteArray expand(const QByteArray& line)
{
    static const QRegularExpression shorthand(R"(\\x([0-9A-F]{2})|\{(open|close|nest|repeat) (\d+) ?([^}]*)\})");
    const QString text = QString::fromUtf8(line.trimmed());
    QByteArray out;
    int at = 0;
    for (auto it = shorthand.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const int n = m.captured(3).toInt();
        out += text.mid(at, m.capturedStart() - at).toUtf8();
        out += m.captured(1).isEmpty() ? QByteArray() : QByteArray(1, char(m.captured(1).toInt(nullptr, 16)));
        out += m.captured(2) == "open" || m.captured(2) == "nest" ? QByteArray("<p>").repeated(n) : QByteArray();
        out += m.captured(2) == "close" || m.captured(2) == "nest" ? QByteArray("</p>").repeated(n) : QByteArray();
        out += m.captured(2) == "repeat" ? m.captured(4).toUtf8().repeated(n) : QByteArray();
        at = m.capturedEnd();
    }
    return out + text.mid(at).toUtf8();
}

// The corpus's forms: UTF-8, or UTF-16 in the machine's byte order with or
// without a byte-order mark.
QByteArray inForm(const QByteArray& utf8, const QByteArray& form)
{
    const QString text = (form == "UTF-16" ? QStringLiteral("\uFEFF") : QString()) + QString::fromUtf8(utf8);
    return form == "UTF-8" ? utf8 : QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

} // namespace

// Packing needs the producer tool and the private half of the key this build
// reads with. The producer is built only natively (it signs with OpenSSL);
// the Windows build reads the fixtures packed on Linux instead.
#define REQUIRE_KEY_FILE()                                                                             \
    if (!*CV_CVDATA)                                                                                   \
        CV_QSKIP("no producer tool in this build (it needs OpenSSL): the cases that pack files skip"); \
    if (!*CV_TEST_KEY_FILE)                                                                            \
    CV_QSKIP("no key file for this build's data-file key; configure with -DCVSETTINGS_TEST_KEY_FILE=<key file>")

class TestProductFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir appDir;
    QTemporaryDir xdg; // stands in for the system's XDG_CONFIG_DIRS and XDG_DATA_DIRS
    const QString userConfig = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    ConfigMgrPrivate* d = nullptr;

    // Packs `plaintext` into `dir` (the application directory by default)
    // with the producer tool and the key file of this build.
    void pack(const QString& name, const QByteArray& plaintext, QString dir = QString())
    {
        const QString plainPath = appDir.filePath(QStringLiteral("plain.tmp"));
        writeFile(plainPath, plaintext);
        dir = (dir.isEmpty() ? appDir.path() : dir) + '/' + name;
        QProcess cvdata;
        cvdata.start(QStringLiteral(CV_CVDATA), { "pack", "--force", "--key", CV_TEST_KEY_FILE, plainPath, dir });
        QVERIFY(cvdata.waitForFinished(30000));
        QVERIFY2(cvdata.exitCode() == 0, cvdata.readAllStandardError().constData());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(appDir.isValid() && xdg.isValid());
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(xdg.filePath(QStringLiteral("etc"))));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(xdg.filePath(QStringLiteral("share"))));
        qputenv("XDG_CURRENT_DESKTOP", "Test:Other");
    }
    void init()
    {
        for (const QString& f : QDir(appDir.path()).entryList(QDir::Files))
            QFile::remove(appDir.filePath(f));
        d = new ConfigMgrPrivate(nullptr, { appDir.path(), appDir.filePath(QStringLiteral("settings.ini")) });
    }
    void cleanup()
    {
        for (const QString& dir : { userConfig, userData, xdg.path() })
            QDir(dir).removeRecursively();
        delete d;
    }

    // The sample deployment loads whole, and loading it again signals nothing.
    void sampleDeploymentAndReload()
    {
        REQUIRE_KEY_FILE();
        for (const char* name : { "config.xml", "omsurl.xml", "thirdconfig.xml", "cvserver.json" })
            pack(QFileInfo(name).baseName() + QStringLiteral(".data"),
                cvtest::readFile(QStringLiteral(CV_SAMPLE_SOURCE_DIR "/") + QLatin1String(name)));
        loadAll(*d);
        QCOMPARE((QStringList { d->clientConfig->productName(), QString::number(d->clientConfig->buildNum()),
                     d->omsUrlConfig->storageUrl(), QString::number(d->serverSetting->meetingAppId()),
                     QString::number(d->intercomConfig->height()), d->thirdLoginConfigs.keys().join(','),
                     d->thirdLoginConfigs.value(QStringLiteral("Google"))->scope(),
                     d->thirdCalendarConfigs.keys().join(',') }),
            (QStringList { "ExampleMeet Desktop", "4127", "https://cloud.example.invalid/storage", "12", "720",
                "Facebook,Google,Outlook", "openid email profile", "Google,Outlook" }));

        cvtest::Probe log;
        for (const QObject* object : d->owner->children())
            log.watch(object);
        loadAll(*d);
        QCOMPARE(log.names, QStringList());
    }

    // Each record of the file hands its text to the loader of its section,
    // then compares the properties and signals it names.
    void documentKnownAnswers()
    {
        const auto settingsFile = [](ConfigMgrPrivate& record, const QByteArray& text) {
            writeFile(record.settingsFilePath, text);
            loadAll(record);
        };
        const QMap<QByteArray, std::function<void(ConfigMgrPrivate&, const QByteArray&)>> loaders
            = { { "ClientConfig", applyClientConfig }, { "OmsUrlConfig", applyOmsUrlConfig },
                  { "Server", applyServerDataFile }, { "ThirdConfig", applyThirdConfigs },
                  { "SettingsFile", settingsFile } };
        // A group's object, or with a name in brackets the provider filed under it.
        const auto object = [this](const QByteArray& name) -> QObject* {
            const int open = name.indexOf('[');
            if (open < 0)
                return cvtest::childOf(d->owner, name);
            const QString key = QString::fromUtf8(name.mid(open + 1).chopped(1));
            if (name.startsWith("ThirdLogin"))
                return d->thirdLoginConfigs.value(key);
            if (name.startsWith("ThirdContacts"))
                return d->thirdContactsConfigs.value(key);
            return d->thirdCalendarConfigs.value(key);
        };
        cvtest::Probe log;
        for (QObject* o : d->owner->children())
            log.watch(o);
        for (const cvtest::Record& r : cvtest::records(QStringLiteral("productfiles/product-documents.txt"))) {
            log.clear();
            QVERIFY(loaders.contains(r.section));
            loaders.value(r.section)(*d, r.value("In"));
            const QMap<QByteArray, QStringList> filed
                = { { "Signals", log.names }, { "Login", d->thirdLoginConfigs.keys() },
                      { "Contacts", d->thirdContactsConfigs.keys() }, { "Calendar", d->thirdCalendarConfigs.keys() } };
            if (r.value("Reload") == "silent") {
                loaders.value(r.section)(*d, r.value("In"));
                QVERIFY2(log.names == filed["Signals"], qPrintable(log.names.join(' ')));
            }
            for (const auto& [field, expected] : r.fields) {
                const int dot = field.indexOf('.');
                const QObject* o = dot > 0 ? object(field.left(dot)) : nullptr;
                const QByteArray actual = filed.contains(field)
                    ? filed[field].join(field == "Signals" ? ' ' : ',').toUtf8()
                    : o       ? cvtest::describe(o->property(field.mid(dot + 1))).toUtf8()
                    : dot > 0 ? "(no object)"
                              : expected;
                QVERIFY2(actual == (field == "Signals" ? r.value(field).replace('\n', ' ') : expected),
                    "line " + QByteArray::number(r.line) + ", " + field + ": \"" + actual + '"');
            }
        }
    }

    // The documents of xml-corpus.txt through both XML loaders, each value
    // compared with what QDomDocument reads.
    void oddDocumentsLoadAsTheDomReadsThem()
    {
        QFile file(QStringLiteral(CV_TEST_DATA_DIR "/productfiles/xml-corpus.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        int documents = 0;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QList<QByteArray> column = line.split('|');
            if (line.startsWith('#') || column.size() < 5)
                continue;
            ++documents;
            const int depth = column[0].trimmed().toInt();
            const QByteArray form = column[1].trimmed(), what = column[3].trimmed();
            const QByteArray xml = expand(column.mid(4).join('|'));
            for (const bool oms : { false, true }) {
                QByteArray text = xml;
                text.replace("<{R}", oms ? "<oms><url" : "<root").replace("</{R}>", oms ? "</url></oms>" : "</root>");
                text.replace("{R}", oms ? "oms" : "root").replace("{V}", oms ? "Help" : "Version");
                text = inForm(text, form);
                // The text that Qt 5.15's DOM reads, which the Qt 5 build checks;
                // the deep documents, which would crash the DOM, are refused.
                const QByteArray read = column[2].trimmed();
                const QString expected = read.startsWith("read") && depth + oms <= 768
                    ? QString::fromUtf8(expand(read.mid(4)))
                    : QStringLiteral("before");
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
                QDomDocument dom;
                const bool domReads = depth + oms <= 768 && dom.setContent(text);
                QDomElement parent = dom.firstChildElement(oms ? "oms" : "root");
                if (oms)
                    parent = parent.firstChildElement(QStringLiteral("url"));
                QCOMPARE(domReads && !parent.isNull() ? parent.firstChildElement(oms ? "Help" : "Version").text()
                                                      : QStringLiteral("before"),
                    expected);
#endif
                d->omsUrlConfig->setHelp(QStringLiteral("before"));
                d->clientConfig->setVersion(QStringLiteral("before"));
                if (oms)
                    applyOmsUrlConfig(*d, text);
                else
                    applyClientConfig(*d, text);
                const QString loaded = oms ? d->omsUrlConfig->help() : d->clientConfig->version();
                QVERIFY2(loaded == expected,
                    qPrintable(QStringLiteral("%1%2: loaded \"%3\", expected \"%4\"")
                                   .arg(QString::fromUtf8(what), oms ? " (oms)" : "", loaded, expected)));
            }
        }
        QCOMPARE(documents, 28);
    }

    // Provider objects are children of the manager, and a reload keeps those
    // it does not name where they are.
    void providerObjectsStay()
    {
        const QByteArray outlook
            = "<root><ThirdContacts><Third><ThirdName>Outlook</ThirdName></Third></ThirdContacts></root>";
        applyThirdConfigs(*d, outlook);
        ThirdContactsConfig* contacts = d->thirdContactsConfigs.value(QStringLiteral("Outlook"));
        QVERIFY(contacts && contacts->parent() == d->owner);
        applyThirdConfigs(*d, QByteArray(outlook).replace("Outlook", "Google"));
        QCOMPARE(d->thirdContactsConfigs.value(QStringLiteral("Outlook")), contacts);
    }

    // A path opens only within 258 UTF-16 units (259 with the terminator);
    // units, not UTF-8 bytes, count.
    void pathLengthLimit()
    {
        REQUIRE_KEY_FILE();
        QString folder = appDir.filePath(QStringLiteral("long")); // levels of 100 two-byte units
        while (259 - folder.size() > 120)
            folder += '/' + QString(100, QChar(0xe9));
        QVERIFY(QDir().mkpath(folder));
        for (int units : { 258, 259 }) {
            const QString name = QString(units - folder.size() - 1 - 5, QChar(0xe9)) + QStringLiteral(".data");
            pack(name, "<root><Version>1</Version></root>", folder);
            QCOMPARE(folder.size() + 1 + name.size(), units);
            QByteArray out("unchanged");
            QCOMPARE(readDataFile(folder + '/' + name, out), units == 258);
            QCOMPARE(out == "unchanged", units == 259);
        }
        QByteArray out("unchanged");
        QVERIFY(!readDataFile(appDir.filePath(QStringLiteral("missing.data")), out));
        pack(QStringLiteral("empty.data"), QByteArray());
        QVERIFY(!readDataFile(appDir.filePath(QStringLiteral("empty.data")), out));
        QCOMPARE(out, QByteArray("unchanged"));
    }

    // From the threshold on the registry is not even asked.
    void windowsIcsDecision()
    {
        int asked = 0;
        const auto subkeys = [&asked](QStringList keys) { return [&asked, keys] { return ++asked, keys; }; };
        QVERIFY(ics::windowsHandlesIcs(ics::kWindowsVersionWithIcsHandler, subkeys({})));
        QVERIFY(ics::windowsHandlesIcs(0x00c0, subkeys({})));
        QCOMPARE(asked, 0);
        QVERIFY(ics::windowsHandlesIcs(0x009f, subkeys({ "ShellEx", "openwithprogids" })));
        QVERIFY(!ics::windowsHandlesIcs(0x0090, subkeys({})));
        QVERIFY(!ics::windowsHandlesIcs(0x0090, subkeys({ "OpenWithList", "OpenWithProgids2" })));
        QCOMPARE(asked, 3);
    }

    void mimeAssociationRules()
    {
        const auto installed = [](const QString& id) { return id != QLatin1String("gone.desktop"); };
        for (const cvtest::Record& r : cvtest::records(QStringLiteral("productfiles/calendar-associations.txt"))) {
            QList<ics::AssociationFile> files;
            for (int i = 0; i < r.fields.size(); ++i) {
                const auto& [kind, line] = r.fields[i];
                if (kind != "Handled" && (i == 0 || r.fields[i - 1].first != kind))
                    files.append(
                        { kind == "List" ? ics::AssociationFile::MimeAppsList : ics::AssociationFile::MimeInfoCache,
                            kind == "List" ? QByteArray() : QByteArray("[MIME Cache]\n") });
                if (kind != "Handled")
                    files.last().text += line + '\n';
            }
            const bool handled = ics::hasMimeHandler(files, QStringLiteral("text/calendar"), installed);
            QVERIFY2(handled == (r.value("Handled") == "yes"), qPrintable(QStringLiteral("line %1").arg(r.line)));
        }
    }

#ifdef Q_OS_WIN
    void calendarQueryFromRegistry_data()
    {
        QTest::addColumn<QString>("wine");
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("subkey");
        // Qt numbers Windows 7, 8, 8.1 and 10 0x0090 to 0x00c0.
        const char* wines[] = { "win7", "win8", "win81", "win10" };
        for (int v = 0; v < 4; ++v)
            for (const char* subkey : { "", "OpenWithProgids", "openwithprogids", "OPENWITHPROGIDS", "OpenWithList" })
                QTest::addRow("%s, %s", wines[v], *subkey ? subkey : "no .ics key")
                    << wines[v] << 0x90 + 0x10 * v << subkey;
    }
    // From Windows 8 on the system opens ".ics" files itself; below, only
    // with an "OpenWithProgids" subkey of ".ics", in any letter case. Each
    // row's load runs in a child, which Wine starts at the row's version.
    void calendarQueryFromRegistry()
    {
        QFETCH(QString, wine);
        QFETCH(int, version);
        QFETCH(QString, subkey);
        const QString exe = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        QSettings wineVersion(
            QStringLiteral("HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\") + exe, QSettings::NativeFormat);
        wineVersion.setValue(QStringLiteral("Version"), wine);
        QSettings classes(QStringLiteral("HKEY_CLASSES_ROOT"), QSettings::NativeFormat);
        classes.remove(QStringLiteral(".ics"));
        if (!subkey.isEmpty())
            classes.setValue(QStringLiteral(".ics/%1/CorvaneTest.ics").arg(subkey), QString());
        classes.sync();
        wineVersion.sync();
        const auto clear = qScopeGuard([&] {
            classes.remove(QStringLiteral(".ics"));
            wineVersion.remove(QString());
        });
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--ics-query") });
        QVERIFY(child.waitForFinished(60000) && child.exitCode() == 0);
        const QList<QByteArray> answer = child.readAllStandardOutput().trimmed().split(' ');
        QCOMPARE(answer.size(), 2);
        if (answer[0].toInt() != version)
            QSKIP("not under Wine: the Windows version cannot be chosen");
        QCOMPARE(answer[1] == "1", version >= 0x00a0 || subkey.compare("OpenWithProgids", Qt::CaseInsensitive) == 0);
    }
#endif

    // The association files are found through QStandardPaths, desktop-specific
    // ones included, and named .desktop files must exist; the load step stores
    // the answer and signals only a change.
    void calendarFilesOnDisk()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows answers from the registry (calendarQueryFromRegistry)");
#endif
        QVERIFY(!ics::desktopHandlesCalendarFiles());
        const QString systemApps = xdg.filePath(QStringLiteral("share/applications"));
        writeFile(systemApps + "/mimeinfo.cache", "[MIME Cache]\ntext/calendar=vendor-cal.desktop;\n");
        QVERIFY(!ics::desktopHandlesCalendarFiles()); // listed but not installed
        writeFile(systemApps + "/vendor/cal.desktop", "[Desktop Entry]\n");
        QVERIFY(ics::isDesktopFileInstalled(QStringLiteral("vendor-cal.desktop")));
        QVERIFY(!ics::isDesktopFileInstalled(QStringLiteral("vendor/cal.desktop")));
        QVERIFY(ics::desktopHandlesCalendarFiles());
        writeFile(userConfig + "/other-mimeapps.list", "[Removed Associations]\ntext/calendar=vendor-cal.desktop\n");
        QVERIFY(!ics::desktopHandlesCalendarFiles());

#ifndef Q_OS_WIN
        ConfigMgr* mgr = ConfigMgr::createInstance();
        QSignalSpy changed(mgr, &ConfigMgr::supportIcsFileChanged);
        mgr->loadConfig();
        QCOMPARE(changed.count(), 0);
        writeFile(userConfig + "/test-mimeapps.list", "[Default Applications]\ntext/calendar=mine.desktop\n");
        writeFile(userData + "/applications/mine.desktop", "[Desktop Entry]\n");
        QCOMPARE(ics::readAssociationFiles().size(), 3);
        mgr->loadConfig();
        mgr->loadConfig();
        QCOMPARE(changed.count(), 1);
        QVERIFY(mgr->supportIcsFile());
        mgr->setSupportIcsFile(false); // the next load overrides the client
        mgr->loadConfig();
        QVERIFY(mgr->supportIcsFile());
        ConfigMgr::destroyInstance();
#endif
    }
};

#ifdef Q_OS_WIN
// The child of calendarQueryFromRegistry: "<version> <answer>" of a load.
static int icsQuery(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    const int version = int(QSysInfo::windowsVersion());
    QT_WARNING_POP
    ConfigMgr* m = ConfigMgr::createInstance();
    m->loadConfig();
    std::printf("%d %d\n", version, int(m->supportIcsFile()));
    ConfigMgr::destroyInstance();
    return 0;
}

static CV_SETTINGS_TEST_MAIN_AS(cvMain, TestProductFiles) int main(int argc, char* argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--ics-query") == 0)
        return icsQuery(argc, argv);
    return cvMain(argc, argv);
}
#else
CV_SETTINGS_TEST_MAIN(TestProductFiles)
#endif
#include "tst_productfiles.moc"
