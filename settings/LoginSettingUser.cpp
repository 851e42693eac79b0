#include "LoginSettingUser.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
#define LOGIN_SETTING_USER_FIELDS(F)   \
    F(QString, email, Email, {})       \
    F(QString, password, Password, {}) \
    F(Corvane::UserPaltform, paltform, Paltform, Corvane::UserPaltform(1))

CV_SETTINGS_CLASS(LoginSettingUser, LOGIN_SETTING_USER_FIELDS)
