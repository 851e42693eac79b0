// cvconf: reads the configuration exactly as the client loads it, and changes
// the settings file the way the client would, through the library's own
// saves and under its save lock.

#include "Commands.h"
#include "Groups.h"
#include "Output.h"

#include "ConfigMgr.h"
#include "ConfigMgr_p.h"
#include "LoginSetting.h"
#include "LoginSettingUser.h"
#include "SettingsStore_p.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSettings>
#include <QTextCodec>

#include <cstdio>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace cvsettings;

namespace {

struct Command {
    const char* name;
    const char* usage;
    int (*run)(const QStringList& args);
};

const Command kCommands[] = {
    { "show", "show [GROUP] [--json]        every group (or one) as the client loads it", showCommand },
    { "get", "get GROUP.property           the bare value", getCommand },
    { "set",
        "set GROUP.property VALUE [--force]\n"
        "                               change one value (Server: an override); enumerations\n"
        "                               by name or number, --force for a number naming none *",
        setCommand },
    { "unset",
        "unset GROUP.property         remove one key: its default (for Server, the product\n"
        "                               file's value) applies again *",
        resetCommand },
    { "reset", "reset GROUP | GROUP.property remove a section's keys or one key *", resetCommand },
    { "list-keys", "list-keys GROUP              the properties of a group", listKeysCommand },
    { "range", "range GROUP.property         the type and the values a property takes", rangeCommand },
    { "account",
        "account add EMAIL | account remove EMAIL\n"
        "                               save (password: first line of stdin) or forget an account *",
        accountCommand },
    { "providers", "providers [--json]           the OAuth providers and their endpoints (secrets masked)",
        providersCommand },
    { "dump", "dump                         the whole settings file as JSON (passwords as stored)", dumpCommand },
    { "load", "load FILE|-                  replace the whole settings file with a dump *", loadCommand },
    { "monitor", "monitor                      print each change saved to the file, until interrupted",
        monitorCommand },
};

const char kUsageTail[] = "\n"
                          "options (anywhere):\n"
                          "  --file PATH     work on this settings file instead of the user's own\n"
                          "  --app-dir DIR   read the product files of the installation in DIR\n"
                          "\n"
                          "* Writing commands (set, unset, reset, account, load) hold the settings file's\n"
                          "save lock from reading to writing, so cvconf writers never lose each other's\n"
                          "changes. A running client does not re-read the file: when it next saves a\n"
                          "group it writes that whole section from what it holds, and so overwrites any\n"
                          "change cvconf made to that section meanwhile. Quit the client first.\n"
                          "\n"
                          "exit status: 0 done; 1 the settings file could not be read, locked or\n"
                          "written (it is left as it was); 2 a wrong command line or input.\n";

int usage(FILE* to)
{
    QString text = QStringLiteral("usage: cvconf [--file PATH] [--app-dir DIR] COMMAND ...\n\ncommands:\n");
    for (const Command& c : kCommands)
        text += QStringLiteral("  %1\n").arg(QLatin1String(c.usage));
    text += QStringLiteral("\ngroups: %1\n").arg(groupNames().join(QStringLiteral(", ")));
    text += QLatin1String(kUsageTail);
    std::fputs(text.toUtf8().constData(), to);
    return to == stderr ? 2 : 0;
}

bool takeFlag(QStringList& args, const QString& flag) { return args.removeAll(flag) > 0; }

// Refuses to rewrite a settings file that QSettings cannot read back whole:
// saving would drop whatever it could not parse.
bool safeToWrite(const QString& path, QString& why)
{
    const QFileInfo info(path);
    if (!info.exists())
        return true;
    if (!info.isFile()) {
        why = QStringLiteral("%1 is not a regular file; not changing it").arg(path);
        return false;
    }
    QSettings ini(path, QSettings::IniFormat);
    if (ini.status() == QSettings::NoError)
        return true;
    why = QStringLiteral("the settings file %1 is %2; not changing it")
              .arg(path,
                  ini.status() == QSettings::FormatError ? QStringLiteral("not a valid INI file")
                                                         : QStringLiteral("not readable"));
    return false;
}

// GROUP.property, the property matched by its name or by its key in the
// file, either in any letter case.
struct Target {
    const Group* group = nullptr;
    QMetaProperty property;
    QString key; // the property's key in the file, empty when it has none
};

bool resolve(const QString& text, Target& target, QString& error, bool needProperty = true)
{
    const int dot = text.indexOf(QLatin1Char('.'));
    const QString groupName = dot < 0 ? text : text.left(dot);
    target.group = findGroup(groupName);
    if (!target.group) {
        error = QStringLiteral("unknown group '%1' (groups: %2)").arg(groupName, groupNames().join(", "));
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
    const QMetaObject* meta = target.group->held(record(false)).metaObject();
    for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i) {
        if (propertyName.compare(QLatin1String(meta->property(i).name()), Qt::CaseInsensitive) == 0) {
            target.property = meta->property(i);
            for (const store::StoredKey& k : keys)
                if (k.property == QLatin1String(target.property.name()))
                    target.key = k.key;
            return true;
        }
    }
    error = QStringLiteral("group '%1' has no property '%2' (see cvconf list-keys %1)")
                .arg(QLatin1String(target.group->name), name);
    return false;
}

QString qualified(const Target& t)
{
    return QStringLiteral("%1.%2").arg(QLatin1String(t.group->name), QLatin1String(t.property.name()));
}

} // namespace

