#include "ThirdLoginConfig.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
// clang-format off
CV_SETTINGS_CLASS(ThirdLoginConfig,
    (QString, name,         Name,         {}),
    (QString, clientId,     ClientId,     {}),
    (QString, clientSecret, ClientSecret, {}),
    (QString, scope,        Scope,        {}),
    (QString, redirectUrl,  RedirectUrl,  {}),
    (QString, oauthUrl,     OauthUrl,     {}),
    (QString, tokenUrl,     TokenUrl,     {}),
    (QString, resultUrl,    ResultUrl,    {}))
// clang-format on
