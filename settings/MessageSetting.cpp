#include "MessageSetting.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
#define MESSAGE_SETTING_FIELDS(F)       \
    F(bool, flashIcon, FlashIcon, true) \
    F(bool, playSound, PlaySound, true)

CV_SETTINGS_CLASS(MessageSetting, MESSAGE_SETTING_FIELDS)
