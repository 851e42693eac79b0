#include "JoinMeetingSetting.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals,
// and in which the section keys are read and written.
// `email` has no key: it is not kept between runs.
// clang-format off
CV_SETTINGS_CLASS(JoinMeetingSetting,
    (QString, meetingNum,       MeetingNum,       {}, Key("MeetingNum")),
    (QString, nickname,         Nickname,         {}, Key("NickName")),
    (QString, email,            Email,            {}),
    (QString, webinarNum,       WebinarNum,       {}, Key("WebinarNum")),
    (QString, webinarFirstName, WebinarFirstName, {}, Key("WebinarFirstName")),
    (QString, webinarLastName,  WebinarLastName,  {}, Key("WebinarLastName")),
    (QString, webinarEmail,     WebinarEmail,     {}, Key("WebinarEmail")),
    (QString, webinarCheckCode, WebinarCheckCode, {}, Key("WebinarCheckCode")))
// clang-format on
