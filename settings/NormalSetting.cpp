#include "NormalSetting.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
#define NORMAL_SETTING_FIELDS(F)         \
    F(bool, autoRun, AutoRun, false)     \
    F(bool, autoLogin, AutoLogin, false) \
    F(Corvane::ClientLanguage, language, Language, Corvane::ClientLanguage(0))

CV_SETTINGS_CLASS(NormalSetting, NORMAL_SETTING_FIELDS)
