# The settings classes, one row each: the one list that the build, the
# manager, the store, the tools and the QML module expand. Held groups stand
# in the order of the manager's record, which is the order they are created
# in. Columns:
#
#   kind       group      a group the manager holds, read-only for the client
#              user       a group the client changes: set, write and save##Operation
#              provider   an object of a provider map, filed by name
#              value      an object held inside a group
#   Class      the class, its header and its source
#   member     the manager's accessor and the record's field (groups)
#   Operation  what set/write/save are named after (user groups)
#   Name       the group's name in the tools, and its section if it has one
#   section    "section" where the group has its section in the settings file
#
set(cv_settings_class_rows
  # kind     Class                member              Operation           Name          section
  "group     ClientConfig         clientConfig        -                   Client        -"
  "group     OmsUrlConfig         omsUrlConfig        -                   OmsUrl        -"
  "group     ServerSetting        serverSetting       -                   Server        section"
  "group     IntercomConfig       intercomConfig      -                   Intercom      -"
  "user      NormalSetting        normalSetting       NormalSetting       Normal        section"
  "user      MeetingSetting       meetingSetting      MeetingSetting      Meeting       section"
  "user      MessageSetting       messageSetting      MessageSetting      Message       section"
  "user      AudioSetting         audioSetting        AudioSetting        Audio         section"
  "user      VideoSetting         videoSetting        VideoSetting        Video         -"
  "user      RecordSetting        recordSetting       RecordSetting       Record        section"
  "user      LoginSetting         loginSetting        LoginSetting        Login         section"
  "user      UISetting            uiSetting           UiSetting           UI            section"
  "user      JoinMeetingSetting   joinMeetingSetting  JoinMeetingSetting  JoinMeeting   section"
  "user      ShareSetting         shareSetting        ShareSetting        Share         section"
  "user      OnionSetting         onionSetting        OnionSetting        Onion         section"
  "user      ProcessSetting       processSetting      ProcessSetting      Process       section"
  "provider  ThirdLoginConfig     -                   -                   -             -"
  "provider  ThirdContactsConfig  -                   -                   -             -"
  "provider  ThirdCalendarConfig  -                   -                   -             -"
  "value     LoginSettingUser     -                   -                   -             -"
  "value     VideoSettingVideo    -                   -                   -             -"
)
