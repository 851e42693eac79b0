#pragma once

#include "cvsettings_export.h"

#include <QObject>

struct OnionSettingPrivate;

/// Capture and playback volumes of the "Onion" group; separate from the audio group's values of the
/// same names.
class CVSETTINGS_EXPORT OnionSetting : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int capVolume READ capVolume WRITE setCapVolume NOTIFY capVolumeChanged)
    Q_PROPERTY(int playVolume READ playVolume WRITE setPlayVolume NOTIFY playVolumeChanged)

public:
    explicit OnionSetting(QObject* parent = nullptr);
    OnionSetting(const OnionSetting& other);
    OnionSetting& operator=(const OnionSetting& other);
    ~OnionSetting() override;

    int capVolume() const;
    int playVolume() const;

    void setCapVolume(int capVolume);
    void setPlayVolume(int playVolume);

signals:
    void capVolumeChanged(int capVolume);
    void playVolumeChanged(int playVolume);

private:
    OnionSettingPrivate* const d;
};
