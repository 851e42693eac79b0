#include "Session.h"

#include "DataFile_p.h"
#include "ProductFiles_p.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
#include <QTextCodec>
#else
#include <QStringDecoder>
#endif
#include <QThread>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace cvsettings;

namespace {

// How long a writer waits for another cvconf writer of the same file. Each
// holds its lock for one load and one save.
constexpr int kWriteLockWaitMs = 10000;

// Refuses to rewrite a settings file that QSettings cannot read back whole:
// saving would drop whatever it could not parse.
bool safeToWrite(const QString& path, QString& why)
{
    const QFileInfo info(store::finalTarget(path));
    if (!info.exists())
        return true;
    if (!info.isFile()) {
        why = QStringLiteral("%1 is not a regular file; not changing it").arg(path);
        return false;
    }
    QSettings ini(path, QSettings::IniFormat);
    if (ini.status() == QSettings::NoError)
        return true;
    why = QStringLiteral("the settings file %1 is %2; not changing it")
              .arg(path,
                  ini.status() == QSettings::FormatError ? QStringLiteral("not a valid INI file")
                                                         : QStringLiteral("not readable"));
    return false;
}

// The owner of a file, where the platform has one to keep: a save replaces
// the file with one of the writer's, and an administrator's change must
// leave the user able to write their file.
struct Owner {
    uint user = uint(-2);
    uint group = uint(-2);
    bool known() const { return user != uint(-2); }
    static Owner of(const QString& path)
    {
        const QFileInfo info(path);
        return info.exists() ? Owner { info.ownerId(), info.groupId() } : Owner {};
    }
    bool giveBack(const QString& path) const
    {
        if (!known() || (Owner::of(path).user == user && Owner::of(path).group == group))
            return true;
#ifdef Q_OS_UNIX
        return ::chown(QFile::encodeName(path).constData(), uid_t(user), gid_t(group)) == 0;
#else
        return true;
#endif
    }
};

// Why the library's save left the file as it was.
QString notWrittenMessage(store::SaveError error, const QString& file, const QString& target)
{
    const QFileInfo info(target);
    switch (error) {
    case store::SaveError::NotRegularFile:
        return QStringLiteral("%1 is not a regular file; not changing it").arg(file);
    case store::SaveError::NotWritable:
        return QStringLiteral("%1 belongs to %2 and is not yours to write; nothing changed")
            .arg(file, info.owner().isEmpty() ? QString::number(info.ownerId()) : info.owner());
    case store::SaveError::NoFolder:
        return QStringLiteral("the folder %1 cannot be created; nothing changed").arg(info.absolutePath());
    case store::SaveError::LockBlocked:
        return QStringLiteral("%1.lock is not a lock file; remove it. Nothing changed").arg(file);
    case store::SaveError::LockNotCreated:
    case store::SaveError::DraftNotCreated:
        return QFileInfo(info.absolutePath()).isWritable()
            ? QStringLiteral("cannot create a file in %1 (is the disk full?); nothing changed").arg(info.absolutePath())
            : QStringLiteral("the folder %1 is not yours to write; nothing changed").arg(info.absolutePath());
    case store::SaveError::NotWrittenWhole:
        return QStringLiteral("could not write %1 whole (disk full, or a file size limit?); it is as it was").arg(file);
    case store::SaveError::NotReplaced:
    case store::SaveError::None:
        break;
    }
    return QStringLiteral("could not put the new %1 in place; it is as it was").arg(file);
}

} // namespace

Session::Session(const QString& settingsFile, const QString& appDir)
    : m_files(store::Files::client())
{
    m_namedFile = !settingsFile.isEmpty();
    if (m_namedFile)
        m_files.settingsFilePath = QFileInfo(settingsFile).absoluteFilePath();
    if (!appDir.isEmpty())
        m_files.appDirPath = QFileInfo(appDir).absoluteFilePath();
}

Session::~Session() = default;

ConfigMgrPrivate& Session::record()
{
    if (!m_record)
        m_record = std::make_unique<ConfigMgrPrivate>(nullptr, m_files);
    return *m_record;
}

