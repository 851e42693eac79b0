#pragma once

#include <QObject>
#include <QVariantMap>

// A settings object's own properties as a map by name, with enumerations as
// plain integers, which is the form JavaScript can hold.
QVariantMap propertyMap(const QObject& object);

// Writes each entry of `values` that names a property of `object` through the
// meta-object, so the setters compare and signal as usual; other entries are
// ignored.
void assignProperties(QObject& object, const QVariantMap& values);
