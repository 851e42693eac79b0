#include "ShareSetting.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals,
// and in which the section keys are read and written.
// clang-format off
CV_SETTINGS_CLASS(ShareSetting,
    (bool, isHideCorvaneWin, IsHideCorvaneWin, false, Key("HideSelfWnd")),
    (bool, isShareSound,     IsShareSound,     false, Key("ShareSound")))
// clang-format on
