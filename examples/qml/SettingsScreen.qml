import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Corvane.Settings 1.0

// Every preference group of the client, shown and edited live: a change goes
// into the held settings object at once (its change signal updates every
// binding), "Save" writes the group's section of the settings file, and
// "Reload" reads all files again.
ApplicationWindow {
    id: window
    width: 1000; height: 700
    visible: true
    title: Settings.clientConfig.productName + " settings"

    // The plain-valued properties of a settings object, in declaration order,
    // and those shown as a choice: Qt 5's QML reads the client's shared
    // enumerations as wrapped values, not numbers.
    function valueNames(object, choices) {
        var names = []
        for (var name in object) {
            var type = typeof object[name]
            if (name !== "objectName" && typeof object[name + "Changed"] === "function"
                    && (type === "boolean" || type === "number" || type === "string" || name in choices))
                names.push(name)
        }
        return names
    }
    readonly property var languages: ["English", "Simplified Chinese", "Traditional Chinese", "Japanese"]
    readonly property var recordTypes: ["Video and audio", "Audio only"]

    // A group as a box of rows; `save` names the group's save operation, if
    // it has one (the product groups have none and are shown read-only).
    component Group: GroupBox {
        id: box
        property QtObject group
        property string save
        property bool editable: save !== ""
        property var choices: ({})
        Layout.fillWidth: true
        Layout.alignment: Qt.AlignTop
        ColumnLayout {
            anchors.fill: parent
            PropertyEditor {
                Layout.fillWidth: true
                target: box.group; names: window.valueNames(box.group, box.choices); choices: box.choices; readOnly: !box.editable
            }
            Button { visible: box.save !== ""; text: "Save"; onClicked: Settings["save" + box.save]() }
        }
    }
    component Page: ScrollView {
        default property alias content: column.data
        clip: true
        contentWidth: availableWidth
        GridLayout { id: column; width: parent.width - 16; columns: 2; columnSpacing: 12; rowSpacing: 12 }
    }

    header: ToolBar {
        RowLayout {
            anchors.fill: parent
            Label {
                text: Settings.clientConfig.productName + " " + Settings.clientConfig.version
                font.bold: true; leftPadding: 12; Layout.fillWidth: true
            }
            Label { text: "Calendar files: " + (Settings.supportIcsFile ? "supported" : "no handler") }
            ToolButton { text: "Reload"; onClicked: Settings.loadConfig() }
        }
    }

    RowLayout {
        anchors.fill: parent
        anchors.margins: 8
        ListView {
            id: pages
            Layout.preferredWidth: 160; Layout.fillHeight: true
            model: ["General", "Audio", "Video", "Recording", "Join meeting", "Accounts", "Product"]
            delegate: ItemDelegate {
                width: pages.width; text: modelData; highlighted: ListView.isCurrentItem
                onClicked: pages.currentIndex = index
            }
        }
        StackLayout {
            currentIndex: pages.currentIndex
            Layout.fillWidth: true; Layout.fillHeight: true

            Page {
                Group {
                    title: "General"; group: Settings.normalSetting; save: "NormalSetting"
                    choices: ({ language: window.languages })
                }
                Group { title: "Meeting"; group: Settings.meetingSetting; save: "MeetingSetting" }
                Group { title: "Messages"; group: Settings.messageSetting; save: "MessageSetting" }
                Group { title: "Windows"; group: Settings.uiSetting; save: "UiSetting" }
                Group { title: "Sharing"; group: Settings.shareSetting; save: "ShareSetting" }
                Group { title: "Local service"; group: Settings.processSetting; save: "ProcessSetting" }
            }
            Page {
                Group { title: "Audio"; group: Settings.audioSetting; save: "AudioSetting" }
                Group { title: "Device volume"; group: Settings.onionSetting; save: "OnionSetting" }
            }
            Page {
                // Kept for this run only: the settings file has no camera section.
                // Profiles are values: edit a copy of the list and assign it back.
                Group { title: "Camera"; group: Settings.videoSetting; editable: true; Layout.columnSpan: 2 }
                Repeater {
                    model: Settings.videos
                    GroupBox {
                        title: "Profile " + (index + 1)
                        Layout.alignment: Qt.AlignTop
                        PropertyEditor {
                            target: modelData; names: Object.keys(modelData); writesTarget: false
                            choices: ({ encoderMode: ["VBR", "CBR", "ABR"], standard: ["", "PAL", "NTSC", "SECAM"] })
                            onEdited: {
                                var videos = Settings.videos
                                videos[index][name] = value
                                Settings.videoSetting.videos = videos
                            }
                        }
                    }
                }
                Button {
                    text: "Add profile"
                    onClicked: Settings.videoSetting.videos = Settings.videos.concat([{}])
                }
            }
            Page {
                Group {
                    title: "Recording"; group: Settings.recordSetting; save: "RecordSetting"
                    choices: ({ recordType: window.recordTypes })
                }
            }
            Page {
                Group { title: "Join meeting"; group: Settings.joinMeetingSetting; save: "JoinMeetingSetting" }
            }
            Page {
                Group { title: "Sign-in"; group: Settings.loginSetting; save: "LoginSetting"; Layout.columnSpan: 2 }
                GroupBox {
                    title: "Saved accounts"
                    Layout.columnSpan: 2; Layout.fillWidth: true
                    ColumnLayout {
                        anchors.fill: parent
                        Repeater {
                            model: Object.keys(Settings.users)
                            RowLayout {
                                Label { text: modelData; Layout.fillWidth: true }
                                Button { text: "Remove"; onClicked: Settings.removeUser(modelData) }
                            }
                        }
                        RowLayout {
                            TextField { id: email; placeholderText: "e-mail"; Layout.fillWidth: true }
                            TextField { id: password; placeholderText: "password"; echoMode: TextInput.Password }
                            Button {
                                text: "Add"
                                onClicked: Settings.replaceIntoUser({ email: email.text, password: password.text,
                                                                      paltform: Corvane.PaltformCorvane })
                            }
                        }
                        Label { text: "Saved with the sign-in group's Save."; font.italic: true }
                    }
                }
            }
            Page {
                Group { title: "Client"; group: Settings.clientConfig }
                Group { title: "Servers"; group: Settings.serverSetting }
                Group { title: "Intercom"; group: Settings.intercomConfig }
                Group { title: "Web pages"; group: Settings.omsUrlConfig }
            }
        }
    }
}
