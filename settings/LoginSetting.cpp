#include "LoginSetting.h"

#include "SettingsObject_p.h"

using UserMap = QMap<QString, LoginSettingUser>;

// Field order: the order in which assignment compares, stores and signals.
#define LOGIN_SETTING_FIELDS(F)                  \
    F(QString, lastLoginUser, LastLoginUser, {}) \
    F(QString, autoLoginUser, AutoLoginUser, {}) \
    F(UserMap, users, Users, {})

CV_SETTINGS_CLASS(LoginSetting, LOGIN_SETTING_FIELDS)

LoginSettingUser LoginSetting::user(const QString& name) const { return d->users.value(name); }

void LoginSetting::replaceIntoUser(const LoginSettingUser& user)
{
    if (user.email().isEmpty())
        return;
    d->users[user.email()] = user;
    emit usersChanged(d->users);
}

void LoginSetting::removeUser(const QString& name)
{
    // `name` may be the key or the e-mail of the very entry removed, which
    // QMap::remove still reads after freeing the entry, so it works on a copy.
    d->users.remove(QString(name));
    emit usersChanged(d->users);
}

void LoginSetting::reset()
{
    setLastLoginUser(QString());
    setAutoLoginUser(QString());
    setUsers(UserMap());
}
