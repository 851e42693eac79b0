#include "AudioSetting.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals,
// and in which the section keys are read and written.
// clang-format off
CV_SETTINGS_CLASS(AudioSetting,
    (bool, autoAdjust,          AutoAdjust,          true,  Key("AutoAdjust")),
    (int,  capDevIndex,         CapDevIndex,         0,     Key("CapDevIndex")),
    (int,  inputIndex,          InputIndex,          0,     Key("InputIndex")),
    (int,  capVolume,           CapVolume,           100,   Key("CapVolume")),
    (bool, capVolumeAutoAdjust, CapVolumeAutoAdjust, false, Key("CapVolumeAutoAdjust")),
    (int,  playDevIndex,        PlayDevIndex,        0,     Key("PlayDevIndex")),
    (int,  playVolume,          PlayVolume,          80,    Key("PlayVolume")),
    (int,  encoderId,           EncoderId,           6,     Key("EncoderId")),
    (bool, aec,                 Aec,                 true,  Key("AEC")),
    (bool, ans,                 Ans,                 true,  Key("ANS")),
    (bool, fec,                 Fec,                 true,  Key("FEC")),
    (bool, agc,                 Agc,                 false, Key("AGC")),
    (bool, vad,                 Vad,                 true,  Key("VAD")),
    (int,  audioEngine,         AudioEngine,         1,     Key("AudioEngine")))
// clang-format on
