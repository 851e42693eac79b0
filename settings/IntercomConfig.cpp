#include "IntercomConfig.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
// clang-format off
CV_SETTINGS_CLASS(IntercomConfig,
    (QString, appId,          AppId,          {}),
    (QString, accessToken,    AccessToken,    {}),
    (QString, appVersionDesc, AppVersionDesc, {}),
    (QString, appDeviceDesc,  AppDeviceDesc,  {}),
    (QString, appOsName,      AppOsName,      {}),
    (int,     width,          Width,          0),
    (int,     height,         Height,         0))
// clang-format on
