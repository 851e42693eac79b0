#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

// One property of a settings object, ready to print. Lists of accounts or
// camera profiles become arrays of objects; saved passwords are masked.
struct Row {
    QString name;
    QJsonValue value;
    QList<QList<Row>> items; // the entries of a list property
    QString note; // an enumeration value's enumerator name
};

QList<Row> rows(const QObject& object);
QJsonObject toJson(const QList<Row>& rows);
// Indented and aligned, in property order.
QString toText(const QString& title, const QList<Row>& rows, int indent = 0);
// One value as the text output shows it: an enumeration as "3 (LanguageJapanese)".
QString textValue(const Row& row);

QString maskedSecret(const QString& secret);

// " (did you mean X?)" for the candidate nearest to a mistyped name, within
// two edits ignoring case; empty when none is that near.
QString didYouMean(const QString& name, const QStringList& candidates);
