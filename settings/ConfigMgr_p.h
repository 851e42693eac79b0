#pragma once

#include "ConfigMgr.h"

#include "tripledes/TripleDes.h"

#include <QMap>
#include <QString>

// The manager's private record. The settings objects are QObject children of
// the manager and die with it; the maps hold non-owning pointers to children.
class ConfigMgrPrivate
{
public:
    explicit ConfigMgrPrivate(ConfigMgr* owner);
    ~ConfigMgrPrivate();

    // The record behind a manager, for cvconf (which points it at other files)
    // and for tests that drive the load steps.
    static ConfigMgrPrivate* get(ConfigMgr* manager) { return manager->d; }

    ConfigMgr* const owner;
    ClientConfig* clientConfig;
    OmsUrlConfig* omsUrlConfig;
    QMap<QString, ThirdLoginConfig*> thirdLoginConfigs;
    QMap<QString, ThirdContactsConfig*> thirdContactsConfigs;
    QMap<QString, ThirdCalendarConfig*> thirdCalendarConfigs;
    ServerSetting* serverSetting;
    IntercomConfig* intercomConfig;
    NormalSetting* normalSetting;
    MeetingSetting* meetingSetting;
    MessageSetting* messageSetting;
    AudioSetting* audioSetting;
    VideoSetting* videoSetting;
    RecordSetting* recordSetting;
    LoginSetting* loginSetting;
    UISetting* uiSetting;
    JoinMeetingSetting* joinMeetingSetting;
    ShareSetting* shareSetting;
    OnionSetting* onionSetting;
    ProcessSetting* processSetting;
    bool supportIcsFile = false;
    QString appDirPath;
    QString settingsFilePath;
    TORVELIB::TripleDesContext passwordCipher;
};
