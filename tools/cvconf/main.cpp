// cvconf: shows the configuration exactly as the client loads it, and changes
// one preference through the manager's own write operation, so the settings
// file changes exactly as the client would change it.

#include "Commands.h"
#include "Groups.h"
#include "Output.h"

#include "ConfigMgr.h"
#include "PathHelper.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QMetaProperty>
#include <QSettings>
#include <QTextStream>

#include <cstdio>

namespace {

struct Command {
    const char* name;
    const char* usage;
    int (*run)(const QStringList& args);
};

const Command kCommands[] = {
    {"show", "show [GROUP] [--json]      print every group (or one) as loaded", showCommand},
    {"set", "set GROUP.property VALUE   change one preference and save its group", setCommand},
    {"account", "account add EMAIL | account remove EMAIL\n"
                "                             save or forget a sign-in account (password read from stdin)",
     accountCommand},
    {"providers", "providers [--json]         list the OAuth providers and their endpoints (secrets masked)", providersCommand},
};

int usage(FILE* to)
{
    QString text = QStringLiteral("usage: cvconf COMMAND ...\n\ncommands:\n");
    for (const Command& c : kCommands)
        text += QStringLiteral("  %1\n").arg(QLatin1String(c.usage));
    text += QStringLiteral("\ngroups: %1\n").arg(groupNames().join(QStringLiteral(", ")));
    std::fputs(text.toLocal8Bit().constData(), to);
    return to == stderr ? 2 : 0;
}

bool takeFlag(QStringList& args, const QString& flag)
{
    return args.removeAll(flag) > 0;
}

// Refuses to rewrite a settings file that QSettings cannot read back whole:
// saving would drop whatever it could not parse.
bool settingsFileIsSafeToWrite(QString& why)
{
    const QString path = settingsFilePath();
    if (!QFileInfo::exists(path))
        return true;
    QSettings ini(path, QSettings::IniFormat);
    if (ini.status() == QSettings::NoError)
        return true;
    why = QStringLiteral("the settings file %1 is %2; not changing it")
              .arg(path, ini.status() == QSettings::FormatError ? QStringLiteral("not a valid INI file")
                                                                : QStringLiteral("not readable"));
    return false;
}

} // namespace

QString settingsFilePath()
{
    return PathHelper::defaultPathName(QStringLiteral("com.corvane.settings.ini"));
}

ConfigMgr& loadedManager()
{
    ConfigMgr* mgr = ConfigMgr::createInstance();
    mgr->loadConfig();
    return *mgr;
}

int fail(const QString& message, int status)
{
    std::fprintf(stderr, "cvconf: %s\n", message.toLocal8Bit().constData());
    return status;
}

void print(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stdout);
}

int showCommand(const QStringList& argsIn)
{
    QStringList args = argsIn;
    const bool json = takeFlag(args, QStringLiteral("--json"));
    if (args.size() > 1)
        return fail(QStringLiteral("show takes at most one group"));
    QList<const Group*> shown;
    if (args.isEmpty()) {
        for (const Group& g : groups())
            shown << &g;
    } else if (const Group* g = findGroup(args.first())) {
        shown << g;
    } else {
        return fail(QStringLiteral("unknown group '%1' (groups: %2)").arg(args.first(), groupNames().join(", ")));
    }
    ConfigMgr& mgr = loadedManager();
    QJsonObject all;
    QString text = QStringLiteral("# settings file: %1\n").arg(settingsFilePath());
    for (const Group* g : shown) {
        const QList<Row> r = rows(g->held(mgr));
        all.insert(QLatin1String(g->name), toJson(r));
        text += toText(QLatin1String(g->name), r) + QLatin1Char('\n');
    }
    print(json ? QString::fromUtf8(QJsonDocument(all).toJson()) : text);
    return 0;
}

