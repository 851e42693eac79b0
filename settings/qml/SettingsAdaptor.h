#pragma once

#include <QObject>
#include <QPointer>
#include <QVariantList>
#include <QVariantMap>

class ConfigMgr;

// The QML singleton `Settings`: the process's one ConfigMgr as QML sees it.
//
// Each held group is a constant property named after the manager's accessor,
// pointing at the held object itself, so bindings follow its change signals
// and assignments from QML go through its setters. The user groups also get
// the manager's set, write and save operations under their own names; set and
// write take an object of the group's class (the held one, or a draft made by
// copy()) and answer false for anything else. The product groups have no such
// operations: nothing a screen changes in them is ever stored.
//
// The camera profiles and the saved accounts are containers of settings
// objects, which QML cannot hold; they come as `videos` (a list) and `users`
// (a map by e-mail) of plain property maps. A screen assigns an edited list or
// map back to videoSetting.videos or loginSetting.users (names a map leaves
// out keep their defaults), or changes one account with replaceIntoUser and
// removeUser.
class SettingsAdaptor : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObject* clientConfig READ clientConfig CONSTANT)
    Q_PROPERTY(QObject* serverSetting READ serverSetting CONSTANT)
    Q_PROPERTY(QObject* intercomConfig READ intercomConfig CONSTANT)
    Q_PROPERTY(QObject* omsUrlConfig READ omsUrlConfig CONSTANT)
    Q_PROPERTY(QObject* audioSetting READ audioSetting CONSTANT)
    Q_PROPERTY(QObject* videoSetting READ videoSetting CONSTANT)
    Q_PROPERTY(QObject* recordSetting READ recordSetting CONSTANT)
    Q_PROPERTY(QObject* shareSetting READ shareSetting CONSTANT)
    Q_PROPERTY(QObject* onionSetting READ onionSetting CONSTANT)
    Q_PROPERTY(QObject* processSetting READ processSetting CONSTANT)
    Q_PROPERTY(QObject* normalSetting READ normalSetting CONSTANT)
    Q_PROPERTY(QObject* meetingSetting READ meetingSetting CONSTANT)
    Q_PROPERTY(QObject* messageSetting READ messageSetting CONSTANT)
    Q_PROPERTY(QObject* uiSetting READ uiSetting CONSTANT)
    Q_PROPERTY(QObject* joinMeetingSetting READ joinMeetingSetting CONSTANT)
    Q_PROPERTY(QObject* loginSetting READ loginSetting CONSTANT)
    Q_PROPERTY(QString google READ google CONSTANT)
    Q_PROPERTY(QString facebook READ facebook CONSTANT)
    Q_PROPERTY(QString outlook READ outlook CONSTANT)
    Q_PROPERTY(bool supportIcsFile READ supportIcsFile WRITE setSupportIcsFile NOTIFY supportIcsFileChanged)
    Q_PROPERTY(QVariantList videos READ videos NOTIFY videosChanged)
    Q_PROPERTY(QVariantMap users READ users NOTIFY usersChanged)

public:
    explicit SettingsAdaptor(ConfigMgr* manager, QObject* parent = nullptr);

    QObject* clientConfig() const;
    QObject* serverSetting() const;
    QObject* intercomConfig() const;
    QObject* omsUrlConfig() const;
    QObject* audioSetting() const;
    QObject* videoSetting() const;
    QObject* recordSetting() const;
    QObject* shareSetting() const;
    QObject* onionSetting() const;
    QObject* processSetting() const;
    QObject* normalSetting() const;
    QObject* meetingSetting() const;
    QObject* messageSetting() const;
    QObject* uiSetting() const;
    QObject* joinMeetingSetting() const;
    QObject* loginSetting() const;

    QString google() const;
    QString facebook() const;
    QString outlook() const;
    bool supportIcsFile() const;
    void setSupportIcsFile(bool icsSupport);

    QVariantList videos() const;
    QVariantMap users() const;

    // Re-reads every file, as at start; unsaved changes to stored groups are lost.
    Q_INVOKABLE void loadConfig();

    // A parentless copy of any settings object, owned by the QML engine: a
    // draft to edit and hand back through a set or write operation.
    Q_INVOKABLE QObject* copy(QObject* setting) const;

    Q_INVOKABLE bool setAudioSetting(QObject* setting);
    Q_INVOKABLE bool writeAudioSetting(QObject* setting);
    Q_INVOKABLE void saveAudioSetting();
    Q_INVOKABLE bool setVideoSetting(QObject* setting);
    Q_INVOKABLE bool writeVideoSetting(QObject* setting);
    Q_INVOKABLE void saveVideoSetting();
    Q_INVOKABLE bool setRecordSetting(QObject* setting);
    Q_INVOKABLE bool writeRecordSetting(QObject* setting);
    Q_INVOKABLE void saveRecordSetting();
    Q_INVOKABLE bool setShareSetting(QObject* setting);
    Q_INVOKABLE bool writeShareSetting(QObject* setting);
    Q_INVOKABLE void saveShareSetting();
    Q_INVOKABLE bool setOnionSetting(QObject* setting);
    Q_INVOKABLE bool writeOnionSetting(QObject* setting);
    Q_INVOKABLE void saveOnionSetting();
    Q_INVOKABLE bool setProcessSetting(QObject* setting);
    Q_INVOKABLE bool writeProcessSetting(QObject* setting);
    Q_INVOKABLE void saveProcessSetting();
    Q_INVOKABLE bool setNormalSetting(QObject* setting);
    Q_INVOKABLE bool writeNormalSetting(QObject* setting);
    Q_INVOKABLE void saveNormalSetting();
    Q_INVOKABLE bool setMeetingSetting(QObject* setting);
    Q_INVOKABLE bool writeMeetingSetting(QObject* setting);
    Q_INVOKABLE void saveMeetingSetting();
    Q_INVOKABLE bool setMessageSetting(QObject* setting);
    Q_INVOKABLE bool writeMessageSetting(QObject* setting);
    Q_INVOKABLE void saveMessageSetting();
    Q_INVOKABLE bool setUiSetting(QObject* setting);
    Q_INVOKABLE bool writeUiSetting(QObject* setting);
    Q_INVOKABLE void saveUiSetting();
    Q_INVOKABLE bool setJoinMeetingSetting(QObject* setting);
    Q_INVOKABLE bool writeJoinMeetingSetting(QObject* setting);
    Q_INVOKABLE void saveJoinMeetingSetting();
    Q_INVOKABLE bool setLoginSetting(QObject* setting);
    Q_INVOKABLE bool writeLoginSetting(QObject* setting);
    Q_INVOKABLE void saveLoginSetting();

    // Files the account under its "email" entry (none: ignored), or removes
    // one; saveLoginSetting() stores the accounts.
    Q_INVOKABLE void replaceIntoUser(const QVariantMap& user);
    Q_INVOKABLE void removeUser(const QString& email);

    // The providers by name ("Google", "Facebook", "Outlook"): the sign-in
    // one as a copy owned by the QML engine (the manager gives it by value),
    // the contacts and calendar ones as the held objects; null if unknown.
    Q_INVOKABLE QObject* thirdLoginConfig(const QString& name) const;
    Q_INVOKABLE QObject* thirdContactsConfig(const QString& name) const;
    Q_INVOKABLE QObject* thirdCalendarConfig(const QString& name) const;

signals:
    void supportIcsFileChanged(bool icsSupport);
    void videosChanged();
    void usersChanged();

private:
    // The manager is the application's; it may go before the QML engine does.
    QPointer<ConfigMgr> m_manager;
};
