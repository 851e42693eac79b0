// cvconf dump, load and monitor: the settings file as a whole.

#include "Commands.h"
#include "Dump.h"
#include "Groups.h"
#include "Output.h"
#include "Session.h"

#include "ConfigMgr.h"
#include "SettingsStore_p.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <optional>

using namespace cvsettings;

namespace {

// Every group as the client loads it from `file`, flattened to
// "Group.property" (list entries as "Group.list[n].property").
QMap<QString, QString> snapshot(const Session& s, const QString& file)
{
    const std::unique_ptr<ConfigMgrPrivate> record = s.loadedOn(file);
    ConfigMgrPrivate& d = *record;
    QMap<QString, QString> values;
    const std::function<void(const QString&, const QList<Row>&)> flatten
        = [&](const QString& prefix, const QList<Row>& rows) {
              for (const Row& row : rows) {
                  if (row.value.isUndefined() || row.value.isNull()) {
                      for (int i = 0; i < row.items.size(); ++i)
                          flatten(QStringLiteral("%1.%2[%3]").arg(prefix, row.name).arg(i + 1), row.items.at(i));
                  } else {
                      values.insert(prefix + QLatin1Char('.') + row.name, textValue(row));
                  }
              }
          };
    for (const Group& g : groups())
        flatten(QLatin1String(g.name), rows(g.held(d)));
    return values;
}

// The file as monitor reads it: never more than a settings file can sensibly
// be, and never from anything but a regular file (a pipe would block the
// read, a device such as /dev/zero never ends it).
struct Look {
    QString state; // empty: read; else what keeps it from being read
    QByteArray bytes;
};

Look look(const QString& file)
{
    constexpr qint64 kLargest = 16 * 1024 * 1024;
    const QFileInfo info(file);
    if (!info.exists())
        return { info.isSymLink() ? QStringLiteral("is a link to nothing") : QStringLiteral("was deleted"), {} };
    if (!info.isFile())
        return { QStringLiteral("is not a regular file; not read"), {} };
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return { QStringLiteral("cannot be read (%1)").arg(f.errorString()), {} };
    Look l { QString(), f.read(kLargest + 1) };
    if (l.bytes.size() > kLargest)
        return { QStringLiteral("is larger than 16 MiB; not read"), {} };
    return l;
}

} // namespace

int dumpCommand(Session& s, const QStringList& args)
{
    if (!args.isEmpty())
        return fail(QStringLiteral("usage: cvconf dump"));
    const QString file = s.settingsFile();
    const std::unique_ptr<QSettings> ini = store::openForReading(file, store::hasUtf8Mark(file));
    if (ini->status() != QSettings::NoError)
        return fail(QStringLiteral("cannot read %1 as an INI file").arg(file), 1);
    print(QString::fromUtf8(dump::write(*ini)));
    return 0;
}

int loadCommand(Session& s, const QStringList& args)
{
    if (args.size() != 1)
        return fail(QStringLiteral("usage: cvconf load FILE  (FILE - reads stdin)"));
    QFile in(args.first());
    const bool fromStdin = args.first() == QLatin1String("-");
    if (!(fromStdin ? in.open(stdin, QIODevice::ReadOnly) : in.open(QIODevice::ReadOnly)))
        return fail(QStringLiteral("cannot read %1").arg(args.first()));
    constexpr qint64 kMaxDump = 16 * 1024 * 1024;
    const QByteArray bytes = in.read(kMaxDump + 1);
    if (bytes.size() > kMaxDump)
        return fail(QStringLiteral("%1 is larger than a dump can be (16 MiB)").arg(args.first()));
    QString text;
    if (!decodeUtf8(bytes, text))
        return fail(QStringLiteral("%1 is not valid UTF-8").arg(args.first()));

    // Everything is checked before the file is touched.
    dump::Entries entries;
    QString error;
    if (!dump::read(bytes, entries, error))
        return fail(QStringLiteral("%1%2").arg(args.first(), error));
    if (const std::optional<dump::Mismatch> otherwise = dump::readsBackOtherwise(entries)) {
        if (otherwise->key.isEmpty())
            return fail(QStringLiteral("%1 %2; nothing loaded").arg(args.first(), otherwise->what), 1);
        return fail(QStringLiteral("%1: %2 %3; nothing loaded").arg(args.first(), otherwise->key, otherwise->what));
    }
    return s.write([&](ConfigMgrPrivate& d, QString& done) {
        const store::SaveResult saved = store::save(d.settingsFilePath, [&](QSettings& ini) {
            ini.clear();
            for (const auto& [key, value] : entries)
                ini.setValue(key, value);
        });
        if (!saved)
            return s.notWritten(saved);
        done = QStringLiteral("%1 keys loaded\n").arg(entries.size());
        return 0;
    });
}

// Polls the file's bytes. Each new version is copied under a name of its own
// before it is read, since QSettings would take a version that kept the size
// and time stamp of the last one from its cache.
int monitorCommand(Session& s, const QStringList& args)
{
    if (!args.isEmpty())
        return fail(QStringLiteral("usage: cvconf monitor"));
    const QString file = s.settingsFile();
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return fail(QStringLiteral("cannot create a temporary folder"), 1);
    int version = 0;
    const auto read = [&](const QByteArray& bytes) {
        const QString copy = scratch.filePath(QStringLiteral("v%1.ini").arg(++version));
        QFile out(copy);
        if (out.open(QIODevice::WriteOnly))
            out.write(bytes);
        out.close();
        const QMap<QString, QString> values = snapshot(s, copy);
        QFile::remove(copy);
        return values;
    };
    Look last = look(file);
    QMap<QString, QString> before = read(last.bytes);
    print(QStringLiteral("watching %1\n").arg(file));
    if (!last.state.isEmpty())
        print(QStringLiteral("%1 %2\n").arg(file, last.state));
    for (;;) {
        QThread::msleep(200);
        const Look now = look(file);
        if (now.state == last.state && now.bytes == last.bytes)
            continue;
        const bool stateChanged = now.state != last.state;
        last = now;
        // A file that cannot be read says so; its values are not "reset".
        if (!now.state.isEmpty()) {
            print(QStringLiteral("%1 %2\n").arg(file, now.state));
            continue;
        }
        if (stateChanged)
            print(QStringLiteral("%1 can be read again\n").arg(file));
        const QMap<QString, QString> after = read(now.bytes);
        QString changes;
        for (auto it = after.begin(); it != after.end(); ++it)
            if (before.value(it.key()) != it.value() || !before.contains(it.key()))
                changes += QStringLiteral("%1: %2 -> %3\n")
                               .arg(it.key(), before.value(it.key(), QStringLiteral("(none)")), it.value());
        for (auto it = before.begin(); it != before.end(); ++it)
            if (!after.contains(it.key()))
                changes += QStringLiteral("%1: %2 -> (none)\n").arg(it.key(), it.value());
        print(changes);
        before = after;
    }
}
