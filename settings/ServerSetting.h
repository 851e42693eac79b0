#pragma once

#include "cvsettings_export.h"

#include <QObject>
#include <QString>

struct ServerSettingPrivate;

/// Servers and application ids, from "cvserver.data" overridden by the settings file's "Server"
/// section.
class CVSETTINGS_EXPORT ServerSetting : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString frontServer READ frontServer WRITE setFrontServer NOTIFY frontServerChanged)
    Q_PROPERTY(QString meetingServer READ meetingServer WRITE setMeetingServer NOTIFY meetingServerChanged)
    Q_PROPERTY(QString a2Server READ a2Server WRITE setA2Server NOTIFY a2ServerChanged)
    Q_PROPERTY(QString imServer READ imServer WRITE setImServer NOTIFY imServerChanged)
    Q_PROPERTY(QString localApi READ localApi WRITE setLocalApi NOTIFY localApiChanged)
    Q_PROPERTY(QString ucApi READ ucApi WRITE setUcApi NOTIFY ucApiChanged)
    Q_PROPERTY(QString webService READ webService WRITE setWebService NOTIFY webServiceChanged)
    Q_PROPERTY(int frontAppId READ frontAppId WRITE setFrontAppId NOTIFY frontAppIdChanged)
    Q_PROPERTY(int meetingAppId READ meetingAppId WRITE setMeetingAppId NOTIFY meetingAppIdChanged)

public:
    explicit ServerSetting(QObject* parent = nullptr);
    ServerSetting(const ServerSetting& other);
    ServerSetting& operator=(const ServerSetting& other);
    ~ServerSetting() override;

    const QString& frontServer() const;
    const QString& meetingServer() const;
    const QString& a2Server() const;
    const QString& imServer() const;
    const QString& localApi() const;
    const QString& ucApi() const;
    const QString& webService() const;
    int frontAppId() const;
    int meetingAppId() const;

    void setFrontServer(const QString& frontServer);
    void setMeetingServer(const QString& meetingServer);
    void setA2Server(const QString& a2Server);
    void setImServer(const QString& imServer);
    void setLocalApi(const QString& localApi);
    void setUcApi(const QString& ucApi);
    void setWebService(const QString& webService);
    void setFrontAppId(int frontAppId);
    void setMeetingAppId(int meetingAppId);

signals:
    void frontServerChanged(const QString& frontServer);
    void meetingServerChanged(const QString& meetingServer);
    void a2ServerChanged(const QString& a2Server);
    void imServerChanged(const QString& imServer);
    void localApiChanged(const QString& localApi);
    void ucApiChanged(const QString& ucApi);
    void webServiceChanged(const QString& webService);
    void frontAppIdChanged(int frontAppId);
    void meetingAppIdChanged(int meetingAppId);

private:
    ServerSettingPrivate* const d;
};
