#pragma once

#include "LoginSettingUser.h"
#include "cvsettings_export.h"

#include <QMap>
#include <QObject>
#include <QString>

struct LoginSettingPrivate;

/// All saved sign-in accounts, keyed by e-mail address, and which of them signed in last and signs
/// in automatically.
class CVSETTINGS_EXPORT LoginSetting : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString lastLoginUser READ lastLoginUser WRITE setLastLoginUser NOTIFY lastLoginUserChanged)
    Q_PROPERTY(QString autoLoginUser READ autoLoginUser WRITE setAutoLoginUser NOTIFY autoLoginUserChanged)
    Q_PROPERTY(QMap<QString, LoginSettingUser> users READ users WRITE setUsers NOTIFY usersChanged)

public:
    explicit LoginSetting(QObject* parent = nullptr);
    LoginSetting(const LoginSetting& other);
    LoginSetting& operator=(const LoginSetting& other);
    ~LoginSetting() override;

    const QString& lastLoginUser() const;
    const QString& autoLoginUser() const;
    const QMap<QString, LoginSettingUser>& users() const;

    void setLastLoginUser(const QString& lastLoginUser);
    void setAutoLoginUser(const QString& autoLoginUser);
    void setUsers(const QMap<QString, LoginSettingUser>& users);

    // A copy of the account saved under `name`, or a default account.
    LoginSettingUser user(const QString& name) const;
    // Files `user` under its e-mail address; an account without one is ignored.
    void replaceIntoUser(const LoginSettingUser& user);
    // Removes the account saved under `name`; signals even when there was none.
    void removeUser(const QString& name);
    // Forgets every account and both remembered addresses.
    void reset();

signals:
    void lastLoginUserChanged(const QString& lastLoginUser);
    void autoLoginUserChanged(const QString& autoLoginUser);
    void usersChanged(const QMap<QString, LoginSettingUser>& users);

private:
    LoginSettingPrivate* const d;
};
