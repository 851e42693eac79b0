// The dump format: the settings file as JSON, one object of keys per section.

#include "Dump.h"

#include "SettingsFile_p.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>
#include <QtEndian>

namespace dump {

namespace {

const QString kFormat = QStringLiteral("cvconf-dump");
constexpr int kVersion = 1;
// QSettings keeps the keys of the INI section [General] at the top level.
const QString kGeneral = QStringLiteral("General");

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

QString sectionKey(const QString& section, const QString& key)
{
    return section == kGeneral ? key : section + QLatin1Char('/') + key;
}

} // namespace

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

QByteArray write(QSettings& ini)
{
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
    return QJsonDocument(dump).toJson();
}

bool read(const QByteArray& json, Entries& entries, QString& error)
{
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
    if (parse.error != QJsonParseError::NoError) {
        error = QStringLiteral(" is not JSON: %1 at offset %2").arg(parse.errorString()).arg(parse.offset);
        return false;
    }
    const QJsonObject top = doc.object();
    if (!doc.isObject() || top.value(QStringLiteral("format")) != kFormat
        || top.value(QStringLiteral("version")) != kVersion || !top.value(QStringLiteral("sections")).isObject()
        || top.size() != 3) {
        error = QStringLiteral(" is not a cvconf dump (version %1)").arg(kVersion);
        return false;
    }
    entries.clear();
    const QJsonObject sections = top.value(QStringLiteral("sections")).toObject();
    for (auto sec = sections.begin(); sec != sections.end(); ++sec) {
        if (!sec.value().isObject() || sec.key().isEmpty() || sec.key().contains(QLatin1Char('/'))) {
            error = QStringLiteral(": section '%1' is not an object of keys").arg(sec.key());
            return false;
        }
        const QJsonObject keys = sec.value().toObject();
        for (auto k = keys.begin(); k != keys.end(); ++k) {
            QVariant value;
            if (k.key().isEmpty() || !fromJson(k.value(), value)) {
                error = QStringLiteral(": %1/%2 is not a value a dump holds").arg(sec.key(), k.key());
                return false;
            }
            entries.append({ sectionKey(sec.key(), k.key()), value });
        }
    }
    return true;
}

// A dump must load as it reads: QSettings writes some values as another type
// (an empty list reads back as no value, a list of one as its text) and some
// keys under another name (a section "general" is written as "%General" and
// read back as "General"). So the entries are written to a scratch file and
// read back from a copy of it, which QSettings parses afresh.
std::optional<Mismatch> readsBackOtherwise(const Entries& entries)
{
    // Nothing to read back; QSettings would write no file for it either.
    if (entries.isEmpty())
        return std::nullopt;
    QTemporaryDir scratch;
    const QString written = scratch.filePath(QStringLiteral("written.ini"));
    const QString copy = scratch.filePath(QStringLiteral("read.ini"));
    qint64 lineEnds = 0;
    if (scratch.isValid()) {
        QSettings ini(written, QSettings::IniFormat);
        for (const auto& [key, value] : entries)
            ini.setValue(key, value);
        lineEnds = cvsettings::store::lineEndsToWrite(ini);
    }
    QFile check(written);
    if (!scratch.isValid() || !QFile::copy(written, copy) || !check.open(QIODevice::ReadOnly)
        || check.readAll().count('\n') < lineEnds)
        return Mismatch { QString(),
            QStringLiteral("cannot be checked in %1 (a full disk, a file size limit?)").arg(QDir::tempPath()) };
    QSettings back(copy, QSettings::IniFormat);
    for (const auto& [key, value] : entries) {
        if (!back.contains(key))
            return Mismatch { key, QStringLiteral("would be read back under another name") };
        const QVariant read = back.value(key);
        if (read.userType() != value.userType() || read != value)
            return Mismatch { key,
                read.isValid()
                    ? QStringLiteral("would read back as %1 '%2'").arg(QLatin1String(read.typeName()), read.toString())
                    : QStringLiteral("would read back as no value") };
    }
    return std::nullopt;
}

} // namespace dump
