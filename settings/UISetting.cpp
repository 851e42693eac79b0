#include "UISetting.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
#define UI_SETTING_FIELDS(F) F(QString, loginWinLastPage, LoginWinLastPage, QStringLiteral("Welcome"))

CV_SETTINGS_CLASS(UISetting, UI_SETTING_FIELDS)
