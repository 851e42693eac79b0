#include "RecordSetting.h"

#include "PathHelper.h"
#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals,
// and in which the section keys are read and written.
// `maxFileSize` has no key: it is not kept between runs.
// clang-format off
CV_SETTINGS_CLASS(RecordSetting,
    (RecordSetting::RecordType, recordType,     RecordType,     RecordSetting::VideoAndAudio,                          Key("RecordType")),
    (QString,                   recordPath,     RecordPath,     PathHelper::defaultPathName(QStringLiteral("Record")), Key("RecordPath")),
    (int,                       videoFramerate, VideoFramerate, 6,                                                     Key("VideoFramerate")),
    (int,                       maxFileSize,    MaxFileSize,    2048))
// clang-format on
