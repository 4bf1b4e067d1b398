#include "assets/uzipfile.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

// The names the program looks up, each also in another letter case, and one that is missing.
const char *const kNames[] = {"config.ini", "CONFIG.INI", "treedown", "TreeDown", "load",   "LOAD",
                              "shopclass",  "class_1",    "t_top",    "loadimg",  "missing"};

// An archive the reader opens by path, held in memory.
class MemoryFile {
public:
    MemoryFile(const std::uint8_t *data, std::size_t size)
        : m_fd(::memfd_create("archive", MFD_CLOEXEC))
    {
        if (m_fd < 0 || ::write(m_fd, data, size) != ssize_t(size))
            __builtin_trap();
    }
    ~MemoryFile() { ::close(m_fd); }
    MemoryFile(const MemoryFile &) = delete;
    MemoryFile &operator=(const MemoryFile &) = delete;

    std::string path() const { return "/proc/self/fd/" + std::to_string(m_fd); }

private:
    int m_fd;
};

}  // namespace

// Opens arbitrary bytes as the resource archive and tries every lookup for every name: none
// may raise, a failed one leaves the caller's buffer as it was, and an entry reads the same
// whatever the letter case of its name and however often it is read.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const MemoryFile file(data, size);
    std::unique_ptr<quenbo::TZipFile> archive;
    try {
        archive = std::make_unique<quenbo::TZipFile>(file.path());
    } catch (const quenbo::EArchiveError &) {
        return 0;
    }
    const std::vector<std::uint8_t> sentinel = {0xA5};
    for (const char *name : kNames) {
        std::vector<std::uint8_t> first = sentinel;
        const bool found = archive->ReadEntry(name, first);
        if (!found && first != sentinel)
            __builtin_trap();
        std::string upper = name;
        for (char &c : upper)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        std::vector<std::uint8_t> again = sentinel;
        if (archive->ReadEntry(upper, again) != found || again != first)
            __builtin_trap();

        quenbo::TBitmap bitmap;
        quenbo::TGifImage gif;
        quenbo::TJpegImage jpeg;
        quenbo::TPngImage png;
        archive->ReadBitmap(name, bitmap);
        archive->ReadGif(name, gif);
        archive->ReadJpeg(name, jpeg);
        archive->ReadPng(name, png);
    }
    return 0;
}
