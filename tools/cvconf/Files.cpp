// cvconf dump, load and monitor: the settings file as a whole.

#include "Commands.h"
#include "Groups.h"
#include "Output.h"
#include "Session.h"

#include "ConfigMgr.h"
#include "SettingsStore_p.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <optional>

using namespace cvsettings;

namespace {

const QString kFormat = QStringLiteral("cvconf-dump");
constexpr int kVersion = 1;
// QSettings keeps the keys of the INI section [General] at the top level.
const QString kGeneral = QStringLiteral("General");

// A value as QSettings reads it back: text, a list of texts, the bytes of an
// enciphered password, or (for keys some other program wrote) any other
// QVariant, kept as Qt serialises it so that a load writes it back the same.
QJsonValue toJson(const QVariant& v)
{
    switch (v.userType()) {
    case QMetaType::QString:
        return v.toString();
    case QMetaType::QStringList:
        return QJsonObject { { QStringLiteral("list"), QJsonArray::fromStringList(v.toStringList()) } };
    case QMetaType::QByteArray:
        return QJsonObject { { QStringLiteral("bytes"), QString::fromLatin1(v.toByteArray().toBase64()) } };
    default: {
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_5_15);
        out << v;
        return QJsonObject { { QStringLiteral("variant"), QString::fromLatin1(bytes.toBase64()) } };
    }
    }
}

bool strictBase64(const QJsonValue& v, QByteArray& bytes)
{
    const QByteArray text = v.toString().toLatin1();
    bytes = QByteArray::fromBase64(text);
    return v.isString() && bytes.toBase64() == text;
}

// Qt reads a serialised variant of a container type element by element,
// trusting the counts it finds (a hostile count of 2^31 elements aborts on the
// allocation) and nesting without a limit (a deep list overflows the stack);
// the same holds for types registered by some program. A dump holds the
// values QSettings reads back, and a value some other program wrote as a
// variant of its own; only types of a fixed or length-prefixed size are
// taken.
bool boundedVariant(const QByteArray& bytes)
{
    if (bytes.size() < 4)
        return false;
    switch (qFromBigEndian<quint32>(bytes.constData())) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::QChar:
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::QDate:
    case QMetaType::QTime:
    case QMetaType::QDateTime:
    case QMetaType::QUrl:
    case QMetaType::QUuid:
    case QMetaType::QSize:
    case QMetaType::QSizeF:
    case QMetaType::QPoint:
    case QMetaType::QPointF:
    case QMetaType::QRect:
    case QMetaType::QRectF:
    case QMetaType::QLine:
    case QMetaType::QLineF:
        return true;
    default:
        return false;
    }
}

bool fromJson(const QJsonValue& v, QVariant& out)
{
    if (v.isString()) {
        out = v.toString();
        return true;
    }
    const QJsonObject o = v.toObject();
    if (!v.isObject() || o.size() != 1)
        return false;
    QByteArray bytes;
    if (o.contains(QStringLiteral("list"))) {
        QStringList list;
        for (const QJsonValue& item : o.value(QStringLiteral("list")).toArray()) {
            if (!item.isString())
                return false;
            list << item.toString();
        }
        out = list;
        return o.value(QStringLiteral("list")).isArray();
    }
    if (o.contains(QStringLiteral("bytes")) && strictBase64(o.value(QStringLiteral("bytes")), bytes)) {
        out = bytes;
        return true;
    }
    if (o.contains(QStringLiteral("variant")) && strictBase64(o.value(QStringLiteral("variant")), bytes)) {
        if (!boundedVariant(bytes))
            return false;
        QDataStream in(bytes);
        in.setVersion(QDataStream::Qt_5_15);
        in >> out;
        return in.status() == QDataStream::Ok && in.atEnd() && out.isValid();
    }
    return false;
}

using Entries = QList<QPair<QString, QVariant>>;

