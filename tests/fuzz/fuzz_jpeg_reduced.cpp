#include "pictures/jpeg_image.h"

#include "fuzz_load.h"

#include <cstddef>
#include <cstdint>

// A thumbnail's side: the reduced decode the item list makes of every downloaded picture.
constexpr int kThumbnailSide = 80;
// Pictures whose smallest reduction is larger than this are only loaded: decoding them runs
// the same code at length and slows the search down.
constexpr std::int64_t kMaxFuzzedReducedPixels = 4'000'000;

// Decodes arbitrary bytes reduced to a thumbnail: the result covers the thumbnail (or is the
// whole picture when that is smaller) and is never larger than the picture, and a picture
// that does not decode raises PictureError, never anything else.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    quenbo::TJpegImage jpeg;
    if (!quenbo::fuzz::loadPicture(jpeg, data, size))
        return 0;
    const int width = jpeg.Width();
    const int height = jpeg.Height();
    if (std::int64_t(width) * height / 64 > kMaxFuzzedReducedPixels)
        return 0;
    quenbo::RgbaImage reduced;
    try {
        reduced = jpeg.DecodeReduced(kThumbnailSide, kThumbnailSide);
    } catch (const quenbo::PictureError &) {
        return 0;
    }
    if (jpeg.Empty()) {
        if (!reduced.empty())
            __builtin_trap();
        return 0;
    }
    if (reduced.width > width || reduced.height > height ||
        reduced.pixels.size() != std::size_t(reduced.width) * std::size_t(reduced.height) * 4)
        __builtin_trap();
    const bool coversThumbnail =
        reduced.width >= kThumbnailSide && reduced.height >= kThumbnailSide;
    if (width >= kThumbnailSide && height >= kThumbnailSide && !coversThumbnail)
        __builtin_trap();
    if (!coversThumbnail && (reduced.width != width || reduced.height != height))
        __builtin_trap();
    if (jpeg.IsDecoded())
        __builtin_trap();
    return 0;
}