Locations& locations()
{
    static Locations where;
    return where;
}

namespace {

std::unique_ptr<ConfigMgrPrivate>& heldRecord()
{
    static std::unique_ptr<ConfigMgrPrivate> held;
    return held;
}

} // namespace

ConfigMgrPrivate& record(bool load)
{
    std::unique_ptr<ConfigMgrPrivate>& held = heldRecord();
    if (!held) {
        held = std::make_unique<ConfigMgrPrivate>(ConfigMgr::createInstance());
        if (!locations().settingsFile.isEmpty())
            held->settingsFilePath = QFileInfo(locations().settingsFile).absoluteFilePath();
        if (!locations().appDir.isEmpty())
            held->appDirPath = QFileInfo(locations().appDir).absoluteFilePath();
    }
    if (load)
        cvsettings::loadAll(*held);
    return *held;
}

ConfigMgrPrivate& loadedRecord()
{
    closeRecord();
    return record(true);
}

// The record's settings objects are the manager's children.
void closeRecord()
{
    heldRecord().reset();
    ConfigMgr::destroyInstance();
}

QString settingsFilePath() { return record(false).settingsFilePath; }

namespace {

bool sameKeys(QSettings& a, QSettings& b)
{
    const QStringList keys = a.allKeys();
    if (keys != b.allKeys())
        return false;
    for (const QString& key : keys)
        if (a.value(key) != b.value(key))
            return false;
    return true;
}

// Whether `copy` holds on disk what this process saved into it. QSettings
// answers from its own cache for a path it wrote, and Qt 5's QSaveFile can
// report a write that failed in its last buffer flush as done and leave the
// file cut short; so the bytes are read back under another name.
bool written(const QString& copy)
{
    const QString check = copy + QLatin1String(".check");
    QFile::remove(check);
    if (!QFile::copy(copy, check))
        return false;
    bool same = false;
    {
        QSettings intended(copy, QSettings::IniFormat);
        QSettings onDisk(check, QSettings::IniFormat);
        same = onDisk.status() == QSettings::NoError && sameKeys(intended, onDisk);
    }
    QFile::remove(check);
    return same;
}

} // namespace

