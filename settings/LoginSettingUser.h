#pragma once

#include "Corvane.h"
#include "cvsettings_export.h"

#include <QObject>
#include <QString>

struct LoginSettingUserPrivate;

/// One saved sign-in account. The password is clear text in memory only; the settings file keeps it
/// enciphered.
class CVSETTINGS_EXPORT LoginSettingUser : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString email READ email WRITE setEmail NOTIFY emailChanged)
    Q_PROPERTY(QString password READ password WRITE setPassword NOTIFY passwordChanged)
    Q_PROPERTY(Corvane::UserPaltform paltform READ paltform WRITE setPaltform NOTIFY paltformChanged)

public:
    explicit LoginSettingUser(QObject* parent = nullptr);
    LoginSettingUser(const LoginSettingUser& other);
    LoginSettingUser& operator=(const LoginSettingUser& other);
    ~LoginSettingUser() override;

    const QString& email() const;
    const QString& password() const;
    Corvane::UserPaltform paltform() const;

    void setEmail(const QString& email);
    void setPassword(const QString& password);
    void setPaltform(Corvane::UserPaltform paltform);

signals:
    void emailChanged(const QString& email);
    void passwordChanged(const QString& password);
    void paltformChanged(Corvane::UserPaltform paltform);

private:
    LoginSettingUserPrivate* const d;
};
