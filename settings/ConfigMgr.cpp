#include "ConfigMgr.h"

#include "ConfigMgr_p.h"
#include "PasswordCipher_p.h"
#include "ProductFiles_p.h"
#include "SettingsStore_p.h"

using namespace cvsettings;

ConfigMgr* ConfigMgr::s_pInstance = nullptr;

namespace {

using LoadStep = void (*)(ConfigMgrPrivate& d);

// A section step: the sections of the groups named, read in turn through one
// settings object of the step's own.
template <class... Groups> void readSections(ConfigMgrPrivate& d)
{
    store::SectionReader reader(d.settingsFilePath, d.passwordCipher, d.settingsFileMarked);
    (reader.read(heldGroup<Groups>(d)), ...);
}

// The load sequence: every step runs, always in this order, and no step's
// outcome changes a later one. Each step changes held objects only through
// their setters, so loading signals exactly what changed.
// clang-format off
const LoadStep kLoadSequence[] = {
    loadClientConfig,                 //  1 "/config.data"
    loadOmsUrlConfig,                 //  2 "/omsurl.data"
    loadThirdConfigs,                 //  3 "/thirdconfig.data"
    loadServerDataFile,               //  4 "/cvserver.data"
    readSections<ServerSetting>,      //  5 the settings file's sections, one step each
    readSections<NormalSetting>,      //  6
    readSections<MeetingSetting>,     //  7
    readSections<MessageSetting>,     //  8
    readSections<ShareSetting>,       //  9
    readSections<LoginSetting>,       // 10
    readSections<UISetting>,          // 11
    readSections<JoinMeetingSetting>, // 12
    readSections<OnionSetting>,       // 13
    // 14: Audio and Record, which only their saves write, are read back after
    // Process through the same settings object: each settings object looks at
    // the file's size and time stamp when it is made, which costs more than
    // reading a section.
    readSections<ProcessSetting, AudioSetting, RecordSetting>,
    loadSupportIcsFile,               // 15 the calendar-file association
};
// clang-format on

} // namespace

// The settings objects are created by the fields' initialisers, in the
// order the fields are declared.
ConfigMgrPrivate::ConfigMgrPrivate(ConfigMgr* manager, const store::Files& files)
    : q(manager)
    , m_root(manager ? nullptr : new QObject)
    , owner(manager ? static_cast<QObject*>(manager) : m_root.get())
    , appDirPath(files.appDirPath)
    , settingsFilePath(files.settingsFilePath)
{
    keyPasswordCipher(passwordCipher);
}

// The settings objects are children of the owner, and the password cipher's
// context clears itself.
ConfigMgrPrivate::~ConfigMgrPrivate() = default;

ConfigMgr::ConfigMgr(QObject* parent)
    : QObject(parent)
    , d(new ConfigMgrPrivate(this, store::Files::client()))
{ }

ConfigMgr::~ConfigMgr() { delete d; }

ConfigMgr* ConfigMgr::createInstance()
{
    if (!s_pInstance)
        s_pInstance = new ConfigMgr;
    return s_pInstance;
}

ConfigMgr* ConfigMgr::getInstance() { return s_pInstance; }

void ConfigMgr::destroyInstance()
{
    if (!s_pInstance)
        return;
    delete s_pInstance;
    s_pInstance = nullptr;
}

// Constants of the library as it is published (the Windows build), whatever
// platform it was compiled on.
bool ConfigMgr::isWindowsPaltform() { return true; }

bool ConfigMgr::isMacPaltform() { return false; }

void cvsettings::loadAll(ConfigMgrPrivate& d)
{
    store::removeStaleDrafts(d.settingsFilePath);
    d.settingsFileMarked = store::hasUtf8Mark(d.settingsFilePath);
    for (const LoadStep step : kLoadSequence)
        step(d);
}

void ConfigMgr::loadConfig() { loadAll(*d); }

#define CV_PRODUCT_GROUP(Class, member, ...) \
    const Class& ConfigMgr::member() const { return *d->member; }
// Accessor, set (assignment onto the held group), save (its section, if any)
// and write (set, then save) are the same for every user-changeable group.
#define CV_USER_GROUP(Class, member, Operation, ...)                               \
    const Class& ConfigMgr::member() const { return *d->member; }                  \
    void ConfigMgr::set##Operation(const Class& setting) { *d->member = setting; } \
    void ConfigMgr::save##Operation() { saveGroup(*d, d->member); }                \
    void ConfigMgr::write##Operation(const Class& setting)                         \
    {                                                                              \
        set##Operation(setting);                                                   \
        save##Operation();                                                         \
    }
CV_SETTINGS_GROUPS(CV_PRODUCT_GROUP, CV_USER_GROUP)
#undef CV_USER_GROUP
#undef CV_PRODUCT_GROUP

QString ConfigMgr::google() { return QLatin1String(kGoogle); }
QString ConfigMgr::facebook() { return QLatin1String(kFacebook); }
QString ConfigMgr::outlook() { return QLatin1String(kOutlook); }

ThirdLoginConfig ConfigMgr::thirdLoginConfig(const QString& strThirdName)
{
    if (const ThirdLoginConfig* held = d->thirdLoginConfigs.value(strThirdName))
        return *held;
    return ThirdLoginConfig();
}

ThirdContactsConfig* ConfigMgr::thirdContactsConfig(const QString& strThirdName)
{
    return d->thirdContactsConfigs.value(strThirdName);
}

ThirdCalendarConfig* ConfigMgr::thirdCalendarConfig(const QString& strThirdName)
{
    return d->thirdCalendarConfigs.value(strThirdName);
}

bool ConfigMgr::supportIcsFile() { return d->supportIcsFile; }

void ConfigMgr::setSupportIcsFile(bool icsSupport) { d->setSupportIcsFile(icsSupport); }

void ConfigMgrPrivate::setSupportIcsFile(bool icsSupport)
{
    if (supportIcsFile == icsSupport)
        return;
    supportIcsFile = icsSupport;
    if (q)
        emit q->supportIcsFileChanged(icsSupport);
}