int writeTransaction(const std::function<int(ConfigMgrPrivate& d, QString& done)>& change)
{
    const QString file = settingsFilePath();
    const store::SaveTransaction transaction(file);
    if (!transaction.locked())
        return fail(QStringLiteral("could not lock %1 within %2 s (another save holds %1.savelock, or something "
                                   "other than a lock file stands at %1.lock or %1.savelock); nothing changed")
                        .arg(file)
                        .arg(store::kSaveLockWaitMs / 1000),
            1);
    QString why;
    if (!safeToWrite(file, why))
        return fail(why, 1);

    // The change is saved into a copy beside the file, checked on disk, and
    // only then renamed over the file: a write that fails half way leaves
    // the file as it was.
    const QString copy = QStringLiteral("%1.cvconf-%2").arg(file).arg(QCoreApplication::applicationPid());
    const auto failed = [&copy, &file] {
        QFile::remove(copy);
        return fail(QStringLiteral("could not write %1 (disk full, no permission?); it is as it was").arg(file), 1);
    };
    QFile::remove(copy);
    if (QFileInfo::exists(file) && !QFile::copy(file, copy))
        return failed();
    closeRecord();
    locations().settingsFile = copy;
    QString done;
    int status = 0;
    bool savedAll = false;
    {
        const store::SaveTransaction onCopy(copy);
        status = change(loadedRecord(), done);
        savedAll = onCopy.locked() && !onCopy.failed();
        closeRecord();
    }
    locations().settingsFile = file;
    if (status != 0) {
        QFile::remove(copy);
        return status;
    }
    // The saves replaced the copy with a file of their own; it takes over the
    // owner of the file it replaces, so that an administrator's change leaves
    // the user able to write their file.
    struct stat original {
    };
    if (::stat(QFile::encodeName(file).constData(), &original) == 0
        && ::chown(QFile::encodeName(copy).constData(), original.st_uid, original.st_gid) != 0 && ::geteuid() == 0)
        return failed();
    if (!savedAll || !written(copy)
        || std::rename(QFile::encodeName(copy).constData(), QFile::encodeName(file).constData()) != 0)
        return failed();
    print(done);
    return 0;
}

int fail(const QString& message, int status)
{
    std::fprintf(stderr, "cvconf: %s\n", message.toUtf8().constData());
    return status;
}

void print(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

bool decodeUtf8(const QByteArray& bytes, QString& text)
{
    QTextCodec::ConverterState state;
    text = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
}

int showCommand(const QStringList& argsIn)
{
    QStringList args = argsIn;
    const bool json = takeFlag(args, QStringLiteral("--json"));
    if (args.size() > 1)
        return fail(QStringLiteral("usage: cvconf show [GROUP] [--json]"));
    QList<const Group*> shown;
    if (args.isEmpty()) {
        for (const Group& g : groups())
            shown << &g;
    } else if (const Group* g = findGroup(args.first())) {
        shown << g;
    } else {
        return fail(QStringLiteral("unknown group '%1' (groups: %2)").arg(args.first(), groupNames().join(", ")));
    }
    ConfigMgrPrivate& d = loadedRecord();
    QJsonObject all;
    QString text = QStringLiteral("# settings file: %1\n").arg(settingsFilePath());
    for (const Group* g : shown) {
        const QList<Row> r = rows(g->held(d));
        all.insert(QLatin1String(g->name), toJson(r));
        text += toText(QLatin1String(g->name), r) + QLatin1Char('\n');
    }
    print(json ? QString::fromUtf8(QJsonDocument(all).toJson()) : text);
    return 0;
}

// The one GROUP or GROUP.property argument of a command that takes nothing
// else; on a wrong command line `code` is what the command returns.
bool oneTarget(const QStringList& args, const char* usage, bool needProperty, Target& t, int& code)
{
    QString error;
    if (args.size() == 1 && resolve(args.first(), t, error, needProperty))
        return true;
    code = fail(error.isEmpty() ? QLatin1String(usage) : error);
    return false;
}

int getCommand(const QStringList& args)
{
    Target t;
    if (int code = 0; !oneTarget(args, "usage: cvconf get GROUP.property", true, t, code))
        return code;
    if (isList(t.property))
        return fail(QStringLiteral("%1 holds a list; see cvconf show %2").arg(qualified(t), t.group->name));
    for (const Row& row : rows(t.group->held(loadedRecord())))
        if (row.name == QLatin1String(t.property.name()))
            print((row.value.isBool()            ? QLatin1String(row.value.toBool() ? "true" : "false")
                          : row.value.isDouble() ? QString::number(row.value.toVariant().toLongLong())
                                                 : row.value.toString())
                + QLatin1Char('\n'));
    return 0;
}

int listKeysCommand(const QStringList& args)
{
    Target t;
    if (int code = 0; !oneTarget(args, "usage: cvconf list-keys GROUP", false, t, code))
        return code;
    if (args.first().contains(QLatin1Char('.')))
        return fail(QStringLiteral("usage: cvconf list-keys GROUP"));
    const QMetaObject* meta = t.group->held(record(false)).metaObject();
    QString out;
    for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i)
        out += QLatin1String(meta->property(i).name()) + QLatin1Char('\n');
    print(out);
    return 0;
}

