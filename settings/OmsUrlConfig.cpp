#include "OmsUrlConfig.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
#define OMS_URL_CONFIG_FIELDS(F)                         \
    F(QString, plan, Plan, {})                           \
    F(QString, updatePlan, UpdatePlan, {})               \
    F(QString, signup, Signup, {})                       \
    F(QString, forgotPassword, ForgotPassword, {})       \
    F(QString, help, Help, {})                           \
    F(QString, webinarSchedule, WebinarSchedule, {})     \
    F(QString, webinarLearnMore, WebinarLearnMore, {})   \
    F(QString, webinarDetailMore, WebinarDetailMore, {}) \
    F(QString, recordListUrl, RecordListUrl, {})         \
    F(QString, storageUrl, StorageUrl, {})

CV_SETTINGS_CLASS(OmsUrlConfig, OMS_URL_CONFIG_FIELDS)
