import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15

// One row per property: a switch, a number box, a text field or a choice,
// after the value's type. The rows follow the values as they change; an edit
// goes straight into `target` (a settings object, so its setter signals), or,
// for a plain map, out through edited() for the owner to write back.
ColumnLayout {
    id: editor
    property var target
    property var names: []
    property var choices: ({}) // property name -> labels, indexed by value
    property bool readOnly: false
    property bool writesTarget: true
    signal edited(string name, var value)

    function write(name, value) {
        if (writesTarget)
            target[name] = value
        edited(name, value)
    }

    spacing: 2
    Repeater {
        model: editor.names
        RowLayout {
            id: row
            property string name: modelData
            property var value: editor.target ? editor.target[name] : undefined
            Label { text: row.name; Layout.preferredWidth: 170; elide: Text.ElideRight }
            Loader {
                Layout.fillWidth: true
                sourceComponent: editor.choices[row.name] ? choice : typeof row.value === "boolean" ? toggle
                               : typeof row.value === "number" ? number : text
            }
            Component {
                id: toggle
                Switch { checked: row.value; enabled: !editor.readOnly; onToggled: editor.write(row.name, checked) }
            }
            Component {
                id: number
                SpinBox {
                    from: -1000000; to: 100000000; editable: !editor.readOnly; enabled: !editor.readOnly
                    value: row.value
                    onValueModified: editor.write(row.name, value)
                }
            }
            Component {
                id: text
                TextField {
                    text: row.value; readOnly: editor.readOnly; selectByMouse: true
                    onTextEdited: editor.write(row.name, text)
                }
            }
            Component {
                id: choice
                ComboBox {
                    model: editor.choices[row.name]; currentIndex: row.value; enabled: !editor.readOnly
                    implicitWidth: 220
                    onActivated: editor.write(row.name, index)
                }
            }
        }
    }
}
