#include "UISetting.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals,
// and in which the section keys are read and written.
// clang-format off
CV_SETTINGS_CLASS(UISetting,
    (QString, loginWinLastPage, LoginWinLastPage, QStringLiteral("Welcome"), Key("LoginWinLastPage")))
// clang-format on
