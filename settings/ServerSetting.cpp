#include "ServerSetting.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals,
// and in which the section keys are read and written.
// clang-format off
CV_SETTINGS_CLASS(ServerSetting,
    (QString, frontServer,   FrontServer,   {}, KeyUnlessEmpty("FrontServer")),
    (QString, meetingServer, MeetingServer, {}, KeyUnlessEmpty("MeetingServer")),
    (QString, a2Server,      A2Server,      {}, KeyUnlessEmpty("A2Server")),
    (QString, imServer,      ImServer,      {}, KeyUnlessEmpty("ImServer")),
    (QString, localApi,      LocalApi,      {}, KeyUnlessEmpty("LocalRootUrl")),
    (QString, ucApi,         UcApi,         {}, KeyUnlessEmpty("HttpApiRootUrl")),
    (QString, webService,    WebService,    {}, KeyUnlessEmpty("WebServices")),
    (int,     frontAppId,    FrontAppId,    20, Key("FrontAppId")),
    (int,     meetingAppId,  MeetingAppId,  11, Key("MeetingAppId")))
// clang-format on
