#include "CorvaneTypes.h"

namespace {

template <class E> void registerEnumeration(const char* name)
{
    qRegisterMetaType<E>(name);
    // QML and QVariant read and write these as numbers; the application may
    // have registered the conversions already.
    if (!QMetaType::hasRegisteredConverterFunction<E, int>())
        QMetaType::registerConverter<E, int>([](E value) { return static_cast<int>(value); });
    if (!QMetaType::hasRegisteredConverterFunction<int, E>())
        QMetaType::registerConverter<int, E>([](int value) { return static_cast<E>(value); });
}

} // namespace

void CorvaneEnums::registerTypes()
{
    registerEnumeration<Corvane::ClientLanguage>("Corvane::ClientLanguage");
    registerEnumeration<Corvane::UserPaltform>("Corvane::UserPaltform");
}

QMetaEnum CorvaneEnums::enumeration(const QByteArray& typeName)
{
    for (int i = 0; i < staticMetaObject.enumeratorCount(); ++i) {
        const QMetaEnum e = staticMetaObject.enumerator(i);
        if (typeName == QByteArray("Corvane::") + e.enumName())
            return e;
    }
    return QMetaEnum();
}
