#pragma once

// Every settings object the manager holds, one row each. This list drives the
// manager's private record (its fields and the order they are created in),
// the group operations, the place of each section's read in loadConfig(), the
// store's section frames, the classes the build compiles and the group lists
// of the tools and the QML module.
//
// Rows stand in the order of the record's fields, which is also the order the
// objects are created in; PROVIDERS marks where the three provider maps lie
// among them. A row is one of:
//
//   PRODUCT(Class, member, "Name", order)            product configuration: an
//                                                    accessor and no operations
//   USER(Class, member, Operation, "Name", order)    a user group: an accessor and
//                                                    set/write/save##Operation
//
// `member` names both the record's field and the manager's accessor. "Name" is
// the group's section in the settings file, and the name the tools show it
// under. `order` is the section's place in the order loadConfig() reads (1 to
// 4 are the product data files, the sections follow from 5); 0 for a group
// that has no section. Load steps 5 to 14 read the sections at those places,
// each through a settings object of its own; Audio and Record (15 and 16),
// which only their saves write, are read back after Process through the
// object of step 14.
//
// Adding a group takes its class, its key table in the store and one row here,
// besides its declarations in ConfigMgr.h.
// clang-format off
#define CV_SETTINGS_GROUPS(PRODUCT, PROVIDERS, USER)                                      \
    PRODUCT(ClientConfig,    clientConfig,                           "Client",      0)    \
    PRODUCT(OmsUrlConfig,    omsUrlConfig,                           "OmsUrl",      0)    \
    PROVIDERS                                                                             \
    PRODUCT(ServerSetting,   serverSetting,                          "Server",      5)    \
    PRODUCT(IntercomConfig,  intercomConfig,                         "Intercom",    0)    \
    USER(NormalSetting,      normalSetting,      NormalSetting,      "Normal",      6)    \
    USER(MeetingSetting,     meetingSetting,     MeetingSetting,     "Meeting",     7)    \
    USER(MessageSetting,     messageSetting,     MessageSetting,     "Message",     8)    \
    USER(AudioSetting,       audioSetting,       AudioSetting,       "Audio",       15)   \
    USER(VideoSetting,       videoSetting,       VideoSetting,       "Video",       0)    \
    USER(RecordSetting,      recordSetting,      RecordSetting,      "Record",      16)   \
    USER(LoginSetting,       loginSetting,       LoginSetting,       "Login",       10)   \
    USER(UISetting,          uiSetting,          UiSetting,          "UI",          11)   \
    USER(JoinMeetingSetting, joinMeetingSetting, JoinMeetingSetting, "JoinMeeting", 12)   \
    USER(ShareSetting,       shareSetting,       ShareSetting,       "Share",       9)    \
    USER(OnionSetting,       onionSetting,       OnionSetting,       "Onion",       13)   \
    USER(ProcessSetting,     processSetting,     ProcessSetting,     "Process",     14)
// clang-format on

// Steps of the load sequence: four product data files, ten section steps, the
// calendar-file association.
inline constexpr int kLoadSteps = 15;

#define CV_GROUP_DECLARE(Class, ...) class Class;
CV_SETTINGS_GROUPS(CV_GROUP_DECLARE, , CV_GROUP_DECLARE)
#undef CV_GROUP_DECLARE

// The row of a group class, for code that starts from the class.
template <class G> struct GroupRow;

#define CV_GROUP_ROW(Class, rowName, order, user)      \
    template <> struct GroupRow<Class> {               \
        static constexpr const char* name = rowName;   \
        static constexpr int readOrder = order;        \
        static constexpr bool hasSection = order != 0; \
        static constexpr bool userGroup = user;        \
    };
#define CV_GROUP_ROW_PRODUCT(Class, member, rowName, order) CV_GROUP_ROW(Class, rowName, order, false)
#define CV_GROUP_ROW_USER(Class, member, Operation, rowName, order) CV_GROUP_ROW(Class, rowName, order, true)
CV_SETTINGS_GROUPS(CV_GROUP_ROW_PRODUCT, , CV_GROUP_ROW_USER)
#undef CV_GROUP_ROW_USER
#undef CV_GROUP_ROW_PRODUCT
#undef CV_GROUP_ROW
