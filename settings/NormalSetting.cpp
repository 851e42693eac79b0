#include "NormalSetting.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals,
// and in which the section keys are read and written.
// clang-format off
CV_SETTINGS_CLASS(NormalSetting,
    (bool,                    autoRun,   AutoRun,   false,                      Key("AutoRun")),
    (bool,                    autoLogin, AutoLogin, false,                      Key("AutoLogin")),
    (Corvane::ClientLanguage, language,  Language,  Corvane::ClientLanguage(0), Key("Language")))
// clang-format on
