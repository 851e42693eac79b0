#include "ConfigMgr.h"

#include "ConfigMgr_p.h"
#include "PasswordCipher_p.h"
#include "PathHelper.h"
#include "ProductFiles_p.h"
#include "SettingsStore_p.h"

#include <QCoreApplication>

using namespace cvsettings;

ConfigMgr* ConfigMgr::s_pInstance = nullptr;

namespace {

const QString kGoogle = QStringLiteral("Google");
const QString kFacebook = QStringLiteral("Facebook");
const QString kOutlook = QStringLiteral("Outlook");

// The load sequence: every step runs, always in this order, and no step's
// outcome changes a later one. Each step changes held objects only through
// their setters, so loading signals exactly what changed.
struct LoadStep {
    const char* source;
    void (*run)(ConfigMgrPrivate& d);
};

const LoadStep kLoadSequence[] = {
    { "data file /config.data", [](ConfigMgrPrivate& d) { loadClientConfig(d); } },
    { "data file /omsurl.data", loadOmsUrlConfig },
    { "data file /thirdconfig.data", loadThirdConfigs },
    { "data file /cvserver.data", loadServerDataFile },
    { "section Server", [](ConfigMgrPrivate& d) { store::loadServerSection(d.settingsFilePath, d.serverSetting); } },
    { "section Normal", [](ConfigMgrPrivate& d) { store::loadSection(d.settingsFilePath, d.normalSetting); } },
    { "section Meeting", [](ConfigMgrPrivate& d) { store::loadSection(d.settingsFilePath, d.meetingSetting); } },
    { "section Message", [](ConfigMgrPrivate& d) { store::loadSection(d.settingsFilePath, d.messageSetting); } },
    { "section Share", [](ConfigMgrPrivate& d) { store::loadSection(d.settingsFilePath, d.shareSetting); } },
    { "section Login",
        [](ConfigMgrPrivate& d) { store::loadLoginSection(d.settingsFilePath, d.loginSetting, d.passwordCipher); } },
    { "section UI", [](ConfigMgrPrivate& d) { store::loadSection(d.settingsFilePath, d.uiSetting); } },
    { "section JoinMeeting",
        [](ConfigMgrPrivate& d) { store::loadSection(d.settingsFilePath, d.joinMeetingSetting); } },
    { "section Onion", [](ConfigMgrPrivate& d) { store::loadSection(d.settingsFilePath, d.onionSetting); } },
    { "section Process", [](ConfigMgrPrivate& d) { store::loadSection(d.settingsFilePath, d.processSetting); } },
    // Audio and recording choices are saved, so they are read back as well.
    { "section Audio", [](ConfigMgrPrivate& d) { store::loadSection(d.settingsFilePath, d.audioSetting); } },
    { "section Record", [](ConfigMgrPrivate& d) { store::loadSection(d.settingsFilePath, d.recordSetting); } },
    { "calendar-file association", loadSupportIcsFile },
};

} // namespace

ConfigMgrPrivate::ConfigMgrPrivate(ConfigMgr* q)
    : owner(q)
    , clientConfig(new ClientConfig(q))
    , omsUrlConfig(new OmsUrlConfig(q))
    , serverSetting(new ServerSetting(q))
    , intercomConfig(new IntercomConfig(q))
    , normalSetting(new NormalSetting(q))
    , meetingSetting(new MeetingSetting(q))
    , messageSetting(new MessageSetting(q))
    , audioSetting(new AudioSetting(q))
    , videoSetting(new VideoSetting(q))
    , recordSetting(new RecordSetting(q))
    , loginSetting(new LoginSetting(q))
    , uiSetting(new UISetting(q))
    , joinMeetingSetting(new JoinMeetingSetting(q))
    , shareSetting(new ShareSetting(q))
    , onionSetting(new OnionSetting(q))
    , processSetting(new ProcessSetting(q))
    , passwordCipher()
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
bool ConfigMgr::isWindowsPaltform()
{
    return true;
}

