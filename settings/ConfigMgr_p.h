#pragma once

#include "ConfigMgr.h"
#include "SettingsGroups_p.h"
#include "SettingsStore_p.h"

#include "tripledes/TripleDes.h"

#include <QMap>
#include <QString>

// The manager's private record. The settings objects are QObject children of
// the owner and die with it; the maps hold non-owning pointers to children.
//
// The manager keeps one; a tool or test that needs the same groups on other
// files keeps a record of its own around the manager (its objects are then
// children of the manager as well) and runs the operations below on it.
class ConfigMgrPrivate
{
public:
    explicit ConfigMgrPrivate(ConfigMgr* owner);
    ~ConfigMgrPrivate();
    ConfigMgrPrivate(const ConfigMgrPrivate&) = delete;
    ConfigMgrPrivate& operator=(const ConfigMgrPrivate&) = delete;

    // Stores a differing value and signals it through the owner.
    void setSupportIcsFile(bool icsSupport);

    ConfigMgr* const owner;
    // Declaration order is creation order.
#define CV_RECORD_FIELD(Class, member, ...) Class* const member = new Class(owner);
#define CV_RECORD_PROVIDERS                                   \
    QMap<QString, ThirdLoginConfig*> thirdLoginConfigs;       \
    QMap<QString, ThirdContactsConfig*> thirdContactsConfigs; \
    QMap<QString, ThirdCalendarConfig*> thirdCalendarConfigs;
    CV_SETTINGS_GROUPS(CV_RECORD_FIELD, CV_RECORD_PROVIDERS, CV_RECORD_FIELD)
#undef CV_RECORD_PROVIDERS
#undef CV_RECORD_FIELD
    bool supportIcsFile = false;
    QString appDirPath;
    QString settingsFilePath;
    TORVELIB::TripleDesContext passwordCipher;
};

namespace cvsettings {

// The whole load sequence on a record, as loadConfig() runs it.
void loadAll(ConfigMgrPrivate& d);

// A group's save operation: its section of the settings file, if it has one.
template <class G> void saveGroup(const ConfigMgrPrivate& d, const G* group)
{
    store::saveSection(d.settingsFilePath, group, d.passwordCipher);
}

// A group's write operation: assignment onto the held object, then its save.
template <class G> void writeGroup(ConfigMgrPrivate& d, G* held, const G& value)
{
    *held = value;
    saveGroup(d, held);
}

} // namespace cvsettings
