#include "core/picture_cache.h"

#include "pictures/jpeg_image.h"
#include "platform/file_io.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace quenbo {

namespace fs = std::filesystem;

namespace {

// Item ids are decimal numbers of at most 20 digits, or the material search's opaque ids of
// about 40 letters, digits and "-"; the bound keeps a hostile id from forming an overlong
// file name.
constexpr std::size_t kMaxIdLength = 64;
// A cache file is a downloaded picture; anything bigger is not taken for one.
constexpr std::uint64_t kMaxCachedPicture = 32u << 20;

// An id that is a file name as it stands: ASCII letters, digits and "-", which name no folder
// and no hidden file (the first character may be "-", which the program never hands to a
// shell).
bool isCacheableId(std::string_view id)
{
    if (id.empty() || id.size() > kMaxIdLength)
        return false;
    for (const char c : id) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && !(c >= '0' && c <= '9') && c != '-')
            return false;
    }
    return true;
}

}  // namespace

PictureCache::PictureCache(std::string folder)
    : m_folder(std::move(folder))
{
    std::error_code ignored;
    fs::create_directory(m_folder, ignored);
}

std::optional<std::string> PictureCache::fileName(std::string_view id) const
{
    if (!isCacheableId(id))
        return std::nullopt;
    return m_folder + std::string(id) + ".jpg";
}

bool PictureCache::load(const std::string &id, TJpegImage &picture) const
{
    const std::optional<std::string> file = fileName(id);
    if (!file)
        return false;
    std::vector<std::uint8_t> bytes;
    // A file being written is not there yet under this name (it is renamed into place whole);
    // one that cannot be read or is not a JPEG counts as no picture.
    if (!readWholeFile(*file, kMaxCachedPicture, bytes))
        return false;
    try {
        picture.LoadFromBuffer(bytes);
        return true;
    } catch (const PictureError &) {
        return false;
    }
}

void PictureCache::clear() const
{
    std::error_code error;
    fs::directory_iterator entries(m_folder, error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        std::error_code ignored;
        const fs::file_status status = entries->symlink_status(ignored);
        // A link is removed as a link; its target, wherever it is, stays.
        if (fs::is_regular_file(status) || fs::is_symlink(status))
            fs::remove(entries->path(), ignored);
    }
}

}  // namespace quenbo
