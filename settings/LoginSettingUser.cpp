#include "LoginSettingUser.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
// clang-format off
CV_SETTINGS_CLASS(LoginSettingUser,
    (QString,               email,    Email,    {}),
    (QString,               password, Password, {}),
    (Corvane::UserPaltform, paltform, Paltform, Corvane::UserPaltform(1)))
// clang-format on
