#include "OnionSetting.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals,
// and in which the section keys are read and written.
// clang-format off
CV_SETTINGS_CLASS(OnionSetting,
    (int, capVolume,  CapVolume,  100, Key("CapVolume")),
    (int, playVolume, PlayVolume, 80,  Key("PlayVolume")))
// clang-format on
