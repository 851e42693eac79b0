// cvconf show, get, list-keys and range: the groups as the client loads them.

#include "Commands.h"
#include "Groups.h"
#include "Output.h"
#include "Session.h"
#include "Target.h"

#include <QJsonDocument>
#include <QJsonObject>

int showCommand(Session& s, const QStringList& argsIn)
{
    QStringList args = argsIn;
    const bool json = args.removeAll(QStringLiteral("--json")) > 0;
    if (args.size() > 1)
        return fail(QStringLiteral("usage: cvconf show [GROUP] [--json]"));
    QList<const Group*> shown;
    if (args.isEmpty()) {
        for (const Group& g : groups())
            shown << &g;
    } else if (const Group* g = findGroup(args.first())) {
        shown << g;
    } else {
        return fail(unknownGroup(args.first()));
    }
    ConfigMgrPrivate& d = s.loaded();
    QJsonObject all;
    QString text = QStringLiteral("# settings file: %1\n").arg(s.settingsFile());
    for (const Group* g : shown) {
        const QList<Row> r = rows(g->held(d));
        all.insert(QLatin1String(g->name), toJson(r));
        text += toText(QLatin1String(g->name), r) + QLatin1Char('\n');
    }
    print(json ? QString::fromUtf8(QJsonDocument(all).toJson()) : text);
    return 0;
}

int getCommand(Session& s, const QStringList& args)
{
    Target t;
    if (int code = 0; !oneTarget(s, args, "usage: cvconf get GROUP.property", true, t, code))
        return code;
    if (isList(t.property))
        return fail(QStringLiteral("%1 holds a list; see cvconf show %2").arg(t.qualified(), t.group->name));
    for (const Row& row : rows(t.group->held(s.loaded())))
        if (row.name == QLatin1String(t.property.name()))
            print((row.value.isBool()            ? QLatin1String(row.value.toBool() ? "true" : "false")
                          : row.value.isDouble() ? QString::number(row.value.toVariant().toLongLong())
                                                 : row.value.toString())
                + QLatin1Char('\n'));
    return 0;
}

int listKeysCommand(Session& s, const QStringList& args)
{
    Target t;
    if (int code = 0; !oneTarget(s, args, "usage: cvconf list-keys GROUP", false, t, code))
        return code;
    if (args.first().contains(QLatin1Char('.')))
        return fail(QStringLiteral("usage: cvconf list-keys GROUP"));
    const QMetaObject* meta = t.group->held(s.record()).metaObject();
    QString out;
    for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i)
        out += QLatin1String(meta->property(i).name()) + QLatin1Char('\n');
    print(out);
    return 0;
}

int rangeCommand(Session& s, const QStringList& args)
{
    Target t;
    if (int code = 0; !oneTarget(s, args, "usage: cvconf range GROUP.property", true, t, code))
        return code;
    if (isList(t.property))
        return fail(QStringLiteral("%1 holds a list").arg(t.qualified()));
    print(describeRange(t.property));
    return 0;
}
