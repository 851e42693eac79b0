#include "ProcessSetting.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
#define PROCESS_SETTING_FIELDS(F) F(int, port, Port, 0)

CV_SETTINGS_CLASS(ProcessSetting, PROCESS_SETTING_FIELDS)
