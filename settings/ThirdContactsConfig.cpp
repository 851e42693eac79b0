#include "ThirdContactsConfig.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
#define THIRD_CONTACTS_CONFIG_FIELDS(F)      \
    F(QString, name, Name, {})               \
    F(QString, redirectUrl, RedirectUrl, {}) \
    F(QString, oauthUrl, OauthUrl, {})       \
    F(QString, tokenUrl, TokenUrl, {})       \
    F(QString, resultUrl, ResultUrl, {})     \
    F(QString, resultRequestHeader, ResultRequestHeader, {})

CV_SETTINGS_CLASS(ThirdContactsConfig, THIRD_CONTACTS_CONFIG_FIELDS)
