#pragma once

#include "cvsettings_export.h"

#include "AudioSetting.h"
#include "ClientConfig.h"
#include "IntercomConfig.h"
#include "JoinMeetingSetting.h"
#include "LoginSetting.h"
#include "MeetingSetting.h"
#include "MessageSetting.h"
#include "NormalSetting.h"
#include "OmsUrlConfig.h"
#include "OnionSetting.h"
#include "ProcessSetting.h"
#include "RecordSetting.h"
#include "ServerSetting.h"
#include "ShareSetting.h"
#include "ThirdCalendarConfig.h"
#include "ThirdContactsConfig.h"
#include "ThirdLoginConfig.h"
#include "UISetting.h"
#include "VideoSetting.h"

#include <QObject>
#include <QString>

class ConfigMgrPrivate;

/// The one process-wide object through which the client reaches every setting.
///
/// Create it once the application object exists, call loadConfig(), then read
/// groups through the accessors (references stay valid until destroyInstance()),
/// change copies and hand them back: set assigns onto the held group (one
/// signal per changed value), save writes the group's section of the user
/// settings file, write does both. Nothing is saved on destruction.
class CVSETTINGS_EXPORT ConfigMgr : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString google READ google NOTIFY googleChanged)
    Q_PROPERTY(QString facebook READ facebook NOTIFY facebookChanged)
    Q_PROPERTY(QString outlook READ outlook NOTIFY outlookChanged)
    Q_PROPERTY(bool supportIcsFile READ supportIcsFile WRITE setSupportIcsFile NOTIFY supportIcsFileChanged)

public:
    static ConfigMgr* createInstance();
    static ConfigMgr* getInstance();
    static void destroyInstance();

    // Constants of the build target.
    static bool isWindowsPaltform();
    static bool isMacPaltform();

    // Reads the product data files, the user settings file and the calendar
    // association, always all of them, in one fixed order.
    void loadConfig();

    // Product configuration: read only.
    const ClientConfig& clientConfig() const;
    const ServerSetting& serverSetting() const;
    const IntercomConfig& intercomConfig() const;
    const OmsUrlConfig& omsUrlConfig() const;

    // User-changeable groups: accessor, set, write (set + save), save.
    const AudioSetting& audioSetting() const;
    void setAudioSetting(const AudioSetting& setting);
    void writeAudioSetting(const AudioSetting& setting);
    void saveAudioSetting();

    const VideoSetting& videoSetting() const;
    void setVideoSetting(const VideoSetting& setting);
    void writeVideoSetting(const VideoSetting& setting); // the video group is not stored
    void saveVideoSetting();

    const RecordSetting& recordSetting() const;
    void setRecordSetting(const RecordSetting& setting);
    void writeRecordSetting(const RecordSetting& setting);
    void saveRecordSetting();

    const ShareSetting& shareSetting() const;
    void setShareSetting(const ShareSetting& setting);
    void writeShareSetting(const ShareSetting& setting);
    void saveShareSetting();

    const OnionSetting& onionSetting() const;
    void setOnionSetting(const OnionSetting& setting);
    void writeOnionSetting(const OnionSetting& setting);
    void saveOnionSetting();

    const ProcessSetting& processSetting() const;
    void setProcessSetting(const ProcessSetting& setting);
    void writeProcessSetting(const ProcessSetting& setting);
    void saveProcessSetting();

    const NormalSetting& normalSetting() const;
    void setNormalSetting(const NormalSetting& setting);
    void writeNormalSetting(const NormalSetting& setting);
    void saveNormalSetting();

    const MeetingSetting& meetingSetting() const;
    void setMeetingSetting(const MeetingSetting& setting);
    void writeMeetingSetting(const MeetingSetting& setting);
    void saveMeetingSetting();

    const MessageSetting& messageSetting() const;
    void setMessageSetting(const MessageSetting& setting);
    void writeMessageSetting(const MessageSetting& setting);
    void saveMessageSetting();

    const UISetting& uiSetting() const;
    void setUiSetting(const UISetting& setting);
    void writeUiSetting(const UISetting& setting);
    void saveUiSetting();

    const JoinMeetingSetting& joinMeetingSetting() const;
    void setJoinMeetingSetting(const JoinMeetingSetting& setting);
    void writeJoinMeetingSetting(const JoinMeetingSetting& setting);
    void saveJoinMeetingSetting();

    const LoginSetting& loginSetting() const;
    void setLoginSetting(const LoginSetting& setting);
    void writeLoginSetting(const LoginSetting& setting);
    void saveLoginSetting();

    // OAuth providers by name ("Google", "Facebook", "Outlook").
    QString google();
    QString facebook();
    QString outlook();
    ThirdLoginConfig thirdLoginConfig(const QString& strThirdName);
    // Held objects owned by the manager, or null; never delete them.
    Q_INVOKABLE ThirdContactsConfig* thirdContactsConfig(const QString& strThirdName);
    Q_INVOKABLE ThirdCalendarConfig* thirdCalendarConfig(const QString& strThirdName);

    // Whether ".ics" calendar files have a handler; decided by loadConfig().
    bool supportIcsFile();
    void setSupportIcsFile(bool icsSupport);

signals:
    void googleChanged();
    void facebookChanged();
    void outlookChanged();
    void supportIcsFileChanged(bool icsSupport);

private:
    explicit ConfigMgr(QObject* parent = nullptr);
    ~ConfigMgr() override;
    ConfigMgr(const ConfigMgr&) = delete;
    ConfigMgr& operator=(const ConfigMgr&) = delete;

    ConfigMgrPrivate* const d;
    static ConfigMgr* s_pInstance;
};
