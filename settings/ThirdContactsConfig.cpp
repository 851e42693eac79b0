#include "ThirdContactsConfig.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
// clang-format off
CV_SETTINGS_CLASS(ThirdContactsConfig,
    (QString, name,                Name,                {}),
    (QString, redirectUrl,         RedirectUrl,         {}),
    (QString, oauthUrl,            OauthUrl,            {}),
    (QString, tokenUrl,            TokenUrl,            {}),
    (QString, resultUrl,           ResultUrl,           {}),
    (QString, resultRequestHeader, ResultRequestHeader, {}))
// clang-format on
