#pragma once

#include <QString>

#include <functional>
#include <memory>

class QSettings;

// The files a record reads and writes, and the one way the settings file is
// written: a fresh QSettings object whose destruction writes the file, with
// what it takes to keep a failed write from costing the user the file.
namespace cvsettings::store {

// The file's name in the client's per-user folder.
inline constexpr char kSettingsFileName[] = "com.corvane.settings.ini";

struct Files {
    QString appDirPath; // the folder of the product data files
    QString settingsFilePath; // the user's settings file

    // The client's own: beside the application, and where cvcommon keeps the
    // user's files. Needs the application object.
    static Files client();
};

// Why a save left the file as it was.
enum class SaveError {
    None,
    NotRegularFile, // the settings file is a folder, a pipe or a device
    NotWritable, // the user may not write the settings file
    NoFolder, // its folder does not exist and cannot be made
    LockBlocked, // something other than a lock file stands at "<file>.lock"
    LockNotCreated, // the lock cannot be made (a folder the user may not write)
    DraftNotCreated, // nor a second name for the file, nor a copy of it
    NotWrittenWhole, // the new file fell short: a full disk, a file size limit
    NotReplaced, // the new file could not be renamed over the old one
};

// What a save did: true when the new file is on disk whole. The client's
// saves drop it; the tools say what went wrong.
struct SaveResult {
    SaveError error = SaveError::None;
    explicit operator bool() const { return error == SaveError::None; }
};

// One save: `change` runs on a new QSettings object on `file`, at its root,
// and must leave it there; the object's destruction writes the file. Unless
// the result is true, the file is as it was before. (See the definition for
// how.)
SaveResult save(const QString& file, const std::function<void(QSettings&)>& change);

// Whether a QLockFile may be taken at `lock`: only at a regular file, or at
// nothing; anything else would make it wait or read without end.
bool lockPathUsable(const QString& lock);

// Removes what saves killed part way left beside `file`.
void removeStaleDrafts(const QString& file);

// The file a path names, through any symbolic links.
QString finalTarget(const QString& path);

// Whether `file` starts with UTF-8's byte order mark, as editors on Windows
// save it. QSettings reads the text of such a file as UTF-8 only in the
// settings object that first parses the file, and a save writes it back
// without the mark, after which it reads as Latin-1. So the store reads and
// writes a marked file as UTF-8 throughout, and keeps its mark; a file
// without one is read and written as QSettings does by default.
bool hasUtf8Mark(const QString& file);

// A settings object that reads `file` as every load step and save of the
// library does: through the UTF-8 codec when the file is marked (see
// hasUtf8Mark()), otherwise as QSettings reads by default in Qt 5.15. In the
// Qt 6 build a file whose bytes Qt 6 would decode otherwise (see
// IniEncoding_p.h) is read from a re-encoded copy, which the object holds
// until it is destroyed; for reading only, then, as nothing set on it would
// reach `file`.
std::unique_ptr<QSettings> openForReading(const QString& file, bool marked);

// The number of line ends QSettings writes for what `ini` holds: one per key,
// one per section header, and an empty line between sections.
qint64 lineEndsToWrite(QSettings& ini);

} // namespace cvsettings::store
