#include "ConfigMgr.h"

#include "ConfigMgr_p.h"
#include "PasswordCipher_p.h"
#include "PathHelper.h"
#include "ProductFiles_p.h"
#include "SettingsStore_p.h"

#include <QCoreApplication>

#include <array>

using namespace cvsettings;

ConfigMgr* ConfigMgr::s_pInstance = nullptr;

namespace {

const QString kGoogle = QStringLiteral("Google");
const QString kFacebook = QStringLiteral("Facebook");
const QString kOutlook = QStringLiteral("Outlook");

// The load sequence: every step runs, always in this order, and no step's
// outcome changes a later one. Each step changes held objects only through
// their setters, so loading signals exactly what changed. The sections' steps
// take their places from the group list; Audio and Record are read back too,
// after Process, since their saves write them.
using LoadStep = void (*)(ConfigMgrPrivate& d);

template <class G, G* const ConfigMgrPrivate::*member> void loadGroupSection(ConfigMgrPrivate& d)
{
    store::loadSection(d.settingsFilePath, d.*member, d.passwordCipher);
}

constexpr std::array<LoadStep, kLoadSteps> loadSequence()
{
    std::array<LoadStep, kLoadSteps> steps {};
    steps[0] = loadClientConfig; // "/config.data"
    steps[1] = loadOmsUrlConfig; // "/omsurl.data"
    steps[2] = loadThirdConfigs; // "/thirdconfig.data"
    steps[3] = loadServerDataFile; // "/cvserver.data"
#define CV_SECTION_STEP(Class, member, ...) \
    if (GroupRow<Class>::hasSection)        \
        steps[GroupRow<Class>::loadStep - 1] = loadGroupSection<Class, &ConfigMgrPrivate::member>;
    CV_SETTINGS_GROUPS(CV_SECTION_STEP, , CV_SECTION_STEP)
#undef CV_SECTION_STEP
    steps[kLoadSteps - 1] = loadSupportIcsFile;
    return steps;
}

const std::array<LoadStep, kLoadSteps> kLoadSequence = loadSequence();

// Every step is taken exactly once: by a product data file, the calendar
// query, or one row of the group list.
constexpr bool everyStepTakenOnce()
{
    std::array<int, kLoadSteps> taken {};
    taken[0] = taken[1] = taken[2] = taken[3] = taken[kLoadSteps - 1] = 1;
#define CV_TAKE_STEP(Class, ...)     \
    if (GroupRow<Class>::hasSection) \
        ++taken[GroupRow<Class>::loadStep - 1];
    CV_SETTINGS_GROUPS(CV_TAKE_STEP, , CV_TAKE_STEP)
#undef CV_TAKE_STEP
    for (const int times : taken)
        if (times != 1)
            return false;
    return true;
}
static_assert(everyStepTakenOnce(), "each load step must be taken by exactly one row");

} // namespace

// The settings objects are created by the fields' initialisers, in the
// order the fields are declared.
ConfigMgrPrivate::ConfigMgrPrivate(ConfigMgr* q)
    : owner(q)
{
    keyPasswordCipher(passwordCipher);
    appDirPath = QCoreApplication::applicationDirPath();
    settingsFilePath = PathHelper::defaultPathName(QLatin1String(store::kSettingsFileName));
}

// The settings objects are children of the manager, and the password
// cipher's context clears itself.
ConfigMgrPrivate::~ConfigMgrPrivate() = default;

ConfigMgr::ConfigMgr(QObject* parent)
    : QObject(parent)
    , d(new ConfigMgrPrivate(this))
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
CV_SETTINGS_GROUPS(CV_PRODUCT_GROUP, , CV_USER_GROUP)
#undef CV_USER_GROUP
#undef CV_PRODUCT_GROUP

QString ConfigMgr::google() { return kGoogle; }
QString ConfigMgr::facebook() { return kFacebook; }
QString ConfigMgr::outlook() { return kOutlook; }

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
    emit owner->supportIcsFileChanged(icsSupport);
}
