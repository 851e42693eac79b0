// cvdata: makes key pairs for the encrypted data files, packs plaintext into
// data files with OpenSSL, and reads them back through the library's reader.
#include "FileUtil.h"
#include "KeyFile.h"
#include "Producer.h"

#include "container/CFileEncrypt.h"
#include "platform/Utf8ToWide.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

namespace {

using cvdata::Bytes;

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

// One entry per command: its synopsis and what it does.
const struct {
    const char* name;
    const char* help;
} kCommands[] = {
    { "keygen",
        "  cvdata keygen [--force] [KEYFILE]\n"
        "      Makes a new key pair and masks. Writes the key file to KEYFILE (or\n"
        "      standard output) and prints the CMake options that build the library\n"
        "      for it.\n" },
    { "pack",
        "  cvdata pack --key KEYFILE [--check VALUEFILE] [--force] IN OUT\n"
        "      Packs the plaintext IN into the data file OUT, optionally with a check\n"
        "      value. OUT is written completely or not at all; an existing OUT is\n"
        "      replaced only with --force.\n" },
    { "unpack",
        "  cvdata unpack [--check VALUEFILE] [--force] IN [OUT]\n"
        "      Reads IN with the library's own reader and writes the plaintext to OUT\n"
        "      (or standard output).\n" },
    { "verify",
        "  cvdata verify [--key KEYFILE] [--check VALUEFILE] IN\n"
        "      Succeeds when this build's reader reads IN (and KEYFILE is this\n"
        "      build's key, when given).\n" },
};
const char kUsageTail[] = "Every file read (IN, KEYFILE, VALUEFILE) must be a regular file of at most\n"
                          "256 MiB.\n"
                          "Exit status: 0 on success, 1 on failure, 2 on a usage error.\n";

// The whole usage, or one command's when `command` names one.
std::string UsageText(const std::string& command = std::string())
{
    std::string text = "usage:\n";
    for (const auto& c : kCommands)
        if (command.empty() || command == c.name)
            text += c.help;
    return text + kUsageTail;
}
static_assert(cvdata::kMaxInputSize == uint64_t(256) << 20, "the usage text names the bound");

int Fail(const std::string& message)
{
    std::fprintf(stderr, "cvdata: %s\n", message.c_str());
    return kFailed;
}

int Usage(const std::string& message)
{
    std::fprintf(stderr, "cvdata: %s\n%s", message.c_str(), UsageText().c_str());
    return kUsage;
}

struct Arguments {
    std::string key;
    std::string check;
    bool force = false;
    std::vector<std::string> files;
};

// Options may appear anywhere; "--" ends them.
bool Parse(int argc, char** argv, Arguments& args, std::string& error)
{
    bool options = true;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (options && a == "--") {
            options = false;
        } else if (options && (a == "--key" || a == "--check")) {
            if (i + 1 >= argc) {
                error = a + " needs a file name";
                return false;
            }
            (a == "--key" ? args.key : args.check) = argv[++i];
        } else if (options && a == "--force") {
            args.force = true;
        } else if (options && a.size() > 1 && a[0] == '-') {
            error = "unknown option " + a;
            return false;
        } else {
            args.files.push_back(a);
        }
    }
    return true;
}

bool WriteStdout(const Bytes& data)
{
    return (data.empty() || std::fwrite(data.data(), 1, data.size(), stdout) == data.size())
        && std::fflush(stdout) == 0;
}

bool LoadCheck(const Arguments& args, Bytes& check, std::string& error)
{
    if (args.check.empty())
        return true;
    if (!cvdata::ReadWholeFile(args.check, check, error))
        return false;
    if (check.empty()) {
        error = args.check + ": an empty check value means none; leave --check out";
        return false;
    }
    return true;
}

// Reads `path` through the library's reader, as the product does.
bool ReadDataFile(const std::string& path, const Bytes* check, Bytes& plain, std::string& error)
{
    // The reader's own failures say nothing; this names the common ones.
    if (!cvdata::CheckInputFile(path, error))
        return false;
    std::vector<TORVELIB::WideChar> wide(path.size() + 2);
    if (TORVELIB::Utf8ToWide(path.c_str(), wide.data(), static_cast<int>(wide.size())) == 0) {
        error = path + ": the file name cannot be converted";
        return false;
    }
    unsigned char* out = nullptr;
    TORVELIB::CFileEncrypt reader;
    const uint32_t length = reader.DecryptFile(wide.data(), &out,
        check != nullptr ? reinterpret_cast<const TORVELIB::WideChar*>(check->data()) : nullptr,
        check != nullptr ? static_cast<uint32_t>(check->size()) : 0);
    if (out == nullptr) {
        error = path + ": this build cannot read it (not a data file, damaged, made with another key"
            + std::string(check != nullptr ? ", or a different check value)" : ", or it needs --check)");
        return false;
    }
    plain.assign(out, out + length);
    std::free(out);
    return true;
}

