#pragma once

#include "Groups.h"

#include <QMetaProperty>
#include <QString>
#include <QStringList>

class Session;

// GROUP.property, the property matched by its name or by its key in the
// file, either in any letter case.
struct Target {
    const Group* group = nullptr;
    QMetaProperty property;
    QString key; // the property's key in the file, empty when it has none

    QString qualified() const;
};

// False with `error` set when `text` names no group (or, with needProperty,
// no property of it).
bool resolve(Session& s, const QString& text, Target& target, QString& error, bool needProperty = true);

// The one GROUP or GROUP.property argument of a command that takes nothing
// else; on a wrong command line `code` is what the command returns.
bool oneTarget(Session& s, const QStringList& args, const char* usage, bool needProperty, Target& t, int& code);

QString unknownGroup(const QString& name);
