#pragma once

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QJsonObject>
#include <QString>

// Reading of the encrypted product data files and of the values inside their
// XML and JSON plaintexts. Shared by the product-file loaders.
namespace cvsettings {

// Paths are handed to the container reader in a fixed buffer of this many
// UTF-16 units, terminator included; a longer path does not open.
constexpr int kDataFilePathCapacity = 260;

// The whole plaintext of one product data file. False when the file is
// missing, cannot be opened or deciphered, or holds an empty plaintext; `out`
// is then left as it was.
bool readDataFile(const QString& path, QByteArray& out);

// `appDirPath` joined with a file name that starts with "/", in the
// platform's separators.
QString dataFilePath(const QString& appDirPath, const char* name);

// Parses an XML plaintext into `document` as QDomDocument::setContent does;
// false when that fails, or when elements nest more than 768 levels deep, far
// beyond any product file (the DOM parser recurses once per level, so a deep
// enough document would overflow the stack; see kMaxXmlDepth).
bool parseXml(const QByteArray& plaintext, QDomDocument& document);

// Text of the first child element called `name`; empty when the parent is
// null or has no such child.
QString childElementText(const QDomElement& parent, const QString& name);

// That text as a base-10 int; 0 when missing or not a whole number in range.
int childElementInt(const QDomElement& parent, const QString& name);

// False, leaving `out` alone, when `object` has no member `key`. Otherwise a
// string member is converted as a base-10 int (0 when it is not one), and any
// other member gives its value when it is a whole number in int range, else 0.
bool jsonIntValue(const QJsonObject& object, const QString& key, int& out);

// False, leaving `out` alone, when `object` has no member `key`. Otherwise a
// string as it is, a boolean as "true"/"false", a number truncated toward zero
// to a 64-bit integer in decimal, and null, arrays and objects as "".
bool jsonStringValue(const QJsonObject& object, const QString& key, QString& out);

} // namespace cvsettings
