#include "pictures/gif_image.h"

#include "fuzz_load.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    quenbo::TGifImage gif;
    if (!quenbo::fuzz::loadPicture(gif, data, size))
        return 0;
    // Every frame covers the whole screen.
    for (const quenbo::GifFrame &frame : gif.Frames()) {
        if (frame.image.width != gif.Width() || frame.image.height != gif.Height())
            __builtin_trap();
    }
    return 0;
}
