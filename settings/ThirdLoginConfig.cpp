#include "ThirdLoginConfig.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
#define THIRD_LOGIN_CONFIG_FIELDS(F)           \
    F(QString, name, Name, {})                 \
    F(QString, clientId, ClientId, {})         \
    F(QString, clientSecret, ClientSecret, {}) \
    F(QString, scope, Scope, {})               \
    F(QString, redirectUrl, RedirectUrl, {})   \
    F(QString, oauthUrl, OauthUrl, {})         \
    F(QString, tokenUrl, TokenUrl, {})         \
    F(QString, resultUrl, ResultUrl, {})

CV_SETTINGS_CLASS(ThirdLoginConfig, THIRD_LOGIN_CONFIG_FIELDS)
