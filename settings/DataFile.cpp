#include "DataFile_p.h"

#include "container/CFileEncrypt.h"
#include "platform/Utf8ToWide.h"

#include <QDir>
#include <QFile>
#include <QJsonValue>
#include <QVariant>
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
#include <QtXml/qxml.h>
#else
#include <QXmlStreamReader>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

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

namespace {

// Deeper documents are refused although the DOM parser would read them, as
// deliberate hardening: Qt 5.15's parser recurses once per element level, at
// about 340 bytes of stack a level (x86-64), so on a 1 MiB stack, the Windows
// main-thread default, it overflows near 3,100 levels. 768 levels take a
// quarter of that stack and leave the rest to the callers' frames and to
// builds with larger ones. Qt 6 parses without recursing, but frees and reads
// the tree (text(), the destructor) recursively still; the same limit holds
// there, so that both builds accept the same documents. The product files
// nest four levels.
constexpr int kMaxXmlDepth = 768;

enum class DepthScan { Within, TooDeep, Unsure };

bool startsWith(const char* p, const char* end, const char* literal)
{
    const std::size_t n = std::strlen(literal);
    return std::size_t(end - p) >= n && std::memcmp(p, literal, n) == 0;
}

// Just past the first `literal` at or after `p`, or `end`.
const char* skipPast(const char* p, const char* end, const char* literal)
{
    const std::size_t n = std::strlen(literal);
    for (; std::size_t(end - p) >= n; ++p)
        if (std::memcmp(p, literal, n) == 0)
            return p + n;
    return end;
}

// How the parser decodes these bytes when every ASCII byte stands for its own
// character in them: no byte-order mark but UTF-8's, no NUL among the first
// bytes (UTF-16 without a mark), and no encoding declared but UTF-8 (also
// when none is), Latin-1 or ASCII; otherwise Other. Other encodings could
// hide markup from a byte scanner.
enum class Decoding { Utf8, Latin1, Ascii, Other };

Decoding decoding(const char* p, const char* end)
{
    if (startsWith(p, end, "\xEF\xBB\xBF"))
        p += 3;
    if (end - p < 2 || p[0] != '<' || p[1] == 0)
        return Decoding::Other;
    if (p[1] != '?')
        return Decoding::Utf8;
    // A leading declaration may name an encoding; the parser looks for it no
    // further than the declaration's end.
    const QByteArray decl = QByteArray(p, int(skipPast(p, end, "?>") - p)).toLower();
    const int at = decl.indexOf("encoding");
    if (at < 0)
        return Decoding::Utf8;
    if (decl.indexOf("encoding", at + 1) >= 0)
        return Decoding::Other;
    const QByteArray value = decl.mid(at + 8).simplified();
    const std::pair<const char*, Decoding> plain[] = { { "=\"utf-8\"", Decoding::Utf8 }, { "='utf-8'", Decoding::Utf8 },
        { "=\"iso-8859-1\"", Decoding::Latin1 }, { "='iso-8859-1'", Decoding::Latin1 },
        { "=\"us-ascii\"", Decoding::Ascii }, { "='us-ascii'", Decoding::Ascii } };
    for (const auto& [name, result] : plain)
        if (value.startsWith(name))
            return result;
    return Decoding::Other;
}

// The element depth of a document, read byte by byte. Comments, CDATA
// sections and processing instructions are skipped to their first possible
// end, and quoted attribute values to their closing quote, which is where the
// parser ends them too; any other reading of a tag is an error at which the
// parser stops before nesting deeper. A DOCTYPE may declare entities that
// expand to elements, and other encodings may spell markup in other bytes:
// such documents are left to the parser's own count.
DepthScan scanDepth(const QByteArray& bytes)
{
    const char* p = bytes.constData();
    const char* const end = p + bytes.size();
    if (decoding(p, end) == Decoding::Other)
        return DepthScan::Unsure;
    int depth = 0;
    while ((p = static_cast<const char*>(std::memchr(p, '<', std::size_t(end - p)))) && ++p < end) {
        if (*p == '?') {
            p = skipPast(p, end, "?>");
        } else if (*p == '!') {
            if (startsWith(p, end, "!--"))
                p = skipPast(p + 3, end, "-->");
            else if (startsWith(p, end, "![CDATA["))
                p = skipPast(p, end, "]]>");
            else
                return DepthScan::Unsure;
        } else if (*p == '/') {
            depth -= depth > 0;
            p = skipPast(p, end, ">");
        } else {
            if (++depth > kMaxXmlDepth)
                return DepthScan::TooDeep;
            char last = 0;
            for (; p < end && *p != '>'; last = *p++) {
                if (*p == '"' || *p == '\'') {
                    const void* close = std::memchr(p + 1, *p, std::size_t(end - p - 1));
                    p = close ? static_cast<const char*>(close) : end - 1;
                }
            }
            depth -= last == '/'; // an empty-element tag
        }
    }
    return DepthScan::Within;
}

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)

