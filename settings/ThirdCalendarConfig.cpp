#include "ThirdCalendarConfig.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
#define THIRD_CALENDAR_CONFIG_FIELDS(F)      \
    F(QString, name, Name, {})               \
    F(QString, redirectUrl, RedirectUrl, {}) \
    F(QString, oauthUrl, OauthUrl, {})       \
    F(QString, tokenUrl, TokenUrl, {})       \
    F(QString, resultUrl, ResultUrl, {})

CV_SETTINGS_CLASS(ThirdCalendarConfig, THIRD_CALENDAR_CONFIG_FIELDS)
