#include "VideoSetting.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
#define VIDEO_SETTING_FIELDS(F)                 \
    F(int, defaultDevIndex, DefaultDevIndex, 0) \
    F(QList<VideoSettingVideo>, videos, Videos, {})

CV_SETTINGS_CLASS(VideoSetting, VIDEO_SETTING_FIELDS)
