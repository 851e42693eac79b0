#include "FileUtil.h"

#include <openssl/rand.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cvdata {

namespace fs = std::filesystem;

namespace {

// Opens `path` without blocking (a FIFO would wait for a writer), then takes
// the type and size from the descriptor, so a name swapped in between cannot
// slip past the check. Returns the descriptor, in blocking mode again, or -1.
int OpenInput(const std::string& path, std::string& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return -1;
    }
    struct stat st;
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        error = "cannot read " + path + ": " + std::strerror(errno);
    else if (!S_ISREG(st.st_mode))
        error = path + ": not a regular file";
    else if (static_cast<uint64_t>(st.st_size) > kMaxInputSize)
        error = path + ": too large (" + std::to_string(st.st_size) + " bytes; cvdata reads at most "
            + std::to_string(kMaxInputSize >> 20) + " MiB)";
    else
        return fd;
    ::close(fd);
    return -1;
}

} // namespace

bool CheckInputFile(const std::string& path, std::string& error)
{
    const int fd = OpenInput(path, error);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool ReadWholeFile(const std::string& path, Bytes& out, std::string& error)
{
    const int fd = OpenInput(path, error);
    if (fd < 0)
        return false;
    out.clear();
    unsigned char buffer[65536];
    // The file may grow after the check; the bound holds for what is read.
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || out.size() + static_cast<size_t>(n) > kMaxInputSize) {
            error = n < 0 ? "cannot read " + path + ": " + std::strerror(errno) : path + ": grew too large while read";
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        out.insert(out.end(), buffer, buffer + n);
    }
    ::close(fd);
    return true;
}

namespace {

bool WriteAll(int fd, const Bytes& data)
{
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

bool WriteFileAtomically(const std::string& path, const Bytes& data, bool replace, unsigned mode, std::string& error)
{
    std::error_code ec;
    if (!replace && fs::exists(path, ec)) {
        error = path + " exists (use --force to replace it)";
        return false;
    }
    const fs::path target(path);
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");

    unsigned char tag[6];
    RAND_bytes(tag, sizeof tag);
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%02x%02x%02x%02x%02x%02x", tag[0], tag[1], tag[2], tag[3], tag[4], tag[5]);
    const fs::path temp = dir / ("." + target.filename().string() + ".cvdata-" + suffix);

    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
        error = "cannot create a file in " + dir.string() + ": " + std::strerror(errno);
        return false;
    }
    const bool written = WriteAll(fd, data) && ::fsync(fd) == 0;
    const int writeErrno = errno;
    if (::close(fd) != 0 || !written) {
        ::unlink(temp.c_str());
        error = "cannot write " + path + ": " + std::strerror(written ? errno : writeErrno);
        return false;
    }

    if (replace) {
        if (::rename(temp.c_str(), path.c_str()) != 0) {
            error = "cannot replace " + path + ": " + std::strerror(errno);
            ::unlink(temp.c_str());
            return false;
        }
        return true;
    }
    // A hard link refuses an existing name atomically, unlike rename.
    if (::link(temp.c_str(), path.c_str()) != 0) {
        const int linkErrno = errno;
        ::unlink(temp.c_str());
        error = linkErrno == EEXIST ? path + " exists (use --force to replace it)"
                                    : "cannot create " + path + ": " + std::strerror(linkErrno);
        return false;
    }
    ::unlink(temp.c_str());
    return true;
}

} // namespace cvdata
