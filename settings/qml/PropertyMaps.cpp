#include "PropertyMaps.h"

#include <QMetaProperty>

QVariantMap propertyMap(const QObject& object)
{
    QVariantMap map;
    const QMetaObject* meta = object.metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        QVariant value = property.read(&object);
        // Enumerations registered by type (the client's shared ones) read as
        // that type; every enumeration here is held as a 32-bit integer.
        if (QMetaType(value.userType()).flags() & QMetaType::IsEnumeration)
            value = QVariant(*static_cast<const qint32*>(value.constData()));
        map.insert(QString::fromLatin1(property.name()), value);
    }
    return map;
}

void assignProperties(QObject& object, const QVariantMap& values)
{
    const QMetaObject* meta = object.metaObject();
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const int index = meta->indexOfProperty(it.key().toLatin1().constData());
        if (index >= meta->propertyOffset())
            meta->property(index).write(&object, it.value());
    }
}
