#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

#include <optional>

class QSettings;

// cvconf's dump of a settings file: JSON with a format marker and a version,
// and under "sections" one object of keys per INI section (the top-level keys
// under "General"). A value is a string, {"list": [strings]}, {"bytes":
// base64} or, for a type some other program stored, {"variant": base64 of
// Qt's serialisation}.
namespace dump {

// Full QSettings keys ("Section/key") and their values, in dump order.
using Entries = QList<QPair<QString, QVariant>>;

// The dump of everything `ini` holds.
QByteArray write(QSettings& ini);

// Parses a dump; false with `error` set to what is wrong with it, worded to
// follow the dump's name.
bool read(const QByteArray& json, Entries& entries, QString& error);

// One value as a dump holds it, and back; fromJson() takes only variants of
// types of a bounded size.
QJsonValue toJson(const QVariant& value);
bool fromJson(const QJsonValue& json, QVariant& value);

// The first entry that would not read back from the settings file as it
// stands, with what it would read as; an empty key when the check itself
// could not be made.
struct Mismatch {
    QString key;
    QString what;
};
std::optional<Mismatch> readsBackOtherwise(const Entries& entries);

} // namespace dump
