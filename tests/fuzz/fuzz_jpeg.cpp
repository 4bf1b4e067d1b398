#include "pictures/jpeg_image.h"

#include "fuzz_load.h"

#include <cstddef>
#include <cstdint>

// Larger pictures are only loaded, not decoded: decoding them runs the same code at length
// and slows the search down.
constexpr std::int64_t kMaxFuzzedPixels = 4'000'000;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    quenbo::TJpegImage jpeg;
    if (!quenbo::fuzz::loadPicture(jpeg, data, size))
        return 0;
    if (std::int64_t(jpeg.Width()) * jpeg.Height() > kMaxFuzzedPixels)
        return 0;
    try {
        const quenbo::RgbaImage &image = jpeg.Decoded();
        if (!jpeg.Empty() && (image.width != jpeg.Width() || image.height != jpeg.Height()))
            __builtin_trap();
    } catch (const quenbo::PictureError &) {
        if (jpeg.IsDecoded())
            __builtin_trap();
    }
    return 0;
}
