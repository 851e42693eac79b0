#pragma once

#include "cvsettings_export.h"

#include <QObject>
#include <QString>

struct IntercomConfigPrivate;

/// Settings of the Intercom service, read from "cvserver.data".
class CVSETTINGS_EXPORT IntercomConfig : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString appId READ appId WRITE setAppId NOTIFY appIdChanged)
    Q_PROPERTY(QString accessToken READ accessToken WRITE setAccessToken NOTIFY accessTokenChanged)
    Q_PROPERTY(QString appVersionDesc READ appVersionDesc WRITE setAppVersionDesc NOTIFY appVersionDescChanged)
    Q_PROPERTY(QString appDeviceDesc READ appDeviceDesc WRITE setAppDeviceDesc NOTIFY appDeviceDescChanged)
    Q_PROPERTY(QString appOsName READ appOsName WRITE setAppOsName NOTIFY appOsNameChanged)
    Q_PROPERTY(int width READ width WRITE setWidth NOTIFY widthChanged)
    Q_PROPERTY(int height READ height WRITE setHeight NOTIFY heightChanged)

public:
    explicit IntercomConfig(QObject* parent = nullptr);
    IntercomConfig(const IntercomConfig& other);
    IntercomConfig& operator=(const IntercomConfig& other);
    ~IntercomConfig() override;

    const QString& appId() const;
    const QString& accessToken() const;
    const QString& appVersionDesc() const;
    const QString& appDeviceDesc() const;
    const QString& appOsName() const;
    int width() const;
    int height() const;

    void setAppId(const QString& appId);
    void setAccessToken(const QString& accessToken);
    void setAppVersionDesc(const QString& appVersionDesc);
    void setAppDeviceDesc(const QString& appDeviceDesc);
    void setAppOsName(const QString& appOsName);
    void setWidth(int width);
    void setHeight(int height);

signals:
    void appIdChanged(const QString& appId);
    void accessTokenChanged(const QString& accessToken);
    void appVersionDescChanged(const QString& appVersionDesc);
    void appDeviceDescChanged(const QString& appDeviceDesc);
    void appOsNameChanged(const QString& appOsName);
    void widthChanged(int width);
    void heightChanged(int height);

private:
    IntercomConfigPrivate* const d;
};
