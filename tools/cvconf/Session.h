#pragma once

#include "ConfigMgr_p.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// One run of cvconf: the files it works on and the groups on them, in a record
// of its own (never the process's manager).
class Session
{
public:
    // Empty paths stand for the client's own files.
    Session(const QString& settingsFile, const QString& appDir);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const QString& settingsFile() const { return m_files.settingsFilePath; }
    const QString& appDir() const { return m_files.appDirPath; }

    // The groups on the session's files, not loaded: for their types and names.
    ConfigMgrPrivate& record();
    // A fresh record, loaded as the client loads it.
    ConfigMgrPrivate& loaded();
    // A loaded record on another settings file, beside the session's product files.
    std::unique_ptr<ConfigMgrPrivate> loadedOn(const QString& settingsFile) const;

    // Runs `change` on a freshly loaded record with cvconf's write lock held
    // from before the load until after the save, so that no other cvconf
    // writer's change is lost in between. `change` returns an exit status,
    // or notWritten() of its save; on 0 it may set `done`, printed once the
    // change is on disk. The file's owner is kept. Returns the exit status,
    // with a message naming the cause of a failure.
    int write(const std::function<int(ConfigMgrPrivate& d, QString& done)>& change);
    // Says on stderr which of what a reading command shows are defaults
    // only: product files that are missing or cannot be read with this
    // build's key, and a settings file that does not exist.
    void warnWhereDefaultsShow() const;
    // What a change returns when its save did not reach the disk.
    int notWritten(cvsettings::store::SaveResult saved);

private:
    static constexpr int kNotWritten = -1;
    cvsettings::store::Files m_files;
    bool m_namedFile = false; // a settings file named on the command line
    std::unique_ptr<ConfigMgrPrivate> m_record;
    cvsettings::store::SaveResult m_saved;
};

// Messages on stderr with the tool's name; returns `status`.
int fail(const QString& message, int status = 2);
void print(const QString& text);
// Strict: text that is not valid UTF-8 is refused, not replaced.
bool decodeUtf8(const QByteArray& bytes, QString& text);