// A dump must load as it reads: QSettings writes some values as another type
// (an empty list reads back as no value, a list of one as its text) and some
// keys under another name (a section "general" is written as "%General" and
// read back as "General"). So the entries are written to a scratch file and
// read back from a copy of it, which QSettings parses afresh. Returns the
// first key that would read back otherwise, with what it would read as.
// An empty key names a check that could not be made.
std::optional<QPair<QString, QString>> readsBackOtherwise(const Entries& entries)
{
    QTemporaryDir scratch;
    const QString written = scratch.filePath(QStringLiteral("written.ini"));
    const QString copy = scratch.filePath(QStringLiteral("read.ini"));
    qint64 lineEnds = 0;
    if (scratch.isValid()) {
        QSettings ini(written, QSettings::IniFormat);
        for (const auto& [key, value] : entries)
            ini.setValue(key, value);
        lineEnds = store::lineEndsToWrite(ini);
    }
    QFile check(written);
    if (!scratch.isValid() || !QFile::copy(written, copy) || !check.open(QIODevice::ReadOnly)
        || check.readAll().count('\n') < lineEnds)
        return qMakePair(QString(),
            QStringLiteral("cannot be checked in %1 (a full disk, a file size limit?)").arg(QDir::tempPath()));
    QSettings back(copy, QSettings::IniFormat);
    for (const auto& [key, value] : entries) {
        if (!back.contains(key))
            return qMakePair(key, QStringLiteral("would be read back under another name"));
        const QVariant read = back.value(key);
        if (read.userType() != value.userType() || read != value)
            return qMakePair(key,
                read.isValid()
                    ? QStringLiteral("would read back as %1 '%2'").arg(QLatin1String(read.typeName()), read.toString())
                    : QStringLiteral("would read back as no value"));
    }
    return std::nullopt;
}

QString sectionKey(const QString& section, const QString& key)
{
    return section == kGeneral ? key : section + QLatin1Char('/') + key;
}

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
    QSettings ini(file, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError)
        return fail(QStringLiteral("cannot read %1 as an INI file").arg(file), 1);
    QJsonObject sections;
    for (const QString& key : ini.allKeys()) {
        const int slash = key.indexOf(QLatin1Char('/'));
        const QString section = slash < 0 ? kGeneral : key.left(slash);
        QJsonObject entries = sections.value(section).toObject();
        entries.insert(slash < 0 ? key : key.mid(slash + 1), toJson(ini.value(key)));
        sections.insert(section, entries);
    }
    const QJsonObject dump { { QStringLiteral("format"), kFormat }, { QStringLiteral("version"), kVersion },
        { QStringLiteral("sections"), sections } };
    print(QString::fromUtf8(QJsonDocument(dump).toJson()));
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
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return fail(
            QStringLiteral("%1 is not JSON: %2 at offset %3").arg(args.first(), error.errorString()).arg(error.offset));
    const QJsonObject top = doc.object();
    if (!doc.isObject() || top.value(QStringLiteral("format")) != kFormat
        || top.value(QStringLiteral("version")) != kVersion || !top.value(QStringLiteral("sections")).isObject()
        || top.size() != 3)
        return fail(QStringLiteral("%1 is not a cvconf dump (version %2)").arg(args.first()).arg(kVersion));
    Entries entries;
    const QJsonObject sections = top.value(QStringLiteral("sections")).toObject();
    for (auto sec = sections.begin(); sec != sections.end(); ++sec) {
        if (!sec.value().isObject() || sec.key().isEmpty() || sec.key().contains(QLatin1Char('/')))
            return fail(QStringLiteral("%1: section '%2' is not an object of keys").arg(args.first(), sec.key()));
        const QJsonObject keys = sec.value().toObject();
        for (auto k = keys.begin(); k != keys.end(); ++k) {
            QVariant value;
            if (k.key().isEmpty() || !fromJson(k.value(), value))
                return fail(
                    QStringLiteral("%1: %2/%3 is not a value a dump holds").arg(args.first(), sec.key(), k.key()));
            entries.append({ sectionKey(sec.key(), k.key()), value });
        }
    }
    if (const auto otherwise = readsBackOtherwise(entries)) {
        if (otherwise->first.isEmpty())
            return fail(QStringLiteral("%1 %2; nothing loaded").arg(args.first(), otherwise->second), 1);
        return fail(QStringLiteral("%1: %2 %3; nothing loaded").arg(args.first(), otherwise->first, otherwise->second));
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
