#include "SettingsFile_p.h"

#include "IniEncoding_p.h"
#include "PathHelper.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QSet>
#include <QSettings>
#include <QStringList>
#include <QTemporaryFile>

#include <algorithm>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace cvsettings::store {

Files Files::client()
{
    return { QCoreApplication::applicationDirPath(), PathHelper::defaultPathName(QLatin1String(kSettingsFileName)) };
}

namespace {

// What identifies a file across names: a save that replaced the file leaves
// another file under its name.
struct FileId {
    quint64 device = 0;
    quint64 index = 0;
    bool valid = false;
    bool operator==(const FileId& o) const { return valid && o.valid && device == o.device && index == o.index; }
};

#ifdef Q_OS_WIN
std::wstring native(const QString& path) { return QDir::toNativeSeparators(path).toStdWString(); }

FileId fileId(const QString& path)
{
    FileId id;
    // No access asked for: the file's identity only, whoever holds it open.
    const HANDLE h = CreateFileW(native(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return id;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(h, &info)) {
        id.device = info.dwVolumeSerialNumber;
        id.index = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        id.valid = true;
    }
    CloseHandle(h);
    return id;
}

// A copy: a hard link would be the same file as the settings file, which
// another process reading it holds open without sharing its deletion (as
// QFile opens files), and QSaveFile could then not put the written draft in
// its place.
bool makeDraft(const QString& file, const QString& draft)
{
    return CopyFileW(native(file).c_str(), native(draft).c_str(), TRUE) != 0;
}

// While another process reads the settings file, it cannot be replaced; a
// reader holds it for the few milliseconds a parse takes, so the rename is
// tried again for up to a second.
bool replaceFile(const QString& from, const QString& to)
{
    for (int tries = 0; tries < 100; ++tries) {
        if (MoveFileExW(native(from).c_str(), native(to).c_str(), MOVEFILE_REPLACE_EXISTING))
            return true;
        const DWORD error = GetLastError();
        if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION)
            return false;
        Sleep(10);
    }
    return false;
}

bool processRunning(qint64 pid)
{
    const HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!h)
        return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool running = GetExitCodeProcess(h, &code) && code == STILL_ACTIVE;
    CloseHandle(h);
    return running;
}
#else
FileId fileId(const QString& path)
{
    FileId id;
    struct stat st {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        id.device = quint64(st.st_dev);
        id.index = quint64(st.st_ino);
        id.valid = true;
    }
    return id;
}

// A second name for the file, which costs no room on a full disk; a copy
// where the file system has no hard links.
bool makeDraft(const QString& file, const QString& draft)
{
    return ::link(QFile::encodeName(file).constData(), QFile::encodeName(draft).constData()) == 0
        || QFile::copy(file, draft);
}

bool replaceFile(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool processRunning(qint64 pid) { return ::kill(pid_t(pid), 0) == 0 || errno == EPERM; }
#endif

// The file this process last wrote at a path, and the draft name it wrote it
// under (0: none yet, or that write failed).
struct LastWrite {
    FileId file;
    int generation = 0;
};

QHash<QString, LastWrite>& lastWrites()
{
    static QHash<QString, LastWrite> writes;
    return writes;
}

// A lock file that names no holder: QLockFile honours one for 30 seconds
// from its time stamp before it takes it as stale, so a save would hang that
// long. A holder writes "<pid>\n<name>\n<host>\n..." as soon as it has
// created the file, so a lock file whose first line is no process id, or that
// is larger than any lock, is junk (the 32 s hang of a lock full of NUL
// bytes). An empty one is junk once it is older than a holder could take to
// fill it (a holder killed between creating and filling it).
void removeJunkLock(const QString& lock)
{
    constexpr qint64 kLargestLock = 64 * 1024;
    constexpr qint64 kFillTimeMs = 2000;
    QFile f(lock);
    if (!f.exists())
        return;
    const qint64 size = f.size();
    bool junk = size > kLargestLock;
    if (!junk && size == 0) {
        const QDateTime modified = QFileInfo(lock).lastModified();
        junk = qAbs(modified.msecsTo(QDateTime::currentDateTime())) > kFillTimeMs;
    } else if (!junk && f.open(QIODevice::ReadOnly)) {
        const QByteArray head = f.read(32);
        const int end = head.indexOf('\n');
        bool ok = false;
        junk = end <= 0 || head.left(end).toLongLong(&ok) <= 0 || !ok;
        f.close();
    }
    if (junk)
        QFile::remove(lock);
}

// The line ends in the file as it is on disk, not as QSettings' cache has it;
// -1 when it cannot be read.
qint64 lineEndsOnDisk(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = f.readAll();
    return std::count(bytes.cbegin(), bytes.cend(), '\n');
}

const char kUtf8Mark[] = "\xEF\xBB\xBF";

// The file whole on disk with these bytes, written in place; false when any
// of them did not reach it.
bool rewrite(QFile& f, const QByteArray& bytes)
{
    const bool ok = f.seek(0) && f.write(bytes) == bytes.size() && f.flush() && f.resize(bytes.size());
    f.close();
    return ok && f.error() == QFileDevice::NoError && QFileInfo(f.fileName()).size() == bytes.size();
}

// What QSettings wrote, made the file this library writes. A file with the
// mark is written as UTF-8 (see hasUtf8Mark()), but QSettings writes no mark,
// so the draft gets it back; Qt 6 writes values as UTF-8 where the format is
// Qt 5.15's escapes (see IniEncoding_p.h). The draft is a file of its own by
// now, which nobody else sees yet.
bool finishDraft(const QString& draft, bool marked)
{
    QFile f(draft);
    if (!f.open(QIODevice::ReadWrite))
        return false;
    const QByteArray bytes = f.readAll();
    QByteArray finished = bytes;
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    finished = toQt5Writing(bytes, marked);
#endif
    if (marked && !finished.startsWith(kUtf8Mark))
        finished.prepend(kUtf8Mark);
    return finished == bytes || rewrite(f, finished);
}

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
// The draft, so far a second name for the file, made a file of its own with
// the bytes that Qt 6 reads as Qt 5.15 reads the file; as it is where none
// differ.
bool reencodeDraft(const QString& draft, bool marked)
{
    QFile f(draft);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = f.readAll();
    f.close();
    const QByteArray reencoded = toQt6Reading(bytes, marked);
    if (reencoded == bytes)
        return true;
    // Written in place, the link would change the file itself.
    if (!QFile::remove(draft) || !f.open(QIODevice::ReadWrite | QIODevice::NewOnly))
        return false;
    return rewrite(f, reencoded);
}
#endif

} // namespace

