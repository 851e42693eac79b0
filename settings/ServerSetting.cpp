#include "ServerSetting.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
#define SERVER_SETTING_FIELDS(F)                 \
    F(QString, frontServer, FrontServer, {})     \
    F(QString, meetingServer, MeetingServer, {}) \
    F(QString, a2Server, A2Server, {})           \
    F(QString, imServer, ImServer, {})           \
    F(QString, localApi, LocalApi, {})           \
    F(QString, ucApi, UcApi, {})                 \
    F(QString, webService, WebService, {})       \
    F(int, frontAppId, FrontAppId, 20)           \
    F(int, meetingAppId, MeetingAppId, 11)

CV_SETTINGS_CLASS(ServerSetting, SERVER_SETTING_FIELDS)
