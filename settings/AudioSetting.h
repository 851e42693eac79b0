#pragma once

#include "cvsettings_export.h"

#include <QObject>

struct AudioSettingPrivate;

/// Microphone and speaker devices, volumes, the audio encoder and the voice-processing switches.
class CVSETTINGS_EXPORT AudioSetting : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool autoAdjust READ autoAdjust WRITE setAutoAdjust NOTIFY autoAdjustChanged)
    Q_PROPERTY(int capDevIndex READ capDevIndex WRITE setCapDevIndex NOTIFY capDevIndexChanged)
    Q_PROPERTY(int inputIndex READ inputIndex WRITE setInputIndex NOTIFY inputIndexChanged)
    Q_PROPERTY(int capVolume READ capVolume WRITE setCapVolume NOTIFY capVolumeChanged)
    Q_PROPERTY(bool capVolumeAutoAdjust READ capVolumeAutoAdjust WRITE setCapVolumeAutoAdjust NOTIFY
            capVolumeAutoAdjustChanged)
    Q_PROPERTY(int playDevIndex READ playDevIndex WRITE setPlayDevIndex NOTIFY playDevIndexChanged)
    Q_PROPERTY(int playVolume READ playVolume WRITE setPlayVolume NOTIFY playVolumeChanged)
    Q_PROPERTY(int encoderId READ encoderId WRITE setEncoderId NOTIFY encoderIdChanged)
    Q_PROPERTY(bool aec READ aec WRITE setAec NOTIFY aecChanged)
    Q_PROPERTY(bool ans READ ans WRITE setAns NOTIFY ansChanged)
    Q_PROPERTY(bool fec READ fec WRITE setFec NOTIFY fecChanged)
    Q_PROPERTY(bool agc READ agc WRITE setAgc NOTIFY agcChanged)
    Q_PROPERTY(bool vad READ vad WRITE setVad NOTIFY vadChanged)
    Q_PROPERTY(int audioEngine READ audioEngine WRITE setAudioEngine NOTIFY audioEngineChanged)

public:
    explicit AudioSetting(QObject* parent = nullptr);
    AudioSetting(const AudioSetting& other);
    AudioSetting& operator=(const AudioSetting& other);
    ~AudioSetting() override;

    bool autoAdjust() const;
    int capDevIndex() const;
    int inputIndex() const;
    int capVolume() const;
    bool capVolumeAutoAdjust() const;
    int playDevIndex() const;
    int playVolume() const;
    int encoderId() const;
    bool aec() const;
    bool ans() const;
    bool fec() const;
    bool agc() const;
    bool vad() const;
    int audioEngine() const;

    void setAutoAdjust(bool autoAdjust);
    void setCapDevIndex(int capDevIndex);
    void setInputIndex(int inputIndex);
    void setCapVolume(int capVolume);
    void setCapVolumeAutoAdjust(bool capVolumeAutoAdjust);
    void setPlayDevIndex(int playDevIndex);
    void setPlayVolume(int playVolume);
    void setEncoderId(int encoderId);
    void setAec(bool aec);
    void setAns(bool ans);
    void setFec(bool fec);
    void setAgc(bool agc);
    void setVad(bool vad);
    void setAudioEngine(int audioEngine);

signals:
    void autoAdjustChanged(bool autoAdjust);
    void capDevIndexChanged(int capDevIndex);
    void inputIndexChanged(int inputIndex);
    void capVolumeChanged(int capVolume);
    void capVolumeAutoAdjustChanged(bool capVolumeAutoAdjust);
    void playDevIndexChanged(int playDevIndex);
    void playVolumeChanged(int playVolume);
    void encoderIdChanged(int encoderId);
    void aecChanged(bool aec);
    void ansChanged(bool ans);
    void fecChanged(bool fec);
    void agcChanged(bool agc);
    void vadChanged(bool vad);
    void audioEngineChanged(int audioEngine);

private:
    AudioSettingPrivate* const d;
};