// QSettings takes QLockFile on "<file>.lock" for every write and waits
// without end while something there looks like another process's lock.
// QLockFile reads whatever stands at the path to find the holder, so a pipe
// there blocks the save for ever, and a link to a device (/dev/zero) makes it
// read without end; a folder is a lock that nobody can remove.
bool lockPathUsable(const QString& lock)
{
    const QFileInfo info(lock);
    return !info.isSymLink() && (!info.exists() || info.isFile());
}

bool hasUtf8Mark(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) && f.read(3) == kUtf8Mark;
}

std::unique_ptr<QSettings> openForReading(const QString& file, bool marked)
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    auto ini = std::make_unique<QSettings>(file, QSettings::IniFormat);
    if (marked)
        ini->setIniCodec("UTF-8");
    return ini;
#else
    // Only a regular file is read here: a pipe would block, a device not end.
    QFile f(file);
    if (QFileInfo(file).isFile() && f.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = f.readAll();
        const QByteArray reencoded = toQt6Reading(bytes, marked);
        auto copy = std::make_unique<QTemporaryFile>();
        if (reencoded != bytes && copy->open() && copy->write(reencoded) == reencoded.size() && copy->flush()) {
            auto ini = std::make_unique<QSettings>(copy->fileName(), QSettings::IniFormat);
            copy.release()->setParent(ini.get());
            return ini;
        }
    }
    return std::make_unique<QSettings>(file, QSettings::IniFormat);
#endif
}

// The draft is made and renamed beside the file a link names, so that a
// linked settings file is written through its link, as QSaveFile does, and
// the link stays.
QString finalTarget(const QString& path)
{
    QFileInfo info(path);
    for (int depth = 0; info.isSymLink() && depth < 64; ++depth)
        info.setFile(info.symLinkTarget());
    return info.absoluteFilePath();
}

qint64 lineEndsToWrite(QSettings& ini)
{
    const QStringList keys = ini.allKeys();
    if (keys.isEmpty())
        return 0;
    // One section per first part of a key; keys outside any group are
    // written under "[General]". On Windows QSettings compares an INI file's
    // keys without regard to case, as the registry does: "[normal]" and
    // "[Normal]" are written as one section.
    QSet<QString> sections;
    for (const QString& key : keys) {
        const int slash = key.indexOf(QLatin1Char('/'));
        const QString section = slash < 0 ? QString() : key.left(slash);
#ifdef Q_OS_WIN
        sections.insert(section.toCaseFolded());
#else
        sections.insert(section);
#endif
    }
    return keys.size() + 2 * qint64(sections.size()) - 1;
}