int KeyGen(const Arguments& args)
{
    if (args.files.size() > 1 || !args.key.empty() || !args.check.empty())
        return Usage("keygen takes at most one file name and no --key or --check");
    cvdata::KeyFile key;
    std::string error;
    if (!key.Generate(error))
        return Fail(error);
    const std::string text = key.Text();
    if (args.files.empty()) {
        if (!WriteStdout(Bytes(text.begin(), text.end())))
            return Fail("cannot write to standard output");
        std::fprintf(stderr, "%s\n", key.CMakeOptions().c_str());
        return kOk;
    }
    if (!cvdata::WriteFileAtomically(args.files[0], Bytes(text.begin(), text.end()), args.force, 0600, error))
        return Fail(error);
    std::printf("%s\n", key.CMakeOptions().c_str());
    return kOk;
}

int Pack(const Arguments& args)
{
    if (args.key.empty())
        return Usage("pack needs --key KEYFILE");
    if (args.files.size() != 2)
        return Usage("pack needs an input and an output file");
    const std::string& in = args.files[0];
    const std::string& out = args.files[1];
    std::string error;
    std::error_code ec;
    if (!args.force && std::filesystem::exists(out, ec))
        return Fail(out + " exists (use --force to replace it)");

    cvdata::KeyFile key;
    if (!key.Load(args.key, error))
        return Fail(error);
    Bytes check;
    if (!LoadCheck(args, check, error))
        return Fail(error);
    Bytes plain;
    if (!cvdata::ReadWholeFile(in, plain, error))
        return Fail(error);
    Bytes container;
    if (!cvdata::Pack(key, plain, args.check.empty() ? nullptr : &check, container, error))
        return Fail(in + ": " + error);
    if (!cvdata::WriteFileAtomically(out, container, args.force, 0644, error))
        return Fail(error);
    return kOk;
}

int Unpack(const Arguments& args)
{
    if (!args.key.empty())
        return Usage("unpack reads with the build's own key; --key is not used");
    if (args.files.empty() || args.files.size() > 2)
        return Usage("unpack needs an input file and at most one output file");
    std::string error;
    std::error_code ec;
    if (args.files.size() == 2 && !args.force && std::filesystem::exists(args.files[1], ec))
        return Fail(args.files[1] + " exists (use --force to replace it)");
    Bytes check;
    if (!LoadCheck(args, check, error))
        return Fail(error);
    Bytes plain;
    if (!ReadDataFile(args.files[0], args.check.empty() ? nullptr : &check, plain, error))
        return Fail(error);
    if (args.files.size() == 1)
        return WriteStdout(plain) ? kOk : Fail("cannot write to standard output");
    if (!cvdata::WriteFileAtomically(args.files[1], plain, args.force, 0644, error))
        return Fail(error);
    return kOk;
}

int Verify(const Arguments& args)
{
    if (args.files.size() != 1)
        return Usage("verify needs one input file");
    std::string error;
    if (!args.key.empty()) {
        cvdata::KeyFile key;
        if (!key.Load(args.key, error))
            return Fail(error);
        if (!key.MatchesBuild())
            return Fail(args.key
                + ": this key file does not match the key and masks this build was "
                  "configured with");
    }
    Bytes check;
    if (!LoadCheck(args, check, error))
        return Fail(error);
    Bytes plain;
    if (!ReadDataFile(args.files[0], args.check.empty() ? nullptr : &check, plain, error))
        return Fail(error);
    std::printf("%s: OK, %zu bytes of plaintext\n", args.files[0].c_str(), plain.size());
    return kOk;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage("no command given");
    const std::string command = argv[1];
    const auto isHelp = [](const std::string& a) { return a == "help" || a == "--help" || a == "-h"; };
    if (command == "--version" || command == "-V") {
        std::printf("cvdata (cvsettings) %s\n", CV_VERSION);
        return kOk;
    }
    // "cvdata help", "cvdata help COMMAND", "cvdata COMMAND --help" and "-h".
    if (isHelp(command) || (argc > 2 && isHelp(argv[2]) && std::string(argv[2]) != "help")) {
        const std::string about = isHelp(command) ? (argc > 2 ? argv[2] : "") : command;
        const auto known = [&about](const auto& c) { return about == c.name; };
        if (!about.empty() && std::none_of(std::begin(kCommands), std::end(kCommands), known))
            return Usage("unknown command " + about);
        std::printf("%s", UsageText(about).c_str());
        return kOk;
    }
    Arguments args;
    std::string error;
    if (!Parse(argc, argv, args, error))
        return Usage(error);
    if (command == "keygen")
        return KeyGen(args);
    if (command == "pack")
        return Pack(args);
    if (command == "unpack")
        return Unpack(args);
    if (command == "verify")
        return Verify(args);
    return Usage("unknown command " + command);
}
