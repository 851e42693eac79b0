#pragma once

#include "tripledes/TripleDes.h"

#include <QByteArray>
#include <QString>

namespace cvsettings {

// Keys the manager's password cipher with the library's two fixed keys.
// Saved passwords can be read back only with the keys that wrote them, so
// these never change from one version to the next.
void keyPasswordCipher(TORVELIB::TripleDesContext& ctx);

// The UTF-8 bytes of the password, enciphered with two-key triple DES in ECB
// mode, zero-padded to whole blocks: 8 * ceil(n / 8) bytes, none for "".
QByteArray encipherPassword(const TORVELIB::TripleDesContext& ctx, const QString& password);

// Deciphers every stored byte; the password is what precedes the first zero.
QString decipherPassword(const TORVELIB::TripleDesContext& ctx, const QByteArray& stored);

} // namespace cvsettings
