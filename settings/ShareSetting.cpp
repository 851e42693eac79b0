#include "ShareSetting.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
#define SHARE_SETTING_FIELDS(F)                        \
    F(bool, isHideCorvaneWin, IsHideCorvaneWin, false) \
    F(bool, isShareSound, IsShareSound, false)

CV_SETTINGS_CLASS(ShareSetting, SHARE_SETTING_FIELDS)
