// cvconf set, unset, reset and account: changes made the way the client
// makes them, through the library's own saves.

#include "Commands.h"
#include "Groups.h"
#include "Session.h"
#include "Target.h"

#include "LoginSetting.h"
#include "LoginSettingUser.h"
#include "SettingsStore_p.h"

#include <QFile>
#include <QSettings>

using namespace cvsettings;

int setCommand(Session& s, const QStringList& argsIn)
{
    QStringList args = argsIn;
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    if (args.size() != 2)
        return fail(QStringLiteral("usage: cvconf set GROUP.property VALUE [--force]"));
    Target t;
    QString error;
    if (!resolve(s, args.at(0), t, error))
        return fail(error);
    const bool server = QLatin1String(t.group->name) == QLatin1String("Server");
    if (!server && !t.group->write)
        return fail(QStringLiteral("group '%1' comes from the product files or is not kept; it cannot be set")
                        .arg(QLatin1String(t.group->name)));
    QVariant value;
    if (isList(t.property))
        return fail(QStringLiteral("%1 holds a list and cannot be set").arg(t.qualified()));
    if (!parseValue(t.property, args.at(1), force, value, error))
        return fail(error);
    if (t.key.isEmpty())
        return fail(QStringLiteral("%1 is not kept in the settings file and cannot be set").arg(t.qualified()));
    return s.write([&](ConfigMgrPrivate& d, QString& done) {
        if (server) {
            // The library never writes this section: the override is a raw key.
            const QString key = QStringLiteral("Server/") + t.key;
            if (const store::SaveResult saved
                = store::save(d.settingsFilePath, [&](QSettings& ini) { ini.setValue(key, value); });
                !saved)
                return s.notWritten(saved);
        } else if (const auto saved = t.group->write(d, t.property.name(), value); !saved) {
            return fail(QStringLiteral("%1 does not take %2").arg(t.qualified(), args.at(1)));
        } else if (!*saved) {
            return s.notWritten(*saved);
        }
        done = QStringLiteral("%1 = %2\n").arg(t.qualified(), value.toString());
        if (const Enumeration e = enumerationOf(t.property); !e.type.isEmpty()) {
            const int number = QVariant(value).toInt();
            const QString name = e.nameOf(number);
            done = QStringLiteral("%1 = %2 (%3)\n")
                       .arg(t.qualified())
                       .arg(number)
                       .arg(name.isEmpty() ? QStringLiteral("no %1 enumerator").arg(e.type) : name);
        }
        return 0;
    });
}

int resetCommand(Session& s, const QStringList& args)
{
    Target t;
    const bool whole = !args.value(0).contains(QLatin1Char('.'));
    if (int code = 0; !oneTarget(s, args, "usage: cvconf reset GROUP | cvconf reset GROUP.property", !whole, t, code))
        return code;
    const QString section = QLatin1String(t.group->name);
    QStringList keys;
    if (whole) {
        for (const store::StoredKey& k : store::sectionKeys(section))
            keys << k.key;
        if (keys.isEmpty())
            return fail(QStringLiteral("group '%1' is not kept in the settings file").arg(section));
    } else if (t.key.isEmpty()) {
        return fail(QStringLiteral("%1 is not kept in the settings file").arg(t.qualified()));
    } else {
        keys << t.key;
    }
    return s.write([&](ConfigMgrPrivate& d, QString& done) {
        // Only the keys the client reads leave the file; anything else in the
        // section stays.
        // Only what is there is removed, and reported; with nothing there
        // the file is not written at all.
        QStringList removed;
        {
            const QSettings ini(d.settingsFilePath, QSettings::IniFormat);
            for (const QString& key : keys)
                if (ini.contains(section + QLatin1Char('/') + key))
                    removed << key;
        }
        if (removed.isEmpty()) {
            done = QStringLiteral("%1: nothing to remove\n").arg(section);
            return 0;
        }
        const store::SaveResult saved = store::save(d.settingsFilePath, [&](QSettings& ini) {
            ini.beginGroup(section);
            for (const QString& key : removed)
                ini.remove(key);
            ini.endGroup();
        });
        if (!saved)
            return s.notWritten(saved);
        done = QStringLiteral("%1: %2 removed\n").arg(section, removed.join(QStringLiteral(", ")));
        return 0;
    });
}

int accountCommand(Session& s, const QStringList& args)
{
    QStringList rest = args;
    const bool emptyAllowed = rest.removeAll(QStringLiteral("--empty-password")) > 0;
    const bool add = rest.value(0) == QLatin1String("add");
    if (rest.size() != 2 || (!add && rest.at(0) != QLatin1String("remove")))
        return fail(QStringLiteral("usage: cvconf account add EMAIL [--empty-password] | cvconf account remove EMAIL"));
    const QString email = rest.at(1);
    if (email.isEmpty())
        return fail(QStringLiteral("an account needs an e-mail address"));
    QString password;
    if (add) {
        // From stdin, so that it never shows in a process list.
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot read the password from stdin"));
        // The library enciphers a password of any length; a line longer than
        // this is not a password typed or pasted by anyone.
        constexpr qint64 kLongestLine = 1 << 20;
        // Byte by byte: QIODevice::readLine() ends a line at a NUL byte too.
        QByteArray line;
        for (char c = 0; line.size() <= kLongestLine && in.getChar(&c) && c != '\n';)
            line += c;
        if (line.size() > kLongestLine)
            return fail(QStringLiteral("the password on stdin is longer than 1 MiB; nothing changed"));
        if (line.endsWith('\r'))
            line.chop(1);
        // The stored password ends at its first zero byte when it is read back.
        if (line.contains('\0'))
            return fail(QStringLiteral("the password on stdin holds a NUL byte, which a saved password cannot hold; "
                                       "nothing changed"));
        if (!decodeUtf8(line, password))
            return fail(QStringLiteral("the password on stdin is not valid UTF-8; nothing changed"));
        if (password.isEmpty() && !emptyAllowed)
            return fail(QStringLiteral("no password on stdin (its first line is empty, or there is none); "
                                       "--empty-password saves an empty one"));
    }
    return s.write([&](ConfigMgrPrivate& d, QString& done) {
        LoginSetting login(*d.loginSetting);
        if (add) {
            LoginSettingUser user;
            user.setEmail(email);
            user.setPassword(password);
            login.replaceIntoUser(user);
        } else {
            // As dconf's reset of a key that is not set: nothing to do is done.
            if (!login.users().contains(email)) {
                done = QStringLiteral("no saved account %1; nothing changed\n").arg(email);
                return 0;
            }
            login.removeUser(email);
        }
        if (const store::SaveResult saved = writeGroup(d, d.loginSetting, login); !saved)
            return s.notWritten(saved);
        done = QStringLiteral("account %1 %2\n").arg(email, add ? QStringLiteral("saved") : QStringLiteral("removed"));
        return 0;
    });
}
