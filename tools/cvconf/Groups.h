#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

class ConfigMgr;

// The groups the tool knows, by the names it shows them under. Changeable
// groups also know how to hand a changed copy back to the manager.
struct Group {
    const char* name;
    const QObject& (*held)(ConfigMgr& mgr);
    // Applies `value` to a copy of the held group and writes the copy back
    // through the manager; null for read-only groups.
    bool (*write)(ConfigMgr& mgr, const char* property, const QVariant& value);
};

const QList<Group>& groups();
const Group* findGroup(const QString& name);
QStringList groupNames();

// Registers the client's shared enumerations so properties of those types
// can be read and written by name.
void registerSharedTypes();

// Reads a property as a plain value (enumerations as integers), or an
// invalid QVariant for containers.
QVariant plainValue(const QObject& object, const QMetaProperty& property);

// Converts command-line text to a property's type; false with `error` set
// when the text does not fit it.
bool parseValue(const QMetaProperty& property, const QString& text, QVariant& value, QString& error);
