#include "Output.h"

#include <QVector>

#include "Groups.h"
#include "LoginSetting.h"
#include "VideoSetting.h"

#include <QJsonArray>
#include <QMetaProperty>

namespace {

// Credentials shown only as a mask.
bool isSecret(const QString& property)
{
    return property == QLatin1String("password") || property == QLatin1String("accessToken")
        || property == QLatin1String("clientSecret");
}

QJsonValue jsonValue(const QVariant& v)
{
    switch (v.userType()) {
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::Int:
    case QMetaType::LongLong:
        return v.toLongLong();
    default:
        return v.toString();
    }
}

QString plainText(const QJsonValue& v)
{
    if (v.isBool())
        return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    if (v.isDouble())
        return QString::number(v.toVariant().toLongLong());
    return v.toString().isEmpty() ? QStringLiteral("\"\"") : v.toString();
}

} // namespace

QString maskedSecret(const QString& secret) { return secret.isEmpty() ? QString() : QStringLiteral("********"); }

QList<Row> rows(const QObject& object)
{
    QList<Row> out;
    const QMetaObject* meta = object.metaObject();
    for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        Row row { QLatin1String(p.name()), QJsonValue(), {}, {} };
        if (const auto* login = qobject_cast<const LoginSetting*>(&object); login && row.name == "users") {
            for (const LoginSettingUser& user : login->users())
                row.items << rows(user);
        } else if (const auto* video = qobject_cast<const VideoSetting*>(&object); video && row.name == "videos") {
            for (const VideoSettingVideo& profile : video->videos())
                row.items << rows(profile);
        } else if (isSecret(row.name)) {
            row.value = maskedSecret(plainValue(object, p).toString());
        } else {
            row.value = jsonValue(plainValue(object, p));
            if (const Enumeration e = enumerationOf(p); !e.type.isEmpty()) {
                row.note = e.nameOf(row.value.toInt());
                if (row.note.isEmpty())
                    row.note = QStringLiteral("no %1 enumerator").arg(e.type);
            }
        }
        out << row;
    }
    return out;
}

QJsonObject toJson(const QList<Row>& rows)
{
    QJsonObject json;
    for (const Row& row : rows) {
        if (row.value.isUndefined() || row.value.isNull()) {
            QJsonArray items;
            for (const QList<Row>& item : row.items)
                items.append(toJson(item));
            json.insert(row.name, items);
        } else {
            json.insert(row.name, row.value);
        }
    }
    return json;
}

QString toText(const QString& title, const QList<Row>& rows, int indent)
{
    const QString pad(indent, QLatin1Char(' '));
    int width = 0;
    for (const Row& row : rows)
        width = qMax(width, row.name.size());
    QString out = pad + QStringLiteral("[%1]\n").arg(title);
    for (const Row& row : rows) {
        if (row.value.isUndefined() || row.value.isNull()) {
            out += pad
                + QStringLiteral("  %1  (%2 entries)\n").arg(row.name.leftJustified(width)).arg(row.items.size());
            int n = 0;
            for (const QList<Row>& item : row.items)
                out += toText(QStringLiteral("%1 %2").arg(row.name).arg(++n), item, indent + 4);
            continue;
        }
        out += pad + QStringLiteral("  %1  %2\n").arg(row.name.leftJustified(width), textValue(row));
    }
    return out;
}

QString textValue(const Row& row)
{
    const QString text = plainText(row.value);
    return row.note.isEmpty() ? text : QStringLiteral("%1 (%2)").arg(text, row.note);
}

QString didYouMean(const QString& name, const QStringList& candidates)
{
    const QString a = name.toCaseFolded();
    QString best;
    int bestDistance = 3;
    for (const QString& candidate : candidates) {
        const QString b = candidate.toCaseFolded();
        // Levenshtein distance, one row at a time.
        QVector<int> row(b.size() + 1);
        for (int j = 0; j <= b.size(); ++j)
            row[j] = j;
        for (int i = 1; i <= a.size(); ++i) {
            int diagonal = row[0];
            row[0] = i;
            for (int j = 1; j <= b.size(); ++j) {
                const int above = row[j];
                row[j] = qMin(qMin(row[j] + 1, row[j - 1] + 1), diagonal + (a[i - 1] == b[j - 1] ? 0 : 1));
                diagonal = above;
            }
        }
        if (row[b.size()] < bestDistance) {
            bestDistance = row[b.size()];
            best = candidate;
        }
    }
    return best.isEmpty() ? QString() : QStringLiteral(" (did you mean %1?)").arg(best);
}
