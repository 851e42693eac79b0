#include "OnionSetting.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
#define ONION_SETTING_FIELDS(F)       \
    F(int, capVolume, CapVolume, 100) \
    F(int, playVolume, PlayVolume, 80)

CV_SETTINGS_CLASS(OnionSetting, ONION_SETTING_FIELDS)
