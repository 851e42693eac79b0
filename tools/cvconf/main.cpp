// cvconf: reads the configuration exactly as the client loads it, and changes
// the settings file the way the client would, through the library's own
// saves. Each command lives in the file of its kind: ReadCommands.cpp,
// WriteCommands.cpp, Files.cpp (dump, load, monitor), Providers.cpp.

#include "Commands.h"
#include "CorvaneTypes.h"
#include "Groups.h"
#include "Output.h"
#include "Session.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace {

struct Command {
    const char* name;
    const char* usage;
    int (*run)(Session& s, const QStringList& args);
    bool showsValues = false; // says, before it runs, which values are only defaults
};

const Command kCommands[] = {
    { "show", "show [GROUP] [--json]        every group (or one) as the client loads it", showCommand, true },
    { "get", "get GROUP.property           the bare value", getCommand, true },
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
        "account add EMAIL [--empty-password] | account remove EMAIL\n"
        "                               save (password: first line of stdin) or forget an account;\n"
        "                               forgetting one that is not saved changes nothing *",
        accountCommand },
    { "providers", "providers [--json]           the OAuth providers and their endpoints (secrets masked)",
        providersCommand, true },
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
                          "* Writing commands (set, unset, reset, account, load) hold cvconf's lock on the\n"
                          "settings file from reading to writing, so cvconf writers never lose each\n"
                          "other's changes, and save as the client does: the file is replaced whole, or\n"
                          "left as it was. A running client does not re-read the file: when it next\n"
                          "saves a group it writes that whole section from what it holds, and so\n"
                          "overwrites any change cvconf made to that section meanwhile. Quit the client\n"
                          "first.\n"
                          "\n"
                          "exit status: 0 done; 1 the settings file could not be read, locked or\n"
                          "written (it is left as it was); 2 a wrong command line or input.\n";

// One command's help: its synopsis and the options every command takes.
int commandHelp(const Command& c)
{
    const QString options = QString::fromLatin1(kUsageTail).section(QLatin1String("\n\n"), 0, 0).trimmed();
    // The synopsis ends where the aligned description starts.
    const QString entry = QLatin1String(c.usage);
    const int cut = entry.indexOf(QRegularExpression(QStringLiteral("  |\n")));
    QStringList about;
    for (const QString& line : entry.mid(cut).split(QLatin1Char('\n')))
        about << line.trimmed();
    std::fputs(QStringLiteral("usage: cvconf [--file PATH] [--app-dir DIR] %1\n\n  %2\n\n%3\n")
                   .arg(entry.left(cut), about.join(QLatin1Char(' ')).trimmed(), options)
                   .toUtf8()
                   .constData(),
        stdout);
    return 0;
}

const Command* findCommand(const QString& name)
{
    for (const Command& c : kCommands)
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    CorvaneEnums::registerTypes();
#ifdef Q_OS_WIN
    // Windows hands a program its arguments as UTF-16, which Qt reads from
    // the command line itself; argv holds them in the ANSI code page, which
    // cannot hold every letter. Output is UTF-8, as elsewhere, and a password
    // on standard input is read as bytes, not as text that a Ctrl-Z ends.
    QStringList args = QCoreApplication::arguments().mid(1);
    SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdin), _O_BINARY);
#else
    // The arguments as bytes: the locale's decoder would replace what is not
    // UTF-8 without saying so.
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        QString arg;
        if (!decodeUtf8(QByteArray(argv[i]), arg))
            return fail(QStringLiteral("argument %1 is not valid UTF-8").arg(i));
        args << arg;
    }
#endif
    QString settingsFile, appDir;
    for (const char* option : { "--file", "--app-dir" }) {
        for (int at; (at = args.indexOf(QLatin1String(option))) >= 0;) {
            if (at + 1 >= args.size() || args.at(at + 1).isEmpty())
                return fail(QStringLiteral("%1 needs a value").arg(QLatin1String(option)));
            (QLatin1String(option) == QLatin1String("--file") ? settingsFile : appDir) = args.at(at + 1);
            args.erase(args.begin() + at, args.begin() + at + 2);
        }
    }
    if (!appDir.isEmpty() && !QFileInfo(appDir).isDir())
        return fail(QStringLiteral("--app-dir %1 is not a folder").arg(appDir));
    if (const QFileInfo f(settingsFile); !settingsFile.isEmpty() && f.exists() && !f.isFile())
        return fail(QStringLiteral("--file %1 is not a regular file").arg(settingsFile));
    if (args.isEmpty())
        return usage(stderr);
    const QString name = args.takeFirst();
    const auto isHelp = [](const QString& a) {
        return a == QLatin1String("-h") || a == QLatin1String("--help") || a == QLatin1String("help");
    };
    if (name == QLatin1String("--version") || name == QLatin1String("-V")) {
        std::printf("cvconf (cvsettings) %s\n", CV_VERSION);
        return 0;
    }
    // "cvconf help", "cvconf help COMMAND", "cvconf COMMAND --help" and "-h".
    const QString about = isHelp(name) ? args.value(0) : !args.isEmpty() && isHelp(args.first()) ? name : QString();
    if (isHelp(name) && about.isEmpty())
        return usage(stdout);
    const Command* command = findCommand(about.isEmpty() ? name : about);
    if (!command) {
        QStringList names;
        for (const Command& c : kCommands)
            names << QLatin1String(c.name);
        const QString unknown = about.isEmpty() ? name : about;
        return fail(QStringLiteral("unknown command '%1'%2; cvconf --help lists them")
                        .arg(unknown, didYouMean(unknown, names)));
    }
    if (!about.isEmpty())
        return commandHelp(*command);
    Session session(settingsFile, appDir);
    if (command->showsValues)
        session.warnWhereDefaultsShow();
    return command->run(session, args);
}
