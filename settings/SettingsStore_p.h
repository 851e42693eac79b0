#pragma once

#include "ConfigMgr.h"
#include "SettingsGroups_p.h"
#include "tripledes/TripleDes.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

class QLockFile;
class QSettings;

// The user settings file: one INI section per group, read and written through
// one load frame and one save frame driven by each section's key table. Every
// save, and every load step (a SectionReader), opens the file afresh through
// its own QSettings object and closes it (which writes it) before returning.
namespace cvsettings::store {

// The file's name in the client's per-user folder.
inline constexpr char kSettingsFileName[] = "com.corvane.settings.ini";

// How long a save waits for another process's save to finish before it gives
// up and leaves the file as it was. Saves hold the lock for milliseconds.
constexpr int kSaveLockWaitMs = 10000;

// Holds the file's save lock from construction to destruction, so that a
// read, a change and the saves made meanwhile in this process are one step
// that no other process's save can come between. Saves on the file made
// while it is open neither take the lock again nor wait for destruction to
// write: they write at once, and the transaction records whether they reached
// the disk. One transaction at a time per process.
class SaveTransaction
{
public:
    explicit SaveTransaction(const QString& file);
    ~SaveTransaction();
    SaveTransaction(const SaveTransaction&) = delete;
    SaveTransaction& operator=(const SaveTransaction&) = delete;

    const QString& file() const { return m_file; }
    // False when the lock could not be had within kSaveLockWaitMs, or its
    // path holds something other than a lock file; every save then gives up.
    bool locked() const { return m_locked; }
    // True once a save under the transaction did not reach the disk.
    bool failed() const { return m_failed; }
    void noteSave(bool written) { m_failed = m_failed || !written; }

private:
    QString m_file;
    std::unique_ptr<QLockFile> m_lock;
    SaveTransaction* m_outer;
    bool m_locked = false;
    bool m_failed = false;
};

// One save of raw keys through the save frame (lock, fresh parse, write), for
// the keys that no group's save writes. False when it did not reach the disk.
bool rewrite(const QString& file, const std::function<void(QSettings&)>& change);

// The keys kept for a section, in table order, with the property behind each;
// empty for a section the library does not know. "Login" ends with the
// accounts' array "Users".
struct StoredKey {
    QString key;
    QString property;
};
QList<StoredKey> sectionKeys(const QString& section);

// One load step's settings object, open on the file from construction to
// destruction. Each read takes one group's section through the load frame;
// nothing for a group without a section (see SettingsGroups_p.h) or for a
// null group. The cipher is for the accounts' passwords of "Login". read() is
// defined for every group of the list.
class SectionReader
{
public:
    SectionReader(const QString& file, const TORVELIB::TripleDesContext& cipher);
    ~SectionReader();
    SectionReader(const SectionReader&) = delete;
    SectionReader& operator=(const SectionReader&) = delete;

    template <class G> void read(G* group);

private:
    std::unique_ptr<QSettings> m_ini;
    const TORVELIB::TripleDesContext& m_cipher;
};

// One group's section through the save frame; nothing for a group without a
// section or for a null group. Defined for every group of the list.
template <class G> void saveSection(const QString& file, const G* group, const TORVELIB::TripleDesContext& cipher);

} // namespace cvsettings::store