int setCommand(const QStringList& args)
{
    if (args.size() != 2)
        return fail(QStringLiteral("usage: cvconf set GROUP.property VALUE"));
    const QString target = args.at(0);
    const int dot = target.indexOf(QLatin1Char('.'));
    if (dot <= 0)
        return fail(QStringLiteral("'%1' is not of the form GROUP.property").arg(target));
    const Group* group = findGroup(target.left(dot));
    if (!group)
        return fail(QStringLiteral("unknown group '%1' (groups: %2)").arg(target.left(dot), groupNames().join(", ")));
    if (!group->write)
        return fail(QStringLiteral("group '%1' is not stored in the settings file and cannot be set")
                        .arg(QLatin1String(group->name)));

    ConfigMgr& mgr = loadedManager();
    const QMetaObject* meta = group->held(mgr).metaObject();
    const QByteArray name = target.mid(dot + 1).toLatin1();
    const int index = meta->indexOfProperty(name.constData());
    if (index < QObject::staticMetaObject.propertyCount())
        return fail(QStringLiteral("group '%1' has no property '%2'").arg(QLatin1String(group->name), target.mid(dot + 1)));
    const QMetaProperty property = meta->property(index);
    QVariant value;
    QString error;
    if (!parseValue(property, args.at(1), value, error))
        return fail(error);
    if (!settingsFileIsSafeToWrite(error))
        return fail(error, 1);
    if (!group->write(mgr, name.constData(), value))
        return fail(QStringLiteral("could not set %1").arg(target), 1);

    // Read the file back in a fresh manager, as the next start of the client would.
    ConfigMgr::destroyInstance();
    ConfigMgr& reloaded = loadedManager();
    const QVariant stored = plainValue(group->held(reloaded), property);
    QVariant wanted = value;
    if (property.isEnumType() || QByteArray(property.typeName()).startsWith("Corvane::"))
        wanted = *static_cast<const int*>(value.constData());
    if (stored != wanted)
        return fail(QStringLiteral("%1 did not survive a reload: the property is not kept in the settings file, "
                                   "or %2 could not be written")
                        .arg(target, settingsFilePath()),
                    1);
    print(QStringLiteral("%1.%2 = %3\n").arg(QLatin1String(group->name), QLatin1String(property.name()), stored.toString()));
    return 0;
}

int accountCommand(const QStringList& args)
{
    if (args.size() != 2 || (args.at(0) != QLatin1String("add") && args.at(0) != QLatin1String("remove")))
        return fail(QStringLiteral("usage: cvconf account add EMAIL | cvconf account remove EMAIL"));
    const QString email = args.at(1);
    if (email.isEmpty())
        return fail(QStringLiteral("an account needs an e-mail address"));
    QString error;
    if (!settingsFileIsSafeToWrite(error))
        return fail(error, 1);
    ConfigMgr& mgr = loadedManager();
    LoginSetting login(mgr.loginSetting());
    if (args.at(0) == QLatin1String("add")) {
        // The password comes from stdin so that it never shows in a process list.
        QTextStream in(stdin);
        LoginSettingUser user;
        user.setEmail(email);
        user.setPassword(in.readLine());
        login.replaceIntoUser(user);
    } else {
        if (!login.users().contains(email))
            return fail(QStringLiteral("no saved account '%1'").arg(email), 1);
        login.removeUser(email);
    }
    mgr.writeLoginSetting(login);
    ConfigMgr::destroyInstance();
    const bool saved = loadedManager().loginSetting().users().contains(email);
    if (saved != (args.at(0) == QLatin1String("add")))
        return fail(QStringLiteral("the settings file %1 could not be written").arg(settingsFilePath()), 1);
    return 0;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    registerSharedTypes();
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage(stderr);
    const QString name = args.takeFirst();
    if (name == QLatin1String("-h") || name == QLatin1String("--help") || name == QLatin1String("help"))
        return usage(stdout);
    for (const Command& c : kCommands) {
        if (name == QLatin1String(c.name)) {
            const int status = c.run(args);
            ConfigMgr::destroyInstance();
            return status;
        }
    }
    fail(QStringLiteral("unknown command '%1'").arg(name));
    return usage(stderr);
}
