#include "IntercomConfig.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
#define INTERCOM_CONFIG_FIELDS(F)                  \
    F(QString, appId, AppId, {})                   \
    F(QString, accessToken, AccessToken, {})       \
    F(QString, appVersionDesc, AppVersionDesc, {}) \
    F(QString, appDeviceDesc, AppDeviceDesc, {})   \
    F(QString, appOsName, AppOsName, {})           \
    F(int, width, Width, 0)                        \
    F(int, height, Height, 0)

CV_SETTINGS_CLASS(IntercomConfig, INTERCOM_CONFIG_FIELDS)