int rangeCommand(const QStringList& args)
{
    Target t;
    if (int code = 0; !oneTarget(args, "usage: cvconf range GROUP.property", true, t, code))
        return code;
    if (isList(t.property))
        return fail(QStringLiteral("%1 holds a list").arg(qualified(t)));
    print(describeRange(t.property));
    return 0;
}

int setCommand(const QStringList& argsIn)
{
    QStringList args = argsIn;
    const bool force = takeFlag(args, QStringLiteral("--force"));
    if (args.size() != 2)
        return fail(QStringLiteral("usage: cvconf set GROUP.property VALUE [--force]"));
    Target t;
    QString error;
    if (!resolve(args.at(0), t, error))
        return fail(error);
    const bool server = QLatin1String(t.group->name) == QLatin1String("Server");
    if (!server && !t.group->write)
        return fail(QStringLiteral("group '%1' comes from the product files or is not kept; it cannot be set")
                        .arg(QLatin1String(t.group->name)));
    QVariant value;
    if (isList(t.property))
        return fail(QStringLiteral("%1 holds a list and cannot be set").arg(qualified(t)));
    if (!parseValue(t.property, args.at(1), force, value, error))
        return fail(error);
    if (t.key.isEmpty())
        return fail(QStringLiteral("%1 is not kept in the settings file and cannot be set").arg(qualified(t)));
    return writeTransaction([&](ConfigMgrPrivate& d, QString& done) {
        if (server) {
            // The library never writes this section: the override is a raw key.
            const QString key = QStringLiteral("Server/") + t.key;
            store::rewrite(settingsFilePath(), [&](QSettings& ini) { ini.setValue(key, value); });
        } else if (!t.group->write(d, t.property.name(), value)) {
            return fail(QStringLiteral("could not set %1").arg(qualified(t)), 1);
        }
        done = QStringLiteral("%1 = %2\n").arg(qualified(t), value.toString());
        if (const Enumeration e = enumerationOf(t.property); !e.type.isEmpty()) {
            const int number = QVariant(value).toInt();
            const QString name = e.nameOf(number);
            done = QStringLiteral("%1 = %2 (%3)\n")
                       .arg(qualified(t))
                       .arg(number)
                       .arg(name.isEmpty() ? QStringLiteral("no %1 enumerator").arg(e.type) : name);
        }
        return 0;
    });
}

