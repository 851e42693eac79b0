#pragma once

#include "ConfigMgr.h"
#include "SettingsGroups_p.h"
#include "SettingsStore_p.h"

#include "tripledes/TripleDes.h"

#include <QMap>
#include <QObject>
#include <QString>

#include <memory>

// The manager's private record, built with the files it reads and writes.
// The settings objects are QObject children of `owner` and die with it; the
// maps hold non-owning pointers to children.
//
// The manager's record (q: the manager) has the client's files and the
// manager as owner. A tool, test or benchmark builds a record of its own on
// files of its own (q: null), which then owns its objects; the process's
// manager is never involved.
class ConfigMgrPrivate
{
public:
    ConfigMgrPrivate(ConfigMgr* q, const cvsettings::store::Files& files);
    ~ConfigMgrPrivate();
    ConfigMgrPrivate(const ConfigMgrPrivate&) = delete;
    ConfigMgrPrivate& operator=(const ConfigMgrPrivate&) = delete;

    // Stores a differing value and signals it through the manager, if any.
    void setSupportIcsFile(bool icsSupport);

    ConfigMgr* const q;

private:
    const std::unique_ptr<QObject> m_root; // the owner of a record without a manager

public:
    QObject* const owner;
    // Declaration order is creation order.
#define CV_RECORD_FIELD(Class, member, ...) Class* const member = new Class(owner);
    CV_SETTINGS_GROUPS(CV_RECORD_FIELD, CV_RECORD_FIELD)
#undef CV_RECORD_FIELD
    QMap<QString, ThirdLoginConfig*> thirdLoginConfigs;
    QMap<QString, ThirdContactsConfig*> thirdContactsConfigs;
    QMap<QString, ThirdCalendarConfig*> thirdCalendarConfigs;
    bool supportIcsFile = false;
    // Whether the settings file, when the load last looked, started with
    // UTF-8's byte order mark.
    bool settingsFileMarked = false;
    const QString appDirPath;
    const QString settingsFilePath;
    TORVELIB::TripleDesContext passwordCipher;
};

namespace cvsettings {

// The names under which the manager looks up providers.
inline constexpr char kGoogle[] = "Google";
inline constexpr char kFacebook[] = "Facebook";
inline constexpr char kOutlook[] = "Outlook";

// The record's object of a held group's class.
template <class G> G* heldGroup(const ConfigMgrPrivate& d);
#define CV_HELD_GROUP(Class, member, ...) \
    template <> inline Class* heldGroup<Class>(const ConfigMgrPrivate& d) { return d.member; }
CV_SETTINGS_GROUPS(CV_HELD_GROUP, CV_HELD_GROUP)
#undef CV_HELD_GROUP

// The whole load sequence on a record, as loadConfig() runs it.
void loadAll(ConfigMgrPrivate& d);

// A group's save operation: its section of the settings file, if it has one.
// Whether it reached the disk; the manager's operations drop the answer.
template <class G> store::SaveResult saveGroup(const ConfigMgrPrivate& d, const G* group)
{
    return store::saveSection(d.settingsFilePath, group, d.passwordCipher);
}

// A group's write operation: assignment onto the held object, then its save.
template <class G> store::SaveResult writeGroup(ConfigMgrPrivate& d, G* held, const G& value)
{
    *held = value;
    return saveGroup(d, held);
}

} // namespace cvsettings
