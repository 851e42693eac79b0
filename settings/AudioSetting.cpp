#include "AudioSetting.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
#define AUDIO_SETTING_FIELDS(F)                              \
    F(bool, autoAdjust, AutoAdjust, true)                    \
    F(int, capDevIndex, CapDevIndex, 0)                      \
    F(int, inputIndex, InputIndex, 0)                        \
    F(int, capVolume, CapVolume, 100)                        \
    F(bool, capVolumeAutoAdjust, CapVolumeAutoAdjust, false) \
    F(int, playDevIndex, PlayDevIndex, 0)                    \
    F(int, playVolume, PlayVolume, 80)                       \
    F(int, encoderId, EncoderId, 6)                          \
    F(bool, aec, Aec, true)                                  \
    F(bool, ans, Ans, true)                                  \
    F(bool, fec, Fec, true)                                  \
    F(bool, agc, Agc, false)                                 \
    F(bool, vad, Vad, true)                                  \
    F(int, audioEngine, AudioEngine, 1)

CV_SETTINGS_CLASS(AudioSetting, AUDIO_SETTING_FIELDS)
