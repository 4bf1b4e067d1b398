#include "atomic_file.h"

#include "pack_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quenbo::pack {

namespace {

std::string reason(int error)
{
    return std::strerror(error);
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

void writeFileReplacing(const std::string &path, std::span<const std::uint8_t> bytes)
{
    std::string temporary = path + ".tmp-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        throw PackError("cannot write " + path + ": " + reason(errno));
    // mkstemp makes the file private; an archive is an ordinary readable file.
    const bool written = ::fchmod(fd, 0644) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        ::unlink(temporary.c_str());
        throw PackError("cannot write " + path + ": " + reason(written ? errno : writeError));
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int renameError = errno;
        ::unlink(temporary.c_str());
        throw PackError("cannot write " + path + ": " + reason(renameError));
    }
}

}  // namespace quenbo::pack
