#include "Target.h"

#include "Output.h"
#include "Session.h"

#include "SettingsStore_p.h"

using namespace cvsettings;

QString Target::qualified() const
{
    return QStringLiteral("%1.%2").arg(QLatin1String(group->name), QLatin1String(property.name()));
}

QString unknownGroup(const QString& name)
{
    const QString near = didYouMean(name, groupNames());
    return near.isEmpty()
        ? QStringLiteral("unknown group '%1' (groups: %2)").arg(name, groupNames().join(QStringLiteral(", ")))
        : QStringLiteral("unknown group '%1'%2").arg(name, near);
}

bool resolve(Session& s, const QString& text, Target& target, QString& error, bool needProperty)
{
    const int dot = text.indexOf(QLatin1Char('.'));
    const QString groupName = dot < 0 ? text : text.left(dot);
    target.group = findGroup(groupName);
    if (!target.group) {
        error = unknownGroup(groupName);
        return false;
    }
    if (dot < 0) {
        if (needProperty)
            error = QStringLiteral("'%1' is not of the form GROUP.property").arg(text);
        return !needProperty;
    }
    const QString name = text.mid(dot + 1);
    QString propertyName = name;
    const QList<store::StoredKey> keys = store::sectionKeys(QLatin1String(target.group->name));
    for (const store::StoredKey& k : keys)
        if (k.key.compare(name, Qt::CaseInsensitive) == 0)
            propertyName = k.property;
    const QMetaObject* meta = target.group->held(s.record()).metaObject();
    for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i) {
        if (propertyName.compare(QLatin1String(meta->property(i).name()), Qt::CaseInsensitive) == 0) {
            target.property = meta->property(i);
            for (const store::StoredKey& k : keys)
                if (k.property == QLatin1String(target.property.name()))
                    target.key = k.key;
            return true;
        }
    }
    QStringList names;
    for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i)
        names << QLatin1String(meta->property(i).name());
    const QString near = didYouMean(name, names);
    error = near.isEmpty()
        ? QStringLiteral("group '%1' has no property '%2' (see cvconf list-keys %1)")
              .arg(QLatin1String(target.group->name), name)
        : QStringLiteral("group '%1' has no property '%2'%3").arg(QLatin1String(target.group->name), name, near);
    return false;
}

bool oneTarget(Session& s, const QStringList& args, const char* usage, bool needProperty, Target& t, int& code)
{
    QString error;
    if (args.size() == 1 && resolve(s, args.first(), t, error, needProperty))
        return true;
    code = fail(error.isEmpty() ? QLatin1String(usage) : error);
    return false;
}
