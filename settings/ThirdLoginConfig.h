#pragma once

#include "cvsettings_export.h"

#include <QObject>
#include <QString>

struct ThirdLoginConfigPrivate;

/// A sign-in provider reached through OAuth.
class CVSETTINGS_EXPORT ThirdLoginConfig : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(QString clientId READ clientId WRITE setClientId NOTIFY clientIdChanged)
    Q_PROPERTY(QString clientSecret READ clientSecret WRITE setClientSecret NOTIFY clientSecretChanged)
    Q_PROPERTY(QString scope READ scope WRITE setScope NOTIFY scopeChanged)
    Q_PROPERTY(QString redirectUrl READ redirectUrl WRITE setRedirectUrl NOTIFY redirectUrlChanged)
    Q_PROPERTY(QString oauthUrl READ oauthUrl WRITE setOauthUrl NOTIFY oauthUrlChanged)
    Q_PROPERTY(QString tokenUrl READ tokenUrl WRITE setTokenUrl NOTIFY tokenUrlChanged)
    Q_PROPERTY(QString resultUrl READ resultUrl WRITE setResultUrl NOTIFY resultUrlChanged)

public:
    explicit ThirdLoginConfig(QObject* parent = nullptr);
    ThirdLoginConfig(const ThirdLoginConfig& other);
    ThirdLoginConfig& operator=(const ThirdLoginConfig& other);
    ~ThirdLoginConfig() override;

    const QString& name() const;
    const QString& clientId() const;
    const QString& clientSecret() const;
    const QString& scope() const;
    const QString& redirectUrl() const;
    const QString& oauthUrl() const;
    const QString& tokenUrl() const;
    const QString& resultUrl() const;

    void setName(const QString& name);
    void setClientId(const QString& clientId);
    void setClientSecret(const QString& clientSecret);
    void setScope(const QString& scope);
    void setRedirectUrl(const QString& redirectUrl);
    void setOauthUrl(const QString& oauthUrl);
    void setTokenUrl(const QString& tokenUrl);
    void setResultUrl(const QString& resultUrl);

signals:
    void nameChanged(const QString& name);
    void clientIdChanged(const QString& clientId);
    void clientSecretChanged(const QString& clientSecret);
    void scopeChanged(const QString& scope);
    void redirectUrlChanged(const QString& redirectUrl);
    void oauthUrlChanged(const QString& oauthUrl);
    void tokenUrlChanged(const QString& tokenUrl);
    void resultUrlChanged(const QString& resultUrl);

private:
    ThirdLoginConfigPrivate* const d;
};
