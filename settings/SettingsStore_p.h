#pragma once

#include "ConfigMgr.h"
#include "SettingsFile_p.h"
#include "SettingsGroups_p.h"
#include "tripledes/TripleDes.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

class QSettings;

// The user settings file: one INI section per group, read and written through
// one load frame and one save frame driven by each section's key table. Every
// save (through store::save), and every load step (a SectionReader), opens the
// file afresh through its own QSettings object and closes it (which writes it)
// before returning.
namespace cvsettings::store {

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
    // `utf8Marked`: the file starts with UTF-8's byte order mark (see
    // hasUtf8Mark(), asked once per load).
    SectionReader(const QString& file, const TORVELIB::TripleDesContext& cipher, bool utf8Marked);
    ~SectionReader();
    SectionReader(const SectionReader&) = delete;
    SectionReader& operator=(const SectionReader&) = delete;

    template <class G> void read(G* group);

private:
    std::unique_ptr<QSettings> m_ini;
    const TORVELIB::TripleDesContext& m_cipher;
};

// One group's section through the save frame; nothing for a group without a
// section or for a null group (both false). Whether the section reached the
// disk, and if not why (see store::save). Defined for every group of the list.
template <class G>
SaveResult saveSection(const QString& file, const G* group, const TORVELIB::TripleDesContext& cipher);

} // namespace cvsettings::store