// Qt 5.15's QSaveFile drops the error of its last buffer flush: on a full
// disk or past a file size limit, QSettings renames a file cut short (or
// empty) over the file it writes and reports success, and sync() and status()
// say nothing either. A write that fails where QSettings does see it leaves
// the change pending in QSettings' process-wide cache of the file, and the
// next settings object on that path, a load step's included, writes it again
// when it is destroyed, unchecked.
//
// So QSettings never writes the settings file itself. It writes a draft: a
// second name for the file (a hard link, which costs no space; on Windows a
// copy), under a name
// used once, so that whatever a failed write leaves in the cache stays with a
// name that nobody opens again. The draft is checked on disk once QSettings
// has written it (QSettings writes one line per key, per section header and
// between sections; a file cut short has fewer) and only then renamed over
// the file, which needs no space either. Until then the file is untouched.
//
// The save holds QSettings' own lock on the file, "<file>.lock", from before
// the draft is made until it has replaced the file, as QSettings holds it
// from reading the file to writing it: another QSettings object's save of
// the file, in this process or another, waits for it, and each save merges
// into the file as it is on disk.
SaveResult save(const QString& file, const std::function<void(QSettings&)>& change)
{
    const QString lockPath = QFileInfo(file).absoluteFilePath() + QLatin1String(".lock");
    const QString target = finalTarget(file);
    const QFileInfo info(target);
    const bool existed = info.exists();
    // QSettings would read a pipe or a device without end. A file the user
    // may not write stays, as QSettings leaves it: the draft, a copy where
    // the file may not be linked, would be the user's to write.
    if (existed && !info.isFile())
        return { SaveError::NotRegularFile };
    if (existed && !info.isWritable())
        return { SaveError::NotWritable };
    if (!QDir().mkpath(info.absolutePath()))
        return { SaveError::NoFolder };
    // As long as another process holds the lock, the save waits, as
    // QSettings' own does; what stands at the lock's path is looked at again
    // at every try, since junk can age into removable junk meanwhile.
    QLockFile lock(lockPath);
    for (;;) {
        if (!lockPathUsable(lockPath))
            return { SaveError::LockBlocked };
        removeJunkLock(lockPath);
        // QLockFile removes a stale lock only under a second lock beside it,
        // which a process killed at the wrong moment leaves as junk too.
        removeJunkLock(lockPath + QLatin1String(".rmlock"));
        if (lock.tryLock(100))
            break;
        if (lock.error() != QLockFile::LockFailedError)
            return { SaveError::LockNotCreated };
    }
    // While the file is the one this process wrote last, the draft takes the
    // same name as last time: QSettings then has it parsed already. Any other
    // file gets a name never used, which QSettings parses afresh.
    LastWrite& last = lastWrites()[target];
    const FileId old = fileId(target);
    static int generations = 0;
    if (last.generation == 0 || !(old == last.file))
        last.generation = ++generations;
    const QString draft
        = target + QStringLiteral(".save-%1-%2").arg(QCoreApplication::applicationPid()).arg(last.generation);
    if (existed && !makeDraft(target, draft))
        return { SaveError::DraftNotCreated };
    const bool marked = existed && hasUtf8Mark(draft);
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    if (existed && !reencodeDraft(draft, marked)) {
        QFile::remove(draft);
        return { SaveError::DraftNotCreated };
    }
#endif
    const FileId unwritten = fileId(draft);
    qint64 expected = 0;
    {
        QSettings ini(draft, QSettings::IniFormat);
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
        if (marked)
            ini.setIniCodec("UTF-8");
#endif
        change(ini);
        expected = lineEndsToWrite(ini);
    }
    // QSettings writes a new file under the draft's name: a draft that is
    // still the file it was made as was not written at all.
    const FileId written = fileId(draft);
    SaveError error = SaveError::None;
    if (written == unwritten || lineEndsOnDisk(draft) < expected || !finishDraft(draft, marked))
        error = SaveError::NotWrittenWhole;
    else if (!replaceFile(draft, target))
        error = SaveError::NotReplaced;
    if (error == SaveError::None) {
        last.file = written;
        return {};
    }
    // What QSettings keeps of a failed write stays with this draft's name.
    last.generation = 0;
    QFile::remove(draft);
    return { error };
}

void removeStaleDrafts(const QString& file)
{
    const QFileInfo target(finalTarget(file));
    // Drafts, their lock files and QSaveFile's files for them.
    const QString prefix = target.fileName() + QLatin1String(".save-");
    const QDir dir = target.absoluteDir();
    const qint64 self = QCoreApplication::applicationPid();
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!name.startsWith(prefix))
            continue;
        bool ok = false;
        const qint64 pid = name.mid(prefix.size()).section(QLatin1Char('-'), 0, 0).toLongLong(&ok);
        // A running process's draft is its save in progress; only it removes it.
        if (ok && pid > 0 && (pid == self || !processRunning(pid)))
            QFile::remove(dir.filePath(name));
    }
}

} // namespace cvsettings::store
