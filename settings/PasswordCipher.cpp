#include "PasswordCipher_p.h"

#include <QtGlobal>

#include <cstring>
#include <vector>

namespace cvsettings {

namespace {

// The stored format was defined with a 260-byte working buffer (passwords of
// up to 256 UTF-8 bytes). Longer values get a buffer sized to them, which
// gives the same bytes a larger buffer would.
constexpr int kWorkingBufferSize = 260;

const unsigned char kPasswordKey1[8] = {0x6e, 0x66, 0x16, 0x14, 0x34, 0xd7, 0x1a, 0xca};
const unsigned char kPasswordKey2[8] = {0xd8, 0x44, 0x3b, 0xcf, 0x38, 0xcd, 0x83, 0xeb};

using Transform = void (*)(const TORVELIB::TripleDesContext*, const unsigned char*, int32_t,
                           unsigned char*, int32_t*);

// Runs one buffer transform through zero-filled working storage that is wiped
// before it is released, so no clear text outlives the call.
QByteArray transform(const TORVELIB::TripleDesContext& ctx, const QByteArray& in, Transform fn)
{
    const int size = in.size();
    if (size > INT32_MAX - 7)
        return QByteArray(); // beyond what a 32-bit length describes
    const int rounded = (size + 7) / 8 * 8;
    std::vector<unsigned char> input(static_cast<size_t>(qMax(kWorkingBufferSize, rounded)), 0);
    std::vector<unsigned char> output(input.size(), 0);
    if (size > 0)
        std::memcpy(input.data(), in.constData(), static_cast<size_t>(size));
    int32_t written = 0;
    fn(&ctx, input.data(), size, output.data(), &written);
    QByteArray result(reinterpret_cast<const char*>(output.data()), written);
    volatile unsigned char* wipeIn = input.data();
    volatile unsigned char* wipeOut = output.data();
    for (size_t i = 0; i < input.size(); ++i) {
        wipeIn[i] = 0;
        wipeOut[i] = 0;
    }
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