bool ConfigMgr::isMacPaltform()
{
    return false;
}

void ConfigMgr::loadConfig()
{
    for (const LoadStep& step : kLoadSequence)
        step.run(*d);
}

const ClientConfig& ConfigMgr::clientConfig() const { return *d->clientConfig; }
const ServerSetting& ConfigMgr::serverSetting() const { return *d->serverSetting; }
const IntercomConfig& ConfigMgr::intercomConfig() const { return *d->intercomConfig; }
const OmsUrlConfig& ConfigMgr::omsUrlConfig() const { return *d->omsUrlConfig; }

// Accessor, set (assignment onto the held group) and write (set, then save)
// are the same for every user-changeable group.
#define CV_USER_GROUP(Class, accessor, Name, member)                                                                   \
    const Class& ConfigMgr::accessor() const { return *d->member; }                                                    \
    void ConfigMgr::set##Name(const Class& setting) { *d->member = setting; }                                          \
    void ConfigMgr::write##Name(const Class& setting)                                                                  \
    {                                                                                                                  \
        set##Name(setting);                                                                                            \
        save##Name();                                                                                                  \
    }

CV_USER_GROUP(AudioSetting, audioSetting, AudioSetting, audioSetting)
CV_USER_GROUP(VideoSetting, videoSetting, VideoSetting, videoSetting)
CV_USER_GROUP(RecordSetting, recordSetting, RecordSetting, recordSetting)
CV_USER_GROUP(ShareSetting, shareSetting, ShareSetting, shareSetting)
CV_USER_GROUP(OnionSetting, onionSetting, OnionSetting, onionSetting)
CV_USER_GROUP(ProcessSetting, processSetting, ProcessSetting, processSetting)
CV_USER_GROUP(NormalSetting, normalSetting, NormalSetting, normalSetting)
CV_USER_GROUP(MeetingSetting, meetingSetting, MeetingSetting, meetingSetting)
CV_USER_GROUP(MessageSetting, messageSetting, MessageSetting, messageSetting)
CV_USER_GROUP(UISetting, uiSetting, UiSetting, uiSetting)
CV_USER_GROUP(JoinMeetingSetting, joinMeetingSetting, JoinMeetingSetting, joinMeetingSetting)
CV_USER_GROUP(LoginSetting, loginSetting, LoginSetting, loginSetting)

#undef CV_USER_GROUP

void ConfigMgr::saveAudioSetting() { store::saveSection(d->settingsFilePath, d->audioSetting); }
void ConfigMgr::saveRecordSetting() { store::saveSection(d->settingsFilePath, d->recordSetting); }
void ConfigMgr::saveShareSetting() { store::saveSection(d->settingsFilePath, d->shareSetting); }
void ConfigMgr::saveOnionSetting() { store::saveSection(d->settingsFilePath, d->onionSetting); }
void ConfigMgr::saveProcessSetting() { store::saveSection(d->settingsFilePath, d->processSetting); }
void ConfigMgr::saveNormalSetting() { store::saveSection(d->settingsFilePath, d->normalSetting); }
void ConfigMgr::saveMeetingSetting() { store::saveSection(d->settingsFilePath, d->meetingSetting); }
void ConfigMgr::saveMessageSetting() { store::saveSection(d->settingsFilePath, d->messageSetting); }
void ConfigMgr::saveUiSetting() { store::saveSection(d->settingsFilePath, d->uiSetting); }
void ConfigMgr::saveJoinMeetingSetting() { store::saveSection(d->settingsFilePath, d->joinMeetingSetting); }

void ConfigMgr::saveLoginSetting() { store::saveLoginSection(d->settingsFilePath, d->loginSetting, d->passwordCipher); }

// The video group has no section in the settings file.
void ConfigMgr::saveVideoSetting() { }

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

void ConfigMgr::setSupportIcsFile(bool icsSupport)
{
    if (d->supportIcsFile == icsSupport)
        return;
    d->supportIcsFile = icsSupport;
    emit supportIcsFileChanged(icsSupport);
}