ConfigMgrPrivate& Session::loaded()
{
    m_record = std::make_unique<ConfigMgrPrivate>(nullptr, m_files);
    loadAll(*m_record);
    return *m_record;
}

std::unique_ptr<ConfigMgrPrivate> Session::loadedOn(const QString& settingsFile) const
{
    auto d = std::make_unique<ConfigMgrPrivate>(nullptr, store::Files { m_files.appDirPath, settingsFile });
    loadAll(*d);
    return d;
}

void Session::warnWhereDefaultsShow() const
{
    QStringList unread;
    for (const char* name : kDataFiles) {
        QByteArray plaintext;
        if (!readDataFile(dataFilePath(appDir(), name), plaintext))
            unread << QLatin1String(name + 1);
    }
    if (!unread.isEmpty())
        fail(QStringLiteral("warning: %1 in %2 missing or not readable with this build's key; their groups show "
                            "their defaults")
                 .arg(unread.join(QStringLiteral(", ")), appDir()),
            0);
    if (!QFileInfo::exists(settingsFile()))
        fail(
            QStringLiteral("warning: %1 does not exist; the user's groups show their defaults").arg(settingsFile()), 0);
}

int Session::notWritten(store::SaveResult saved)
{
    m_saved = saved;
    return kNotWritten;
}

int Session::write(const std::function<int(ConfigMgrPrivate& d, QString& done)>& change)
{
    const QString& file = settingsFile();
    const QString lockPath = file + QLatin1String(".cvconf-lock");
    const QString folder = QFileInfo(store::finalTarget(file)).absolutePath();
    if (!store::lockPathUsable(lockPath))
        return fail(QStringLiteral("%1 is not a lock file; remove it. Nothing changed").arg(lockPath), 1);
    // The client's own folder is made on its first save; a mistyped --file
    // should not make one.
    if (m_namedFile && !QFileInfo::exists(folder))
        return fail(QStringLiteral("the folder %1 does not exist; nothing changed").arg(folder), 1);
    // QLockFile's own timed wait doubles its pause after every try (100 ms,
    // 200 ms, ... 6.4 s), so among writers that take and release the lock all
    // the time it tries a few times and can give up with the lock free most
    // of the while. Trying every few milliseconds cannot starve.
    QLockFile lock(lockPath);
    QElapsedTimer waited;
    waited.start();
    bool locked = false;
    while (!(locked = lock.tryLock(0)) && lock.error() == QLockFile::LockFailedError
        && !waited.hasExpired(kWriteLockWaitMs))
        QThread::msleep(5);
    if (!locked)
        return fail(lock.error() == QLockFile::LockFailedError
                ? QStringLiteral("another cvconf has been changing %1 for %2 s (it holds %3); nothing changed")
                      .arg(file)
                      .arg(kWriteLockWaitMs / 1000)
                      .arg(lockPath)
                : lock.error() == QLockFile::PermissionError
                ? QStringLiteral("the folder %1 is not yours to write; nothing changed").arg(folder)
                : QStringLiteral("cannot create the lock %1 (is the disk full?); nothing changed").arg(lockPath),
            1);
    QString why;
    if (!safeToWrite(file, why))
        return fail(why, 1);
    const QString target = store::finalTarget(file);
    const Owner owner = Owner::of(target);
    QString done;
    const int status = change(loaded(), done);
    m_record.reset();
    if (status == kNotWritten)
        return fail(notWrittenMessage(m_saved.error, file, target), 1);
    if (status != 0)
        return status;
    if (!owner.giveBack(target))
        return fail(QStringLiteral("%1 was written, but its owner could not be set back").arg(file), 1);
    print(done);
    return 0;
}

int fail(const QString& message, int status)
{
    std::fprintf(stderr, "cvconf: %s\n", message.toUtf8().constData());
    return status;
}

void print(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

bool decodeUtf8(const QByteArray& bytes, QString& text)
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    QTextCodec::ConverterState state;
    text = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
#else
    // Qt 6 has no codecs. A stateless decoder counts a sequence cut short at
    // the end as an error, as the state's remaining characters above do; a
    // leading byte order mark is dropped by both.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text = decoder(bytes);
    return !decoder.hasError();
#endif
}