int resetCommand(const QStringList& args)
{
    Target t;
    const bool whole = !args.value(0).contains(QLatin1Char('.'));
    if (int code = 0; !oneTarget(args, "usage: cvconf reset GROUP | cvconf reset GROUP.property", !whole, t, code))
        return code;
    const QString section = QLatin1String(t.group->name);
    QStringList keys;
    if (whole) {
        for (const store::StoredKey& k : store::sectionKeys(section))
            keys << k.key;
        if (keys.isEmpty())
            return fail(QStringLiteral("group '%1' is not kept in the settings file").arg(section));
    } else if (t.key.isEmpty()) {
        return fail(QStringLiteral("%1 is not kept in the settings file").arg(qualified(t)));
    } else {
        keys << t.key;
    }
    return writeTransaction([&](ConfigMgrPrivate&, QString& done) {
        // Only the keys the client reads leave the file; anything else in the
        // section stays.
        store::rewrite(settingsFilePath(), [&](QSettings& ini) {
            ini.beginGroup(section);
            for (const QString& key : keys)
                ini.remove(key);
            ini.endGroup();
        });
        done = QStringLiteral("%1: %2 removed\n").arg(section, keys.join(QStringLiteral(", ")));
        return 0;
    });
}

int accountCommand(const QStringList& args)
{
    const bool add = args.value(0) == QLatin1String("add");
    if (args.size() != 2 || (!add && args.at(0) != QLatin1String("remove")))
        return fail(QStringLiteral("usage: cvconf account add EMAIL | cvconf account remove EMAIL"));
    const QString email = args.at(1);
    if (email.isEmpty())
        return fail(QStringLiteral("an account needs an e-mail address"));
    QString password;
    if (add) {
        // From stdin, so that it never shows in a process list.
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot read the password from stdin"));
        const QByteArray line = in.readLine(4096);
        if (!decodeUtf8(line, password))
            return fail(QStringLiteral("the password on stdin is not valid UTF-8"));
        while (password.endsWith(QLatin1Char('\n')) || password.endsWith(QLatin1Char('\r')))
            password.chop(1);
    }
    return writeTransaction([&](ConfigMgrPrivate& d, QString& done) {
        LoginSetting login(*d.loginSetting);
        if (add) {
            LoginSettingUser user;
            user.setEmail(email);
            user.setPassword(password);
            login.replaceIntoUser(user);
        } else {
            if (!login.users().contains(email))
                return fail(QStringLiteral("no saved account '%1'").arg(email), 1);
            login.removeUser(email);
        }
        cvsettings::writeGroup(d, d.loginSetting, login);
        done = QStringLiteral("account %1 %2\n").arg(email, add ? QStringLiteral("saved") : QStringLiteral("removed"));
        return 0;
    });
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    registerSharedTypes();
    // The arguments as bytes: the locale's decoder would replace what is not
    // UTF-8 without saying so.
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        QString arg;
        if (!decodeUtf8(QByteArray(argv[i]), arg))
            return fail(QStringLiteral("argument %1 is not valid UTF-8").arg(i));
        args << arg;
    }
    for (const char* option : { "--file", "--app-dir" }) {
        for (int at; (at = args.indexOf(QLatin1String(option))) >= 0;) {
            if (at + 1 >= args.size() || args.at(at + 1).isEmpty())
                return fail(QStringLiteral("%1 needs a value").arg(QLatin1String(option)));
            (QLatin1String(option) == QLatin1String("--file") ? locations().settingsFile : locations().appDir)
                = args.at(at + 1);
            args.erase(args.begin() + at, args.begin() + at + 2);
        }
    }
    if (!locations().appDir.isEmpty() && !QFileInfo(locations().appDir).isDir())
        return fail(QStringLiteral("--app-dir %1 is not a folder").arg(locations().appDir));
    if (const QFileInfo f(locations().settingsFile); !locations().settingsFile.isEmpty() && f.exists() && !f.isFile())
        return fail(QStringLiteral("--file %1 is not a regular file").arg(locations().settingsFile));
    if (args.isEmpty())
        return usage(stderr);
    const QString name = args.takeFirst();
    if (name == QLatin1String("-h") || name == QLatin1String("--help") || name == QLatin1String("help"))
        return usage(stdout);
    for (const Command& c : kCommands) {
        if (name == QLatin1String(c.name)) {
            const int status = c.run(args);
            closeRecord();
            return status;
        }
    }
    fail(QStringLiteral("unknown command '%1'").arg(name));
    return usage(stderr);
}
