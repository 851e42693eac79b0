#include "CorvaneTypes.h"

void CorvaneEnums::registerTypes()
{
    // QVariant converts every enumeration type to and from int by itself.
    qRegisterMetaType<Corvane::ClientLanguage>("Corvane::ClientLanguage");
    qRegisterMetaType<Corvane::UserPaltform>("Corvane::UserPaltform");
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
