#pragma once

#include "cvsettings_export.h"

#include <QObject>

struct MeetingSettingPrivate;

/// Audio behaviour and message tips in a meeting.
class CVSETTINGS_EXPORT MeetingSetting : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool audioDefaultMute READ audioDefaultMute WRITE setAudioDefaultMute NOTIFY audioDefaultMuteChanged)
    Q_PROPERTY(bool audioNeedGranted READ audioNeedGranted WRITE setAudioNeedGranted NOTIFY audioNeedGrantedChanged)
    Q_PROPERTY(bool showMessageTips READ showMessageTips WRITE setShowMessageTips NOTIFY showMessageTipsChanged)

public:
    explicit MeetingSetting(QObject* parent = nullptr);
    MeetingSetting(const MeetingSetting& other);
    MeetingSetting& operator=(const MeetingSetting& other);
    ~MeetingSetting() override;

    bool audioDefaultMute() const;
    bool audioNeedGranted() const;
    bool showMessageTips() const;

    void setAudioDefaultMute(bool audioDefaultMute);
    void setAudioNeedGranted(bool audioNeedGranted);
    void setShowMessageTips(bool showMessageTips);

signals:
    void audioDefaultMuteChanged(bool audioDefaultMute);
    void audioNeedGrantedChanged(bool audioNeedGranted);
    void showMessageTipsChanged(bool showMessageTips);

private:
    MeetingSettingPrivate* const d;
};
