#include "ThirdCalendarConfig.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
// clang-format off
CV_SETTINGS_CLASS(ThirdCalendarConfig,
    (QString, name,        Name,        {}),
    (QString, redirectUrl, RedirectUrl, {}),
    (QString, oauthUrl,    OauthUrl,    {}),
    (QString, tokenUrl,    TokenUrl,    {}),
    (QString, resultUrl,   ResultUrl,   {}))
// clang-format on
