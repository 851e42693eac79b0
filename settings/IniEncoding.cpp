#include "IniEncoding_p.h"

#include <QString>

namespace cvsettings::store {

namespace {

const char kUtf8Mark[] = "\xEF\xBB\xBF";

void appendLatin1AsUtf8(QByteArray& out, const char* begin, const char* end)
{
    for (const char* p = begin; p < end; ++p) {
        const auto byte = static_cast<unsigned char>(*p);
        if (byte < 0x80) {
            out += char(byte);
        } else {
            out += char(0xC0 | (byte >> 6));
            out += char(0x80 | (byte & 0x3F));
        }
    }
}

// Whether a value's text ends in a backslash that escapes the line end: QSettings
// then reads the next line on as part of the same value.
bool continues(const char* begin, const char* end)
{
    if (end > begin && end[-1] == '\r')
        --end;
    int backslashes = 0;
    while (end > begin && end[-1] == '\\') {
        --end;
        ++backslashes;
    }
    return backslashes % 2 == 1;
}

bool isHexDigit(ushort c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

void appendEscape(QByteArray& out, ushort unit)
{
    out += "\\x";
    out += QByteArray::number(unit, 16);
}

// One value as Qt 5.15 escapes it: the characters from U+007F on, and the
// hexadecimal digits that follow one of those escapes.
void appendEscapedValue(QByteArray& out, const char* begin, const char* end)
{
    const QString text = QString::fromUtf8(begin, int(end - begin));
    bool escapeNextIfDigit = false;
    for (const QChar ch : text) {
        const ushort unit = ch.unicode();
        if (unit >= 0x7F) {
            appendEscape(out, unit);
            escapeNextIfDigit = true;
        } else if (escapeNextIfDigit && isHexDigit(unit)) {
            appendEscape(out, unit);
        } else {
            escapeNextIfDigit = false;
            out += char(unit);
        }
    }
}

bool needsChange(const QByteArray& bytes, unsigned char from)
{
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= from)
            return true;
    return false;
}

} // namespace

QByteArray toQt6Reading(const QByteArray& file, bool marked)
{
    if (!needsChange(file, 0x80))
        return file;
    QByteArray out;
    out.reserve(file.size() + file.size() / 4);
    if (!marked) {
        appendLatin1AsUtf8(out, file.cbegin(), file.cend());
        return out;
    }
    const char* p = file.cbegin();
    const char* const end = file.cend();
    if (file.startsWith(kUtf8Mark)) {
        out += kUtf8Mark;
        p += 3;
    }
    bool inValue = false; // a value continued from the line before
    while (p < end) {
        const char* lineEnd = p;
        while (lineEnd < end && *lineEnd != '\n')
            ++lineEnd;
        const char* valueBegin = p;
        if (!inValue) {
            const char* first = p;
            while (first < lineEnd && (*first == ' ' || *first == '\t'))
                ++first;
            // A section header is a name all through; otherwise the name
            // ends at the first '='.
            const char* eq = first < lineEnd && *first == '[' ? lineEnd : first;
            while (eq < lineEnd && *eq != '=')
                ++eq;
            appendLatin1AsUtf8(out, p, eq);
            valueBegin = eq;
        }
        out += QString::fromUtf8(valueBegin, int(lineEnd - valueBegin)).toUtf8();
        inValue = valueBegin < lineEnd && continues(valueBegin, lineEnd);
        if (lineEnd < end)
            out += '\n';
        p = lineEnd + 1;
    }
    return out;
}

QByteArray toQt5Writing(const QByteArray& written, bool marked)
{
    if (marked || !needsChange(written, 0x7F))
        return written;
    QByteArray out;
    out.reserve(written.size() * 2);
    const char* p = written.cbegin();
    const char* const end = written.cend();
    // QSettings writes one key or section header a line, with the names
    // escaped to ASCII and each value on its line.
    while (p < end) {
        const char* lineEnd = p;
        while (lineEnd < end && *lineEnd != '\n')
            ++lineEnd;
        const char* eq = p;
        while (eq < lineEnd && *eq != '=')
            ++eq;
        out.append(p, int(eq - p));
        appendEscapedValue(out, eq, lineEnd);
        if (lineEnd < end)
            out += '\n';
        p = lineEnd + 1;
    }
    return out;
}

} // namespace cvsettings::store
