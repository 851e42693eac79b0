#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Whether the system has a program for ".ics" calendar files: on Windows from
// the version and the registry, elsewhere from the desktop's MIME
// associations. The decisions are pure functions; the few functions that
// read the system feed them.
namespace cvsettings::ics {

// QSysInfo::windowsVersion() from which Windows opens ".ics" files itself.
// Qt 5.15 numbers its own WV_WINDOWS10 0x00c0, so the value is written out.
constexpr int kWindowsVersionWithIcsHandler = 0x00a0;

// From that version on: true, without asking for the subkeys. Below it:
// whether the ".ics" key has a subkey "OpenWithProgids", in any letter case.
bool windowsHandlesIcs(int windowsVersion, const std::function<QStringList()>& icsSubkeys);

// One freedesktop.org association file: a mimeapps.list (default, added and
// removed associations) or an applications/mimeinfo.cache (what the
// installed .desktop files declare).
struct AssociationFile {
    enum Kind { MimeAppsList, MimeInfoCache };
    Kind kind;
    QByteArray text;
};

// Whether an installed application is associated with `mimeType`, given the
// association files in order of precedence, highest first. An application
// removed in a file stays removed for that file and every later one.
bool hasMimeHandler(const QList<AssociationFile>& files, const QString& mimeType,
    const std::function<bool(const QString& desktopId)>& isInstalled);

// The association files that exist in the XDG configuration and data
// locations (QStandardPaths), desktop-specific ones first, in order of
// precedence.
QList<AssociationFile> readAssociationFiles();

// Whether a .desktop file of that id lies in an applications folder of the
// data locations ("vendor-app.desktop" may also be "vendor/app.desktop").
bool isDesktopFileInstalled(const QString& desktopId);

// The desktop's answer for "text/calendar".
bool desktopHandlesCalendarFiles();

} // namespace cvsettings::ics
