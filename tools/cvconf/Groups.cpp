#include "Groups.h"

#include "ConfigMgr.h"
#include "ConfigMgr_p.h"
#include "CorvaneTypes.h"

#include <QMetaEnum>

#include <limits>

namespace {

template <class G> const QObject& groupObject(ConfigMgrPrivate& d) { return *cvsettings::heldGroup<G>(d); }

// The client's own way to change a preference: copy, change, write back.
template <class G>
std::optional<cvsettings::store::SaveResult> writeGroup(
    ConfigMgrPrivate& d, const char* property, const QVariant& value)
{
    G* held = cvsettings::heldGroup<G>(d);
    G copy(*held);
    if (!copy.setProperty(property, value))
        return std::nullopt;
    return cvsettings::writeGroup(d, held, copy);
}

} // namespace

const QList<Group>& groups()
{
    // The "Server" overrides are written as raw keys; "Video" is not kept in
    // the settings file.
#define CV_READONLY(Class, member, name, ...) { name, groupObject<Class>, nullptr },
#define CV_CHANGEABLE(Class, member, Operation, name, ...) \
    { name, groupObject<Class>, GroupRow<Class>::hasSection ? writeGroup<Class> : nullptr },
    static const QList<Group> all = { CV_SETTINGS_GROUPS(CV_READONLY, CV_CHANGEABLE) };
#undef CV_READONLY
#undef CV_CHANGEABLE
    return all;
}

const Group* findGroup(const QString& name)
{
    for (const Group& g : groups())
        if (name.compare(QLatin1String(g.name), Qt::CaseInsensitive) == 0)
            return &g;
    return nullptr;
}

QStringList groupNames()
{
    QStringList names;
    for (const Group& g : groups())
        names << QLatin1String(g.name);
    return names;
}

QString Enumeration::nameOf(int value) const
{
    for (const auto& [name, v] : values)
        if (v == value)
            return name;
    return QString();
}

Enumeration enumerationOf(const QMetaProperty& property)
{
    // A class's own enumeration, or one of the shared ones, which only their
    // mirror's meta-object names.
    const QMetaEnum e = property.isEnumType() ? property.enumerator() : CorvaneEnums::enumeration(property.typeName());
    if (!e.isValid())
        return {};
    const QLatin1String scope(property.isEnumType() ? e.scope() : "Corvane");
    Enumeration out { QStringLiteral("%1::%2").arg(scope, QLatin1String(e.enumName())), {} };
    for (int i = 0; i < e.keyCount(); ++i)
        out.values.append({ QLatin1String(e.key(i)), e.value(i) });
    return out;
}

bool isList(const QMetaProperty& property)
{
    const QByteArray type = property.typeName();
    return type.startsWith("QList<") || type.startsWith("QMap<");
}

QVariant plainValue(const QObject& object, const QMetaProperty& property)
{
    if (isList(property))
        return QVariant();
    const QVariant value = property.read(&object);
    if (!enumerationOf(property).type.isEmpty())
        return value.toInt(); // QVariant converts any registered enumeration to its number
    return value;
}

bool parseValue(const QMetaProperty& p, const QString& text, bool force, QVariant& value, QString& error)
{
    if (isList(p)) {
        error
            = QStringLiteral("'%1' holds a list and cannot be set from the command line").arg(QLatin1String(p.name()));
        return false;
    }
    if (!p.isWritable()) {
        error = QStringLiteral("'%1' is read only").arg(QLatin1String(p.name()));
        return false;
    }
    bool ok = false;
    if (const Enumeration e = enumerationOf(p); !e.type.isEmpty()) {
        int number = text.toInt(&ok, 10);
        if (!ok) {
            for (const auto& [name, v] : e.values)
                if (name == text)
                    number = v, ok = true;
        } else if (e.nameOf(number).isEmpty() && !force) {
            QStringList names;
            for (const auto& [name, v] : e.values)
                names << QStringLiteral("%1 (%2)").arg(name).arg(v);
            error = QStringLiteral("%1 names no %2 enumerator (valid: %3; --force stores it anyway)")
                        .arg(text, e.type, names.join(QStringLiteral(", ")));
            return false;
        }
        if (!ok) {
            QStringList names;
            for (const auto& [name, v] : e.values)
                names << name;
            error = QStringLiteral("'%1' is not a %2 (valid: %3, or their numbers)")
                        .arg(text, e.type, names.join(QStringLiteral(", ")));
            return false;
        }
        value = number; // every enumeration here converts from its number
        return true;
    }
    if (p.userType() == QMetaType::Bool) {
        const QString t = text.toLower();
        ok = QStringList { "true", "false", "1", "0", "yes", "no", "on", "off" }.contains(t);
        value = QStringList { "true", "1", "yes", "on" }.contains(t);
    } else if (p.userType() == QMetaType::Int) {
        value = text.toInt(&ok, 10);
    } else if (p.userType() == QMetaType::LongLong) {
        value = text.toLongLong(&ok, 10);
    } else if (p.userType() == QMetaType::QString) {
        ok = true;
        value = text;
    }
    if (!ok)
        error = QStringLiteral("'%1' is not a valid %2 for '%3'")
                    .arg(text, QLatin1String(p.typeName()), QLatin1String(p.name()));
    return ok;
}

QString describeRange(const QMetaProperty& p)
{
    if (const Enumeration e = enumerationOf(p); !e.type.isEmpty()) {
        QString out = QStringLiteral("enum %1\n").arg(e.type);
        for (const auto& [name, v] : e.values)
            out += QStringLiteral("%1 %2\n").arg(v).arg(name);
        return out;
    }
    // The client keeps every number of the type as it is given: its setters
    // check no range, volumes and sizes included.
    const QString anyNumber = QStringLiteral("(any: the client checks no range)\n");
    switch (p.userType()) {
    case QMetaType::Bool:
        return QStringLiteral("bool\ntrue\nfalse\n");
    case QMetaType::Int:
        return QStringLiteral("int\n%1..%2 %3")
            .arg(std::numeric_limits<int>::min())
            .arg(std::numeric_limits<int>::max())
            .arg(anyNumber);
    case QMetaType::LongLong:
        return QStringLiteral("int64\n%1..%2 %3")
            .arg(std::numeric_limits<qint64>::min())
            .arg(std::numeric_limits<qint64>::max())
            .arg(anyNumber);
    case QMetaType::QString:
        return QStringLiteral("text\n");
    default:
        return QStringLiteral("%1\n").arg(QLatin1String(p.typeName()));
    }
}
