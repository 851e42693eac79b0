#include "IcsSupport_p.h"

#include "ConfigMgr_p.h"
#include "ProductFiles_p.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>

#ifdef Q_OS_WIN
#include <QOperatingSystemVersion>
#include <QSettings>
#include <QSysInfo>
#endif

namespace cvsettings {

namespace ics {

bool windowsHandlesIcs(int windowsVersion, const std::function<QStringList()>& icsSubkeys)
{
    if (windowsVersion >= kWindowsVersionWithIcsHandler)
        return true;
    return icsSubkeys().contains(QStringLiteral("OpenWithProgids"), Qt::CaseInsensitive);
}

namespace {

// The desktop-file ids listed for `key` in `group` of a desktop-entry style
// text ("[group]" headers, "key=id1;id2;" lines, "#" comments). MIME types
// are matched without regard to case; repeated keys add up.
QStringList listedIds(const QByteArray& text, QLatin1String group, const QString& key)
{
    QStringList ids;
    bool inGroup = false;
    for (const QByteArray& rawLine : text.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            inGroup = line.endsWith(']') && line.mid(1, line.size() - 2) == group.latin1();
            continue;
        }
        const int equals = line.indexOf('=');
        if (!inGroup || equals < 0)
            continue;
        if (QString::fromUtf8(line.left(equals)).trimmed().compare(key, Qt::CaseInsensitive) != 0)
            continue;
        for (const QString& id : QString::fromUtf8(line.mid(equals + 1)).split(QLatin1Char(';'))) {
            const QString trimmed = id.trimmed();
            if (!trimmed.isEmpty())
                ids.append(trimmed);
        }
    }
    return ids;
}

// A big desktop's mimeinfo.cache is some hundred kilobytes; nothing sensible
// comes near this.
constexpr qint64 kMaxAssociationFileSize = 8 * 1024 * 1024;

void appendIfReadable(QList<AssociationFile>& files, AssociationFile::Kind kind, const QString& path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        files.append({ kind, file.read(kMaxAssociationFileSize) });
}

// A desktop-file id names "a/b.desktop" below an applications folder as
// "a-b.desktop", so each dash may stand for a folder level.
bool desktopFileExists(const QString& folder, const QString& id)
{
    if (QFileInfo(folder + QLatin1Char('/') + id).isFile())
        return true;
    for (int dash = id.indexOf(QLatin1Char('-')); dash > 0; dash = id.indexOf(QLatin1Char('-'), dash + 1)) {
        const QString subfolder = folder + QLatin1Char('/') + id.left(dash);
        if (QFileInfo(subfolder).isDir() && desktopFileExists(subfolder, id.mid(dash + 1)))
            return true;
    }
    return false;
}

} // namespace

bool hasMimeHandler(const QList<AssociationFile>& files, const QString& mimeType,
    const std::function<bool(const QString& desktopId)>& isInstalled)
{
    QSet<QString> removed;
    const auto usable = [&](const QString& id) { return !removed.contains(id) && isInstalled(id); };
    for (const AssociationFile& file : files) {
        QStringList candidates;
        if (file.kind == AssociationFile::MimeAppsList) {
            for (const QString& id : listedIds(file.text, QLatin1String("Removed Associations"), mimeType))
                removed.insert(id);
            candidates = listedIds(file.text, QLatin1String("Default Applications"), mimeType)
                + listedIds(file.text, QLatin1String("Added Associations"), mimeType);
        } else {
            candidates = listedIds(file.text, QLatin1String("MIME Cache"), mimeType);
        }
        if (std::any_of(candidates.cbegin(), candidates.cend(), usable))
            return true;
    }
    return false;
}

QList<AssociationFile> readAssociationFiles()
{
    QStringList desktops;
    for (const QByteArray& name : qgetenv("XDG_CURRENT_DESKTOP").split(':')) {
        if (!name.isEmpty())
            desktops.append(QString::fromUtf8(name).toLower());
    }

    QList<AssociationFile> files;
    const auto appendLists = [&](const QString& folder) {
        for (const QString& desktop : desktops)
            appendIfReadable(
                files, AssociationFile::MimeAppsList, folder + QLatin1Char('/') + desktop + "-mimeapps.list");
        appendIfReadable(files, AssociationFile::MimeAppsList, folder + "/mimeapps.list");
    };
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        appendLists(folder);
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        const QString applications = folder + QLatin1String("/applications");
        appendLists(applications);
        appendIfReadable(files, AssociationFile::MimeInfoCache, applications + QLatin1String("/mimeinfo.cache"));
    }
    return files;
}

bool isDesktopFileInstalled(const QString& desktopId)
{
    if (!desktopId.endsWith(QLatin1String(".desktop")) || desktopId.contains(QLatin1Char('/')))
        return false;
    const QStringList folders = QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    return std::any_of(
        folders.cbegin(), folders.cend(), [&](const QString& folder) { return desktopFileExists(folder, desktopId); });
}

bool desktopHandlesCalendarFiles()
{
    return hasMimeHandler(readAssociationFiles(), QStringLiteral("text/calendar"), isDesktopFileInstalled);
}

} // namespace ics

namespace {

#ifdef Q_OS_WIN
bool systemHandlesIcs()
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // windowsVersion() is deprecated in Qt 5.15 but is the number the
    // threshold is given in.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    const int version = int(QSysInfo::windowsVersion());
    QT_WARNING_POP
#else
    // Qt 6 has no windowsVersion(): the same release from
    // QOperatingSystemVersion, numbered as Qt 5.15's windowsVersion() numbers
    // it, which is what the threshold is given in.
    const QOperatingSystemVersion os = QOperatingSystemVersion::current();
    const int version = os >= QOperatingSystemVersion::Windows10 ? 0x00c0
        : os >= QOperatingSystemVersion::Windows8_1              ? 0x00b0
        : os >= QOperatingSystemVersion::Windows8                ? 0x00a0
        : os >= QOperatingSystemVersion::Windows7                ? 0x0090
                                                                 : 0x0080;
#endif
    return ics::windowsHandlesIcs(version, [] {
        QSettings registry(QStringLiteral("HKEY_CLASSES_ROOT\\.ics"), QSettings::NativeFormat);
        return registry.childGroups();
    });
}
#else
bool systemHandlesIcs() { return ics::desktopHandlesCalendarFiles(); }
#endif

} // namespace

// Decided afresh on every load, overriding what the client may have set; the
// signal fires only when the answer changes.
void loadSupportIcsFile(ConfigMgrPrivate& d)
{
    const bool supported = ConfigMgr::getInstance() ? systemHandlesIcs() : true;
    d.setSupportIcsFile(supported);
}

} // namespace cvsettings
