#include "MessageSetting.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals,
// and in which the section keys are read and written.
// clang-format off
CV_SETTINGS_CLASS(MessageSetting,
    (bool, flashIcon, FlashIcon, true, Key("FlashIcon")),
    (bool, playSound, PlaySound, true, Key("PlaySound")))
// clang-format on
