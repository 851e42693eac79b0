#include "VideoSetting.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
// clang-format off
CV_SETTINGS_CLASS(VideoSetting,
    (int,                      defaultDevIndex, DefaultDevIndex, 0),
    (QList<VideoSettingVideo>, videos,          Videos,          {}))
// clang-format on
