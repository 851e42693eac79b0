#include "LoginSetting.h"

#include "SettingsObject_p.h"

using UserMap = QMap<QString, LoginSettingUser>;

// Field order: the order in which assignment compares, stores and signals,
// and in which the section keys are read and written. The accounts follow
// them as an array that the store writes.
// clang-format off
CV_SETTINGS_CLASS(LoginSetting,
    (QString, lastLoginUser, LastLoginUser, {}, Key("LastLoginUser")),
    (QString, autoLoginUser, AutoLoginUser, {}, Key("AutoLoginUser")),
    (UserMap, users,         Users,         {}))
// clang-format on

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
