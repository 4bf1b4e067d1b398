#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace quenbo {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {
    }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int get() const { return m_fd; }
    void release() { m_fd = -1; }
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

template <typename Buffer>
bool readInto(const std::string &path, std::uint64_t maxBytes, Buffer &out)
{
    FileDescriptor file(openRegularFile(path, O_RDONLY));
    if (file.get() < 0)
        return false;
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || std::uint64_t(info.st_size) > maxBytes)
        return false;
    // The size is only a hint: the file may change while it is read, so the limit is
    // checked again on what actually arrives.
    Buffer content;
    content.resize(std::size_t(info.st_size));
    std::size_t filled = 0;
    for (;;) {
        if (filled == content.size()) {
            if (content.size() >= maxBytes + 1)
                return false;
            content.resize(std::min<std::uint64_t>(maxBytes + 1, content.size() + 4096));
        }
        const ssize_t got = ::read(file.get(), content.data() + filled, content.size() - filled);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            break;
        filled += std::size_t(got);
    }
    if (filled > maxBytes)
        return false;
    content.resize(filled);
    out = std::move(content);
    return true;
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            // No progress and no reason: trying again would only loop.
            errno = EIO;
            return false;
        }
        bytes.remove_prefix(std::size_t(written));
    }
    return true;
}

}  // namespace

int openRegularFile(const std::string &path, int flags)
{
    // O_NONBLOCK keeps the open itself from waiting for the other end of a FIFO; it is
    // cleared again once the file is known to be a regular one.
    FileDescriptor file(::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0)
        return -1;
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        return -1;
    if (!S_ISREG(info.st_mode)) {
        errno = EINVAL;
        return -1;
    }
    const int status = ::fcntl(file.get(), F_GETFL);
    if (status < 0 || ::fcntl(file.get(), F_SETFL, status & ~O_NONBLOCK) != 0)
        return -1;
    const int fd = file.get();
    file.release();
    return fd;
}

bool readWholeFile(const std::string &path, std::uint64_t maxBytes,
                   std::vector<std::uint8_t> &bytes)
{
    return readInto(path, maxBytes, bytes);
}

bool readWholeFile(const std::string &path, std::uint64_t maxBytes, std::string &text)
{
    return readInto(path, maxBytes, text);
}

bool writeFileAtomically(const std::string &path, std::string_view bytes, WriteSync sync)
{
    std::string temporary = path + ".XXXXXX";
    FileDescriptor file(::mkstemp(temporary.data()));
    if (file.get() < 0)
        return false;
    // Only a regular file in place lends its permission bits; a link is replaced, not followed.
    struct stat existing {};
    const mode_t mode = ::lstat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)
                            ? existing.st_mode & 07777
                            : 0644;
    const bool written = ::fchmod(file.get(), mode) == 0 && writeAll(file.get(), bytes) &&
                         (sync == WriteSync::Unsynced || ::fsync(file.get()) == 0);
    int error = errno;
    const bool closed = file.close();
    if (written && !closed)
        error = errno;
    if (written && closed && ::rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    if (written && closed)
        error = errno;
    ::unlink(temporary.c_str());
    errno = error;
    return false;
}

}  // namespace quenbo
