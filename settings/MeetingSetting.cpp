#include "MeetingSetting.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
#define MEETING_SETTING_FIELDS(F)                      \
    F(bool, audioDefaultMute, AudioDefaultMute, false) \
    F(bool, audioNeedGranted, AudioNeedGranted, false) \
    F(bool, showMessageTips, ShowMessageTips, true)

CV_SETTINGS_CLASS(MeetingSetting, MEETING_SETTING_FIELDS)
