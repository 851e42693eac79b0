#include "OmsUrlConfig.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
// clang-format off
CV_SETTINGS_CLASS(OmsUrlConfig,
    (QString, plan,              Plan,              {}),
    (QString, updatePlan,        UpdatePlan,        {}),
    (QString, signup,            Signup,            {}),
    (QString, forgotPassword,    ForgotPassword,    {}),
    (QString, help,              Help,              {}),
    (QString, webinarSchedule,   WebinarSchedule,   {}),
    (QString, webinarLearnMore,  WebinarLearnMore,  {}),
    (QString, webinarDetailMore, WebinarDetailMore, {}),
    (QString, recordListUrl,     RecordListUrl,     {}),
    (QString, storageUrl,        StorageUrl,        {}))
// clang-format on
