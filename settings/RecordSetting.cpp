#include "RecordSetting.h"

#include "PathHelper.h"
#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
#define RECORD_SETTING_FIELDS(F)                                                              \
    F(RecordSetting::RecordType, recordType, RecordType, RecordSetting::VideoAndAudio)        \
    F(QString, recordPath, RecordPath, PathHelper::defaultPathName(QStringLiteral("Record"))) \
    F(int, videoFramerate, VideoFramerate, 6)                                                 \
    F(int, maxFileSize, MaxFileSize, 2048)

CV_SETTINGS_CLASS(RecordSetting, RECORD_SETTING_FIELDS)
