#pragma once

#include <QByteArray>

// The bytes of the settings file as Qt 5.15 reads and writes them, for the
// Qt 6 build.
//
// Qt 5.15's QSettings, with no codec set, reads an INI file's bytes as
// Latin-1 and writes every character from U+007F on as an escape ("\xe9"),
// so its files are ASCII; the store reads and writes a file that starts with
// UTF-8's byte order mark through the UTF-8 codec, which decodes the values
// as UTF-8 (keys and section names stay Latin-1) and writes them unescaped.
// Qt 6 has no codecs: it reads every byte as UTF-8 and writes values as UTF-8.
// The library's file format is Qt 5.15's, so the Qt 6 build passes what its
// QSettings reads through toQt6Reading() and what it writes through
// toQt5Writing(): one file then reads the same in either build, hand-typed
// non-ASCII text included, and both builds write the same bytes.
namespace cvsettings::store {

// `file` re-encoded so that Qt 6 decodes it to the text Qt 5.15 reads from
// it: without the mark every byte from 0x80 on as the Latin-1 character
// (in UTF-8); with it, section names and keys so, and values as UTF-8 with
// every malformed sequence as U+FFFD. The same bytes when nothing needs it.
QByteArray toQt6Reading(const QByteArray& file, bool marked);

// A file that Qt 6's QSettings wrote, as Qt 5.15 writes the same settings:
// without the mark, every value character from U+007F on (each UTF-16 unit)
// escaped as "\x" and its hexadecimal code, and a hexadecimal digit right
// after such an escape escaped too, so that it is not read as part of it.
// With the mark, as it is: both write UTF-8 then. (Qt 5.15 encodes such a
// file's values one UTF-16 unit at a time and so drops the characters
// beyond U+FFFF, emoji for one, that Qt 6 writes; that loss is not copied.)
QByteArray toQt5Writing(const QByteArray& written, bool marked);

} // namespace cvsettings::store
