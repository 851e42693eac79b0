#include "ConfigMgr.h"

#include "ConfigMgr_p.h"
#include "PasswordCipher_p.h"
#include "ProductFiles_p.h"
#include "SettingsStore_p.h"

#include <array>

using namespace cvsettings;

ConfigMgr* ConfigMgr::s_pInstance = nullptr;

namespace {

// The load sequence: every step runs, always in this order, and no step's
// outcome changes a later one. Each step changes held objects only through
// their setters, so loading signals exactly what changed.
using LoadStep = void (*)(ConfigMgrPrivate& d);

// Steps 1 to 4 read the product data files, the section steps the sections in
// the group list's read order, the last step the calendar-file association.
constexpr int kFirstSectionStep = 5;
constexpr int kLastSectionStep = kLoadSteps - 1;
// Audio and Record, which only their saves write, are read back after Process
// through the last section step's settings object: each settings object looks
// at the file's size and time stamp when it is made, which costs more than
// reading a section.
constexpr int kLastSectionRead = kLastSectionStep + 2;

// Reads the sections at places Order to Last of the read order, in turn.
template <int Order, int Last> void readSections(store::SectionReader& reader, ConfigMgrPrivate& d)
{
#define CV_READ_AT(Class, member, ...)                 \
    if constexpr (GroupRow<Class>::readOrder == Order) \
        reader.read(d.member);
    CV_SETTINGS_GROUPS(CV_READ_AT, , CV_READ_AT)
#undef CV_READ_AT
    if constexpr (Order < Last)
        readSections<Order + 1, Last>(reader, d);
}

// One section step: a settings object of its own, through which the sections
// at places First to Last of the read order are read.
template <int First, int Last> void loadSections(ConfigMgrPrivate& d)
{
    store::SectionReader reader(d.settingsFilePath, d.passwordCipher, d.settingsFileMarked);
    readSections<First, Last>(reader, d);
}

// Each section step reads the section at its own place; the last one reads
// the read-back sections after it as well.
template <int Step> constexpr void placeSectionSteps(std::array<LoadStep, kLoadSteps>& steps)
{
    if constexpr (Step < kLastSectionStep) {
        steps[Step - 1] = loadSections<Step, Step>;
        placeSectionSteps<Step + 1>(steps);
    } else {
        steps[Step - 1] = loadSections<Step, kLastSectionRead>;
    }
}

constexpr std::array<LoadStep, kLoadSteps> loadSequence()
{
    std::array<LoadStep, kLoadSteps> steps {};
    steps[0] = loadClientConfig; // "/config.data"
    steps[1] = loadOmsUrlConfig; // "/omsurl.data"
    steps[2] = loadThirdConfigs; // "/thirdconfig.data"
    steps[3] = loadServerDataFile; // "/cvserver.data"
    placeSectionSteps<kFirstSectionStep>(steps);
    steps[kLoadSteps - 1] = loadSupportIcsFile;
    return steps;
}

const std::array<LoadStep, kLoadSteps> kLoadSequence = loadSequence();

// Every place of the read order from the first section step on is taken by
// exactly one row, and no row lies outside them.
constexpr bool everySectionPlacedOnce()
{
    std::array<int, kLastSectionRead + 1> taken {};
#define CV_TAKE_PLACE(Class, ...)                                                                            \
    if (GroupRow<Class>::hasSection) {                                                                       \
        if (GroupRow<Class>::readOrder < kFirstSectionStep || GroupRow<Class>::readOrder > kLastSectionRead) \
            return false;                                                                                    \
        ++taken[GroupRow<Class>::readOrder];                                                                 \
    }
    CV_SETTINGS_GROUPS(CV_TAKE_PLACE, , CV_TAKE_PLACE)
#undef CV_TAKE_PLACE
    for (int order = kFirstSectionStep; order <= kLastSectionRead; ++order)
        if (taken[order] != 1)
            return false;
    return true;
}
static_assert(everySectionPlacedOnce(), "each section place must be taken by exactly one row");

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
CV_SETTINGS_GROUPS(CV_PRODUCT_GROUP, , CV_USER_GROUP)
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
