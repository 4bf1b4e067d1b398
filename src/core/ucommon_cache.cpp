#include "core/ucommon.h"

#include "assets/uzipfile.h"
#include "platform/file_io.h"

namespace quenbo {

namespace {

// Item ids are decimal numbers of at most 20 digits; the bound keeps a hostile id from
// forming an overlong file name.
constexpr std::size_t kMaxIdLength = 64;
// A cache file is a downloaded picture; anything bigger is not taken for one.
constexpr std::uint64_t kMaxCachedPicture = 32u << 20;

bool isPlainDigits(std::string_view id)
{
    if (id.empty() || id.size() > kMaxIdLength)
        return false;
    for (const char c : id)
        if (c < '0' || c > '9')
            return false;
    return true;
}

}  // namespace

std::optional<std::string> TCommon::CacheFileName(std::string_view id) const
{
    if (!isPlainDigits(id))
        return std::nullopt;
    return TempPath + std::string(id) + ".jpg";
}

const TGifImage *TCommon::CreditIcon(std::int32_t level) const
{
    for (const CreditIconEntry &entry : CreditIcons)
        if (entry.Level == level)
            return entry.Image.get();
    return nullptr;
}

void TCommon::FindItem(const std::string &id, TTaoBaoData &record) const
{
    if (const TTaoBaoData *found = Items.findFirst(id))
        record = *found;
}

bool TCommon::LoadCachedPicture(const std::string &id, TJpegImage &picture) const
{
    if (const std::optional<std::string> file = CacheFileName(id)) {
        std::vector<std::uint8_t> bytes;
        // A file being written is not there yet under this name (it is renamed into place
        // whole); one that cannot be read or is not a JPEG counts as no picture.
        if (readWholeFile(*file, kMaxCachedPicture, bytes)) {
            try {
                picture.LoadFromBuffer(bytes);
                return true;
            } catch (const PictureError &) {
            }
        }
    }
    return false;
}

bool TCommon::LoadItemPicture(const std::string &id, TJpegImage *picture) const
{
    if (!picture)
        return false;
    if (LoadCachedPicture(id, *picture))
        return true;
    FZip.ReadJpeg("loadimg", *picture);
    return false;
}

}  // namespace quenbo
