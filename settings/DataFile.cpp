#include "DataFile_p.h"

#include "container/CFileEncrypt.h"
#include "platform/Utf8ToWide.h"

#include <QDir>
#include <QFile>
#include <QJsonValue>
#include <QVariant>
#include <QXmlStreamReader>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

namespace cvsettings {

bool readDataFile(const QString& path, QByteArray& out)
{
    if (!QFile::exists(path))
        return false;

    // A path that does not fit leaves the buffer empty, and the open fails.
    const std::string utf8 = path.toStdString();
    TORVELIB::WideChar widePath[kDataFilePathCapacity] = {};
    TORVELIB::Utf8ToWide(utf8.c_str(), widePath, kDataFilePathCapacity);

    unsigned char* block = nullptr;
    uint32_t length = 0;
    {
        TORVELIB::CFileEncrypt reader;
        length = reader.DecryptFile(widePath, &block, nullptr, 0);
    }
    // A QByteArray cannot hold more than an int's worth of bytes.
    const bool ok = length > 0 && length <= uint32_t(std::numeric_limits<int>::max());
    if (ok)
        out = QByteArray(reinterpret_cast<const char*>(block), int(length));
    if (block)
        std::free(block);
    return ok;
}

QString dataFilePath(const QString& appDirPath, const char* name)
{
    return QDir::toNativeSeparators(appDirPath + QLatin1String(name));
}

bool parseXml(const QByteArray& plaintext, QDomDocument& document)
{
    // The product files nest four levels deep. The stream reader keeps its
    // own stack, so it measures any depth safely before the DOM parser runs;
    // a document it cannot read to the end is refused as well, so that no
    // part of it reaches the DOM parser unmeasured.
    constexpr int kMaxDepth = 64;
    QXmlStreamReader reader(plaintext);
    int depth = 0;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement && ++depth > kMaxDepth)
            return false;
        if (token == QXmlStreamReader::EndElement)
            --depth;
    }
    return !reader.hasError() && document.setContent(plaintext);
}

QString childElementText(const QDomElement& parent, const QString& name)
{
    return parent.firstChildElement(name).text();
}

int childElementInt(const QDomElement& parent, const QString& name)
{
    return childElementText(parent, name).toInt(nullptr, 10);
}

bool jsonIntValue(const QJsonObject& object, const QString& key, int& out)
{
    const auto it = object.constFind(key);
    if (it == object.constEnd())
        return false;
    const QJsonValue value = it.value();
    out = value.isString() ? value.toString().toInt(nullptr, 10) : value.toInt(0);
    return true;
}

namespace {

// Truncation toward zero, held to the 64-bit range instead of overflowing.
qint64 truncateToInt64(double number)
{
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (number >= kTwoTo63)
        return std::numeric_limits<qint64>::max();
    if (number < -kTwoTo63)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(number);
}

} // namespace

bool jsonStringValue(const QJsonObject& object, const QString& key, QString& out)
{
    const auto it = object.constFind(key);
    if (it == object.constEnd())
        return false;
    const QJsonValue value = it.value();
    switch (value.type()) {
    case QJsonValue::String:
        out = value.toString();
        break;
    case QJsonValue::Bool:
        out = value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
        break;
    case QJsonValue::Double: {
        // Whole numbers that JSON wrote as integers keep every digit.
        const QVariant exact = value.toVariant();
        out = exact.type() == QVariant::LongLong ? QString::number(exact.toLongLong())
                                                  : QString::number(truncateToInt64(value.toDouble()));
        break;
    }
    default:
        out.clear();
        break;
    }
    return true;
}

} // namespace cvsettings
