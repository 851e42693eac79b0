#include "PasswordCipher_p.h"

#include <cstdint>

namespace cvsettings {

namespace {

const unsigned char kPasswordKey1[8] = { 0x6e, 0x66, 0x16, 0x14, 0x34, 0xd7, 0x1a, 0xca };
const unsigned char kPasswordKey2[8] = { 0xd8, 0x44, 0x3b, 0xcf, 0x38, 0xcd, 0x83, 0xeb };

using Transform = void (*)(const TORVELIB::TripleDesContext*, const unsigned char*, int32_t, unsigned char*, int32_t*);

// Runs one buffer transform straight from `in` into the result. The buffer
// functions read only the input's own bytes and zero-fill the last block
// themselves, so no working copy (and no clear text to wipe) is needed.
QByteArray transform(const TORVELIB::TripleDesContext& ctx, const QByteArray& in, Transform fn)
{
    const int size = in.size();
    if (size > INT32_MAX - 7)
        return QByteArray(); // beyond what a 32-bit length describes
    QByteArray result((size + 7) / 8 * 8, Qt::Uninitialized);
    int32_t written = 0;
    fn(&ctx, reinterpret_cast<const unsigned char*>(in.constData()), size,
        reinterpret_cast<unsigned char*>(result.data()), &written);
    result.resize(written);
    return result;
}

} // namespace

void keyPasswordCipher(TORVELIB::TripleDesContext& ctx)
{
    TORVELIB::TripleDesSetKey2(&ctx, kPasswordKey1, kPasswordKey2);
}

QByteArray encipherPassword(const TORVELIB::TripleDesContext& ctx, const QString& password)
{
    return transform(ctx, password.toUtf8(), TORVELIB::TripleDesEncryptBuffer);
}

QString decipherPassword(const TORVELIB::TripleDesContext& ctx, const QByteArray& stored)
{
    const QByteArray plain = transform(ctx, stored, TORVELIB::TripleDesDecryptBuffer);
    const int end = plain.indexOf('\0');
    return QString::fromUtf8(plain.constData(), end < 0 ? plain.size() : end);
}

} // namespace cvsettings