QT_WARNING_PUSH
QT_WARNING_DISABLE_DEPRECATED

// Counts element levels as the DOM parser meets them, entity expansions
// included, and stops the parse at the first level too many.
class DepthCounter : public QXmlDefaultHandler
{
public:
    bool tooDeep = false;

    bool startElement(const QString&, const QString&, const QString&, const QXmlAttributes&) override
    {
        tooDeep = ++m_depth > kMaxXmlDepth;
        return !tooDeep;
    }
    bool endElement(const QString&, const QString&, const QString&) override
    {
        --m_depth;
        return true;
    }

private:
    int m_depth = 0;
};

// The depth as the parser under QDomDocument::setContent sees it, with the
// same reader and features, so that every document is decoded and expanded
// exactly as the DOM would; only a document that it refuses for depth is
// refused here.
bool parserDepthWithin(const QByteArray& bytes)
{
    QXmlInputSource source;
    source.setData(bytes);
    QXmlSimpleReader reader;
    reader.setFeature(QStringLiteral("http://xml.org/sax/features/namespaces"), false);
    reader.setFeature(QStringLiteral("http://xml.org/sax/features/namespace-prefixes"), true);
    reader.setFeature(QStringLiteral("http://trolltech.com/xml/features/report-whitespace-only-CharData"), false);
    DepthCounter counter;
    reader.setContentHandler(&counter);
    reader.setLexicalHandler(&counter);
    reader.setDeclHandler(&counter);
    reader.setDTDHandler(&counter);
    reader.parse(&source);
    return !counter.tooDeep;
}

QT_WARNING_POP

#else

// Qt 6's QDomDocument::setContent reads through QXmlStreamReader, without
// namespace processing, and refuses four kinds of document that Qt 5.15's
// reads: bytes that are not UTF-8 in a document that is (Qt 5.15 reads
// U+FFFD for them), control characters that XML does not allow, references
// to undeclared entities (Qt 5.15 reads them as nothing) and entities longer
// than 4,096 characters. The
// Qt 6 build parses a document that it refuses once more, as Qt 5.15 reads
// it, so that both builds read the same documents alike.
class UndeclaredAsNothing : public QXmlStreamEntityResolver
{
public:
    // Markup that adds no text and no element. (In an attribute value it is
    // an error: those still refuse the document in Qt 6.)
    QString resolveUndeclaredEntity(const QString&) override { return QStringLiteral("<!---->"); }
};

// The control characters that XML does not allow (U+0001 to U+001F but tab,
// line feed and carriage return) stand in the text as the noncharacters
// U+FDD1 to U+FDDF, which XML allows, and are put back into the tree.
constexpr ushort kControlStandIn = 0xFDD0;

bool isBarredControl(ushort c) { return c >= 0x01 && c < 0x20 && c != 0x09 && c != 0x0A && c != 0x0D; }

