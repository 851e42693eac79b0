#include "MeetingSetting.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals,
// and in which the section keys are read and written.
// clang-format off
CV_SETTINGS_CLASS(MeetingSetting,
    (bool, audioDefaultMute, AudioDefaultMute, false, Key("AudioDefaultMute")),
    (bool, audioNeedGranted, AudioNeedGranted, false, Key("AudioNeedGranted")),
    (bool, showMessageTips,  ShowMessageTips,  true,  Key("ShowMessageTips")))
// clang-format on
