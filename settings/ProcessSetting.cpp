#include "ProcessSetting.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals,
// and in which the section keys are read and written.
// clang-format off
CV_SETTINGS_CLASS(ProcessSetting,
    (int, port, Port, 0, Key("Port")))
// clang-format on
