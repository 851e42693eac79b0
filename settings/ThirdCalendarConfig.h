#pragma once

#include "cvsettings_export.h"

#include <QObject>
#include <QString>

struct ThirdCalendarConfigPrivate;

/// A calendar provider reached through OAuth.
class CVSETTINGS_EXPORT ThirdCalendarConfig : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(QString redirectUrl READ redirectUrl WRITE setRedirectUrl NOTIFY redirectUrlChanged)
    Q_PROPERTY(QString oauthUrl READ oauthUrl WRITE setOauthUrl NOTIFY oauthUrlChanged)
    Q_PROPERTY(QString tokenUrl READ tokenUrl WRITE setTokenUrl NOTIFY tokenUrlChanged)
    Q_PROPERTY(QString resultUrl READ resultUrl WRITE setResultUrl NOTIFY resultUrlChanged)

public:
    explicit ThirdCalendarConfig(QObject* parent = nullptr);
    ThirdCalendarConfig(const ThirdCalendarConfig& other);
    ThirdCalendarConfig& operator=(const ThirdCalendarConfig& other);
    ~ThirdCalendarConfig() override;

    const QString& name() const;
    const QString& redirectUrl() const;
    const QString& oauthUrl() const;
    const QString& tokenUrl() const;
    const QString& resultUrl() const;

    void setName(const QString& name);
    void setRedirectUrl(const QString& redirectUrl);
    void setOauthUrl(const QString& oauthUrl);
    void setTokenUrl(const QString& tokenUrl);
    void setResultUrl(const QString& resultUrl);

signals:
    void nameChanged(const QString& name);
    void redirectUrlChanged(const QString& redirectUrl);
    void oauthUrlChanged(const QString& oauthUrl);
    void tokenUrlChanged(const QString& tokenUrl);
    void resultUrlChanged(const QString& resultUrl);

private:
    ThirdCalendarConfigPrivate* const d;
};
