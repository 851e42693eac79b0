// Every known-answer file under tests/data/crypto, read by one runner. A line
// "[Name]" starts a section, "Field = value" lines make a record, and a blank
// line ends it; each record goes to the check of its section. The runner is strict: a
// line of no known form, an unknown section or field, a missing field and a
// value that is not of its field's kind fail the run, so that a damaged file
// cannot pass by checking less.
#include "harness.h"
#include "testutil.h"

#include "blowfish/CBlowfish.h"
#include "random/Md5.h"
#include "rsa/CRSA.h"
#include "tripledes/TripleDes.h"
#include "tripledes/TripleDesVector.h"

#include <algorithm>
#include <map>
#include <sstream>

using namespace TORVELIB;
using cvtest::Be32;
using cvtest::Bytes;

namespace {

using Record = std::map<std::string, std::string>;

Bytes FromHex(const std::string& hex)
{
    Bytes out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

void Load(CBigNumber& n, const std::string& hex) { CV_CHECK_EQ(n.FromString(hex.c_str()), 1); }

// ECB is checked in both directions, the other modes by deciphering.
void Blowfish(Record& r)
{
    const Bytes key = FromHex(r["Key"]), iv = FromHex(r["IV"]), plain = FromHex(r["Plain"]);
    const Bytes cipher = FromHex(r["Cipher"]);
    const int mode = r["Mode"] == "CBC" ? CBlowfish::CBC : r["Mode"] == "CFB" ? CBlowfish::CFB : CBlowfish::ECB;
    const CBlowfish bf(key.data(), key.size(), SBlock(Be32(&iv[0]), Be32(&iv[4])));
    Bytes out(cipher.size());
    bf.Decrypt(cipher.data(), out.data(), out.size(), mode);
    CV_CHECK_EQ(cvtest::hex(out), cvtest::hex(plain));
    for (size_t i = 0; mode == CBlowfish::ECB && i < plain.size(); i += 8) {
        SBlock block(Be32(&plain[i]), Be32(&plain[i + 4]));
        bf.EncryptBlock(block);
        CV_CHECK(block.m_uil == Be32(&cipher[i]) && block.m_uir == Be32(&cipher[i + 4]));
    }
}

// A key of one block means K1 = K2, that is single DES. Deciphering keeps the
// zeros that padded the last block.
void TripleDes(Record& r)
{
    const Bytes key = FromHex(r["Key"]), plain = FromHex(r["Plain"]), cipher = FromHex(r["Cipher"]);
    TripleDesContext ctx = {};
    TripleDesSetKey2(&ctx, key.data(), key.data() + key.size() - 8);
    Bytes out(cipher.size() + 8, 0xAA), padded(plain);
    padded.resize(cipher.size(), 0);
    int32_t length = -1;
    TripleDesEncryptBuffer(&ctx, plain.data(), -5, out.data(), &length); // a negative length writes nothing
    CV_CHECK(length == 0 && out == Bytes(out.size(), 0xAA));
    TripleDesEncryptBuffer(&ctx, plain.data(), int32_t(plain.size()), out.data(), &length);
    CV_CHECK_EQ(cvtest::hex(out.data(), size_t(std::max(length, 0))), r["Cipher"]);
    TripleDesDecryptBuffer(&ctx, cipher.data(), int32_t(cipher.size()), out.data(), &length);
    CV_CHECK_EQ(cvtest::hex(out.data(), size_t(std::max(length, 0))), cvtest::hex(padded));
    CV_CHECK_EQ(int(out.back()), 0xAA);
    // ECB ciphers each block alone, so a run of 1 to 300 blocks that cycles
    // through the record's, ending on its last, must give its cipher blocks
    // cycled alike: at any offset, in place or apart, by the vector and by the
    // portable code.
    const size_t blocks = cipher.size() / 8, n = 8 + 8 * ((key[0] | key[1] << 8) % 300), at = key[2] % 8;
    Bytes in(at + n), want(n);
    for (size_t i = 0; i < n && blocks; ++i) {
        const size_t from = (i + cipher.size() - n % cipher.size()) % cipher.size();
        in[at + i] = padded[from];
        want[i] = cipher[from];
    }
    for (bool vector : { true, false }) {
        tripledes_detail::SetVectorPath(vector);
        Bytes buf = in, apart(in.size());
        unsigned char* to = (key[3] & 1 ? buf : apart).data() + at;
        TripleDesEncryptBuffer(
            &ctx, buf.data() + at, blocks ? int32_t(n - cipher.size() + plain.size()) : 0, to, &length);
        CV_CHECK(length == int32_t(blocks ? n : 0) && std::equal(to, to + length, want.begin()));
        TripleDesDecryptBuffer(&ctx, to, length, to, &length);
        CV_CHECK(std::equal(to, to + length, in.begin() + long(at)));
    }
    tripledes_detail::SetVectorPath(true);
}

void Md5(Record& r)
{
    const Bytes in = FromHex(r["In"]);
    unsigned char digest[16];
    md5_detail::Md5Digest(md5_detail::kStandardIv, in.data(), in.size(), digest);
    CV_CHECK_EQ(cvtest::hex(digest, 16), r["Out"]);
}

// A refused exponentiation leaves the result as it was.
void ModExp(Record& r)
{
    CBigNumber base, e, m, result;
    Load(base, r["Base"]);
    Load(e, r["Exponent"]);
    Load(m, r["Modulus"]);
    result.SetWord(42);
    const bool refused = r["Result"] == "refused";
    CV_CHECK_EQ(CBigNumber::ModExp(result, base, e, m), refused ? -1 : 0);
    CV_CHECK_EQ(cvtest::Text(result), refused ? "2A" : r["Result"]);
}

// One number parsed by every record in turn.
void FromString(Record& r)
{
    static CBigNumber n;
    const int radix = std::stoi(r["Radix"]);
    const char* text = r["Text"].c_str();
    CV_CHECK_EQ(
        radix == CBigNumber::Hexadecimal ? n.FromString(text) : n.FromString(radix, text), std::stoi(r["Result"]));
    CV_CHECK_EQ(cvtest::Text(n), r["Value"]);
    CV_CHECK(r["Bits"].empty() || n.BitLength() == std::stoul(r["Bits"]));
}

void BigNumber(Record& r)
{
    CBigNumber fromDec, fromHex, product;
    CV_CHECK_EQ(fromDec.FromString(CBigNumber::Decimal, r["Decimal"].c_str()), 1);
    CV_CHECK_EQ(fromHex.FromString(CBigNumber::Hexadecimal, r["Hex"].c_str()), 1);
    CV_CHECK_EQ(cvtest::Text(fromDec), r["Hex"]);
    const auto w = uint32_t(std::stoul(r["W"], nullptr, 16));
    CV_CHECK(fromDec.AddWord(w) == 0 && product.MulWord(fromHex, w) == 0 && fromHex.MulWord(fromHex, w) == 0);
    CV_CHECK_EQ(cvtest::Text(fromDec), r["Sum"]);
    CV_CHECK_EQ(cvtest::Text(product), r["Product"]);
    CV_CHECK_EQ(cvtest::Text(fromHex), r["Product"]);
}

// The data and a zero after them in a 512-byte capacity; nothing written on an error.
void Rsa(Record& r)
{
    CRSA rsa;
    rsa.PublicExponent().FromString(r["Exponent"].c_str());
    rsa.Modulus().FromString(r["Modulus"].c_str());
    CBigNumber c;
    Load(c, r["In"]);
    const int result = std::stoi(r["Result"]);
    Bytes out(600, 0xAA), want(out);
    if (result >= 0) {
        const Bytes data = FromHex(r["Out"]);
        std::copy(data.begin(), data.end(), want.begin());
        want[data.size()] = 0;
    }
    CV_CHECK_EQ(rsa.Decrypt(out.data(), 512, c), result);
    CV_CHECK(out == want);
}

// Each section's check and fields, "Name:kind", "?" after an optional name.
// Kinds: bytes (pairs of hexadecimal digits), number (one or more
// hexadecimal digits), hex (none or more), text (anything).
struct Section {
    void (*check)(Record&);
    const char* fields;
};
const std::map<std::string, Section> kSections = {
    { "Blowfish", { Blowfish, "Mode:text Key:bytes IV:bytes Plain:bytes Cipher:bytes" } },
    { "DES", { TripleDes, "Key:bytes Plain:bytes Cipher:bytes" } },
    { "MD5", { Md5, "In:bytes Out:bytes" } },
    { "ModExp", { ModExp, "Base:hex Exponent:hex Modulus:hex Result:text" } },
    { "BigNumber", { BigNumber, "Decimal:text Hex:number W:number Sum:number Product:number" } },
    { "RSA", { Rsa, "Exponent:number Modulus:number In:number Result:text Out?:bytes" } },
    { "FromString", { FromString, "Radix:text Text:text Result:text Value:number Bits?:text" } },
};

// What is wrong with a record's fields for its section; empty when nothing.
std::string Malformed(const Record& r, const char* fields)
{
    std::istringstream names(fields);
    size_t known = 0;
    for (std::string item; names >> item;) {
        const size_t colon = item.find(':');
        const bool optional = item[colon - 1] == '?';
        const std::string name = item.substr(0, colon - optional), kind = item.substr(colon + 1);
        const auto field = r.find(name);
        if (field == r.end() && !optional)
            return "no field " + name;
        if (field == r.end())
            continue;
        ++known;
        const std::string& v = field->second;
        const bool hex = v.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
        if ((kind != "text" && !hex) || (kind == "bytes" && v.size() % 2) || (kind == "number" && v.empty()))
            return name + " is not of kind " + kind + ": '" + v.substr(0, 40) + "'";
    }
    return known == r.size() ? std::string() : "a field the section does not have";
}

void RunFile(const std::string& name)
{
    std::ifstream file(std::string(CV_TEST_DATA_DIR) + "/" + name);
    const Section* section = nullptr;
    Record record;
    int records = 0, line = 0, start = 0;
    auto flush = [&] {
        if (record.empty())
            return;
        const int before = cvtest::failures;
        const std::string malformed = section ? Malformed(record, section->fields) : "no known section";
        if (malformed.empty())
            section->check(record);
        else
            cvtest::fail(__FILE__, __LINE__, malformed);
        if (cvtest::failures != before)
            std::fprintf(stderr, "  in the record of %s at line %d\n", name.c_str(), start);
        record.clear();
        ++records;
    };
    for (std::string text; std::getline(file, text);) {
        ++line;
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        const size_t eq = text.find(" =");
        if (text.empty()) {
            flush();
        } else if (text[0] == '[' && text.back() == ']') {
            flush();
            const auto found = kSections.find(text.substr(1, text.size() - 2));
            section = found == kSections.end() ? nullptr : &found->second;
            if (!section)
                cvtest::fail(__FILE__, __LINE__, name + ": unknown section " + text);
        } else if (text[0] != '#' && eq != std::string::npos && eq > 0
            && (text.size() == eq + 2 || text.compare(eq, 3, " = ") == 0)) {
            start = record.empty() ? line : start;
            if (!record.emplace(text.substr(0, eq), text.substr(std::min(text.size(), eq + 3))).second)
                cvtest::fail(__FILE__, __LINE__, name + ": a field given twice at line " + std::to_string(line));
        } else if (text[0] != '#') {
            cvtest::fail(__FILE__, __LINE__, name + ": line " + std::to_string(line) + " is of no known form");
        }
    }
    flush();
    if (records == 0)
        cvtest::fail(__FILE__, __LINE__, "no records in " + name);
}

} // namespace

CV_TEST(known_answer_files)
{
    const std::string files = CV_VECTOR_FILES;
    for (size_t at = 0; at < files.size();) {
        const size_t end = std::min(files.find(',', at), files.size());
        RunFile(files.substr(at, end - at));
        at = end + 1;
    }
}
