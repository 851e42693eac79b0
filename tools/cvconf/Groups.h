#pragma once

#include <QList>
#include <QMetaProperty>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

class ConfigMgrPrivate;
namespace cvsettings::store {
struct SaveResult;
}

// The groups the tool knows, every group the manager holds, by the names it
// shows them under (the settings file's section names). Groups the client
// saves also know how to write a changed copy back.
struct Group {
    const char* name;
    const QObject& (*held)(ConfigMgrPrivate& d);
    // Applies `value` to a copy of the held group and writes the copy back
    // as the manager's write operation does, and says how the save went;
    // nothing when the value does not fit the property. Null for groups the
    // client never saves.
    std::optional<cvsettings::store::SaveResult> (*write)(
        ConfigMgrPrivate& d, const char* property, const QVariant& value);
};

const QList<Group>& groups();
const Group* findGroup(const QString& name);
QStringList groupNames();

// The enumerators of an enumeration property, by the names the headers give
// them; `type` is empty for a property that is not an enumeration.
struct Enumeration {
    QString type;
    QList<QPair<QString, int>> values;
    QString nameOf(int value) const;
};
Enumeration enumerationOf(const QMetaProperty& property);

bool isList(const QMetaProperty& property);

// Reads a property as a plain value (enumerations as integers), or an
// invalid QVariant for lists.
QVariant plainValue(const QObject& object, const QMetaProperty& property);

// Converts command-line text to a property's type; false with `error` set
// when the text does not fit it. A number that names no enumerator passes
// only with `force`.
bool parseValue(const QMetaProperty& property, const QString& text, bool force, QVariant& value, QString& error);

// The type and the values a property accepts, for `cvconf range`.
QString describeRange(const QMetaProperty& property);
