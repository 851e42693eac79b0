#include "JoinMeetingSetting.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
#define JOIN_MEETING_SETTING_FIELDS(F)                 \
    F(QString, meetingNum, MeetingNum, {})             \
    F(QString, nickname, Nickname, {})                 \
    F(QString, email, Email, {})                       \
    F(QString, webinarNum, WebinarNum, {})             \
    F(QString, webinarFirstName, WebinarFirstName, {}) \
    F(QString, webinarLastName, WebinarLastName, {})   \
    F(QString, webinarEmail, WebinarEmail, {})         \
    F(QString, webinarCheckCode, WebinarCheckCode, {})

CV_SETTINGS_CLASS(JoinMeetingSetting, JOIN_MEETING_SETTING_FIELDS)