// The text as Qt 5.15 decodes the bytes, with its control characters stood
// in for; empty where that cannot be done exactly: an encoding other than
// UTF-8 and Latin-1, or stand-ins in the text already.
QString textAsQt5(const QByteArray& bytes, bool& standIns)
{
    const char* p = bytes.constData();
    const Decoding how = decoding(p, p + bytes.size());
    if (how != Decoding::Utf8 && how != Decoding::Latin1)
        return QString();
    const bool marked = bytes.startsWith("\xEF\xBB\xBF");
    QString text = how == Decoding::Utf8 ? QString::fromUtf8(bytes.mid(marked ? 3 : 0)) : QString::fromLatin1(bytes);
    standIns = false;
    for (QChar& ch : text) {
        if (ch.unicode() >= kControlStandIn && ch.unicode() < kControlStandIn + 0x20)
            return QString();
        if (isBarredControl(ch.unicode())) {
            ch = QChar(ushort(kControlStandIn + ch.unicode()));
            standIns = true;
        }
    }
    return text;
}

QString withControls(QString text)
{
    for (QChar& ch : text)
        if (ch.unicode() > kControlStandIn && ch.unicode() < kControlStandIn + 0x20)
            ch = QChar(ushort(ch.unicode() - kControlStandIn));
    return text;
}

// Puts the control characters back into text, CDATA sections, comments and
// attribute values. Recurses once per level, which parseXml() has bounded.
void putControlsBack(const QDomNode& parent)
{
    for (QDomNode n = parent.firstChild(); !n.isNull(); n = n.nextSibling()) {
        if (n.isCharacterData()) {
            QDomCharacterData data = n.toCharacterData();
            data.setData(withControls(data.data()));
        }
        const QDomNamedNodeMap attributes = n.attributes();
        for (int i = 0; i < attributes.count(); ++i) {
            QDomAttr attribute = attributes.item(i).toAttr();
            attribute.setValue(withControls(attribute.value()));
        }
        putControlsBack(n);
    }
}

// A reader of the document as Qt 5.15 reads it, as far as Qt 6 can.
void readAsQt5(QXmlStreamReader& reader, UndeclaredAsNothing& resolver, const QByteArray& bytes, bool& standIns)
{
    const QString text = textAsQt5(bytes, standIns);
    if (text.isEmpty())
        reader.addData(bytes);
    else
        reader.addData(text);
    reader.setNamespaceProcessing(false);
    reader.setEntityResolver(&resolver);
    // Qt 6 refuses an entity that expands to more than 4,096 characters;
    // Qt 5.15 holds only entities built of other entities to that, and
    // expands one of plain text, which can be no longer than the document.
    reader.setEntityExpansionLimit(std::max(4096, int(bytes.size())));
}

// The same reader counts the levels here, so that every document is decoded
// and its entities expanded exactly as the DOM would (Qt 6 has no SAX
// reader); as the second reading goes further than the first, it counts.
// Only a document that it refuses for depth is refused here; one that it
// cannot read at all is left to setContent.
bool parserDepthWithin(const QByteArray& bytes)
{
    QXmlStreamReader reader;
    UndeclaredAsNothing resolver;
    bool standIns = false;
    readAsQt5(reader, resolver, bytes, standIns);
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (++depth > kMaxXmlDepth)
                return false;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    return true;
}

#endif

} // namespace

bool parseXml(const QByteArray& plaintext, QDomDocument& document)
{
    const DepthScan scan = scanDepth(plaintext);
    if (scan == DepthScan::TooDeep || (scan == DepthScan::Unsure && !parserDepthWithin(plaintext)))
        return false;
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    return document.setContent(plaintext);
#else
    if (document.setContent(plaintext))
        return true;
    QXmlStreamReader reader;
    UndeclaredAsNothing resolver;
    bool standIns = false;
    readAsQt5(reader, resolver, plaintext, standIns);
    if (!document.setContent(&reader, false))
        return false;
    if (standIns)
        putControlsBack(document);
    return true;
#endif
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
        out = exact.userType() == QMetaType::LongLong ? QString::number(exact.toLongLong())
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
