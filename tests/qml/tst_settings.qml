import QtQuick 2.15
import QtTest 1.2
import Corvane.Settings 1.0

TestCase {
    id: test
    name: "Settings"

    // Every group the manager holds: accessor -> class, and the name of its
    // save operation for the groups stored in the settings file.
    readonly property var groups: ({
        clientConfig: ["ClientConfig"], serverSetting: ["ServerSetting"], intercomConfig: ["IntercomConfig"],
        omsUrlConfig: ["OmsUrlConfig"], videoSetting: ["VideoSetting"],
        audioSetting: ["AudioSetting", "AudioSetting"], recordSetting: ["RecordSetting", "RecordSetting"],
        shareSetting: ["ShareSetting", "ShareSetting"], onionSetting: ["OnionSetting", "OnionSetting"],
        processSetting: ["ProcessSetting", "ProcessSetting"], normalSetting: ["NormalSetting", "NormalSetting"],
        meetingSetting: ["MeetingSetting", "MeetingSetting"], messageSetting: ["MessageSetting", "MessageSetting"],
        uiSetting: ["UISetting", "UiSetting"], joinMeetingSetting: ["JoinMeetingSetting", "JoinMeetingSetting"],
        loginSetting: ["LoginSetting", "LoginSetting"]
    })
    // Signal parameters not named after their property.
    readonly property var parameterNames: ({ autoLogin: "atuoLogin", webinarNum: "strWebinarNum",
                                             supportIcsFile: "icsSupport" })
    // Kept in memory only; the product's media limits are not kept at all.
    readonly property var notStored: ["recordSetting.maxFileSize", "joinMeetingSetting.email"]
    readonly property var inert: ["maxVideoWidth", "maxVideoHeight", "maxVideoFramerate", "maxVideoBitrate",
                                  "maxMediaBitrate"]

    Item {
        id: bound
        property bool autoRun: Settings.normalSetting.autoRun
        property int language: Settings.normalSetting.language
        property string product: Settings.clientConfig.productName
    }
    SignalSpy { id: videosSpy; target: Settings; signalName: "videosChanged" }
    SignalSpy { id: usersSpy; target: Settings; signalName: "usersChanged" }

    // The client's shared enumerations: Qt 6's QML reads them as numbers, Qt
    // 5's as wrapped values that compare equal to numbers, whoever registered
    // the types first.
    readonly property var sharedEnums: ["language"]
    function read(object, name) {
        return sharedEnums.indexOf(name) < 0 ? object[name] : Number(object[name])
    }

    // The plain-valued properties of a settings object that have a change signal.
    function valueProperties(object) {
        var names = []
        for (var name in object) {
            var type = typeof read(object, name)
            if (name !== "objectName" && typeof object[name + "Changed"] === "function"
                    && (type === "boolean" || type === "number" || type === "string"))
                names.push(name)
        }
        return names
    }
    // Another valid value: enumerations here all hold both 0 and 1.
    function other(value) {
        return typeof value === "boolean" ? !value : typeof value === "number" ? (value === 0 ? 1 : 0) : value + "+"
    }

    function test_groupsAndEnumerations() {
        for (var accessor in groups) {
            var group = Settings[accessor]
            verify(String(group).indexOf(groups[accessor][0] + "(") === 0, accessor + ": " + group)
            verify(group === Settings[accessor], accessor + " is one held object")
        }
        compare(bound.product, "ExampleMeet Desktop") // loaded from the sample product files
        compare([Settings.google, Settings.facebook, Settings.outlook], ["Google", "Facebook", "Outlook"])
        compare(Settings.thirdLoginConfig(Settings.google).name, "Google")
        verify(Settings.thirdContactsConfig("Outlook") === Settings.thirdContactsConfig("Outlook"))
        compare([Settings.thirdLoginConfig("None"), Settings.thirdCalendarConfig("None")], [null, null])

        compare([RecordSetting.VideoAndAudio, RecordSetting.Audio], [0, 1])
        compare([VideoSettingVideo.ENCODERMODE_VBR, VideoSettingVideo.ENCODERMODE_CBR,
                 VideoSettingVideo.ENCODERMODE_ABR], [0, 1, 2])
        compare([VideoSettingVideo.VIDEOSTANDARD_PAL, VideoSettingVideo.VIDEOSTANDARD_NTSC,
                 VideoSettingVideo.VIDEOSTANDARD_SECAM], [1, 2, 3])
        compare([Corvane.LanguageEnglish, Corvane.LanguageSimplifiedChinese, Corvane.LanguageTraditionalChinese,
                 Corvane.LanguageJapanese], [0, 1, 2, 3])
        compare([Corvane.PaltformUnknown, Corvane.PaltformCorvane, Corvane.PaltformGoogle,
                 Corvane.PaltformFacebook, Corvane.PaltformOutlook], [0, 1, 2, 3, 4])
        // Enumeration-typed properties take numbers; the library's own read as numbers.
        Settings.recordSetting.recordType = RecordSetting.Audio
        compare(Settings.recordSetting.recordType, RecordSetting.Audio)
        Settings.normalSetting.language = Corvane.LanguageJapanese
        compare(typeof Settings.normalSetting.language, qtMajor >= 6 ? "number" : "object")
        verify(Settings.normalSetting.language == Corvane.LanguageJapanese)
        compare([read(Settings.normalSetting, "language"), bound.language], [3, 3])
        Settings.loadConfig()
    }

    // Every change signal of every object QML reaches, handled by parameter name.
    function test_signalHandlers() {
        var objects = [Settings, Settings.thirdLoginConfig("Google"), Settings.thirdContactsConfig("Google"),
                       Settings.thirdCalendarConfig("Google")]
        for (var accessor in groups)
            objects.push(Settings[accessor])
        var handled = 0
        objects.forEach(function (object) {
            var isUrls = String(object).indexOf("OmsUrlConfig(") === 0
            // A singleton's properties do not enumerate.
            var names = object === Settings ? ["supportIcsFile"] : valueProperties(object)
            var handlers = names.map(function (name) {
                var parameter = isUrls ? "url" : (parameterNames[name] || name)
                if (sharedEnums.indexOf(name) >= 0)
                    parameter = "Number(" + parameter + ")"
                return "on" + name[0].toUpperCase() + name.slice(1) + "Changed: log.push([\"" + name + "\", "
                        + parameter + "])"
            })
            // The handler form that names parameters is deprecated in Connections, and still what this checks.
            ignoreWarning(/Implicitly defined onFoo properties in Connections are deprecated/)
            var connections = Qt.createQmlObject("import QtQuick 2.15; Connections { target: null; "
                                                 + "property var log: []; " + handlers.join("; ") + " }", test)
            connections.target = object
            names.forEach(function (name) {
                var old = read(object, name)
                object[name] = other(old)
                var expected = inert.indexOf(name) < 0 ? [[name, other(old)]] : []
                compare(connections.log, expected, String(object) + "." + name)
                object[name] = old
                connections.log = []
                ++handled
            })
            connections.destroy()
        })
        // All but the containers, in the 19 classes QML reaches as objects, and supportIcsFile.
        compare(handled, 104)

        // The containers reach their handlers as opaque values.
        ignoreWarning(/Implicitly defined onFoo properties in Connections are deprecated/)
        ignoreWarning(/Implicitly defined onFoo properties in Connections are deprecated/)
        var containers = Qt.createQmlObject("import QtQuick 2.15; import Corvane.Settings 1.0; "
                                            + "Item { id: box; property var videos; property var users; "
                                            + "Connections { target: Settings.videoSetting; onVideosChanged: box.videos = videos } "
                                            + "Connections { target: Settings.loginSetting; onUsersChanged: box.users = users } }", test)
        Settings.videoSetting.videos = Settings.videos
        Settings.loginSetting.users = Settings.users
        verify(containers.videos !== undefined && containers.users !== undefined)
        containers.destroy()
    }

    // Every property of every stored group: written from QML, saved under the
    // group's own operation, changed back in memory, then read from the file.
    function test_saveAndReload() {
        Settings.loadConfig()
        var expected = {}
        for (var accessor in groups) {
            var group = Settings[accessor], save = groups[accessor][1]
            if (!save)
                continue
            expected[accessor] = {}
            valueProperties(group).forEach(function (name) {
                if (notStored.indexOf(accessor + "." + name) < 0)
                    expected[accessor][name] = group[name] = other(read(group, name))
            })
            Settings["save" + save]()
            for (var name in expected[accessor])
                group[name] = other(expected[accessor][name])
        }
        verify(bound.autoRun !== expected.normalSetting.autoRun)
        Settings.loadConfig()
        for (accessor in expected) {
            for (var name in expected[accessor])
                compare(read(Settings[accessor], name), expected[accessor][name], accessor + "." + name)
        }
        compare(bound.autoRun, expected.normalSetting.autoRun)
    }

    // Drafts go back through set and write; only objects of the group's class are taken.
    function test_drafts() {
        for (var accessor in groups) {
            var name = groups[accessor][1]
            if (name) {
                verify(Settings["set" + name](Settings.copy(Settings[accessor])), accessor)
                verify(!Settings["write" + name](Settings.clientConfig), accessor)
            }
        }
        var held = Settings.meetingSetting
        var draft = Settings.copy(held)
        draft.showMessageTips = !held.showMessageTips
        verify(draft.showMessageTips !== held.showMessageTips)
        verify(Settings.writeMeetingSetting(draft))
        compare(held.showMessageTips, draft.showMessageTips)
        held.showMessageTips = !draft.showMessageTips
        Settings.loadConfig()
        compare(held.showMessageTips, draft.showMessageTips)
    }

    function test_videosAndAccounts() {
        videosSpy.clear()
        Settings.videoSetting.videos = [{ width: 1280, height: 720, encoderMode: VideoSettingVideo.ENCODERMODE_CBR }, {}]
        compare(videosSpy.count, 1)
        compare(Settings.videos.length, 2)
        compare([Settings.videos[0].width, Settings.videos[0].encoderMode, Settings.videos[1].width], [1280, 1, 640])

        usersSpy.clear()
        Settings.replaceIntoUser({ email: "ann@example.org", password: "pa55", paltform: Corvane.PaltformGoogle })
        Settings.replaceIntoUser({ password: "no address" })
        compare(Object.keys(Settings.users), ["ann@example.org"])
        compare(Settings.users["ann@example.org"].paltform, Corvane.PaltformGoogle)
        Settings.saveLoginSetting()
        Settings.removeUser("ann@example.org")
        compare(Settings.users["ann@example.org"], undefined)
        Settings.loadConfig() // a load adds the saved accounts back
        var ann = Settings.users["ann@example.org"]
        compare([ann.email, ann.password], ["ann@example.org", "pa55"])
        verify(usersSpy.count >= 3)
    }
}
