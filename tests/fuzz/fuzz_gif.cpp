#include "pictures/gif_image.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    quenbo::TGifImage gif;
    try {
        gif.LoadFromBuffer({data, size});
        // Every frame covers the whole screen.
        for (const quenbo::GifFrame &frame : gif.Frames()) {
            if (frame.image.width != gif.Width() || frame.image.height != gif.Height())
                __builtin_trap();
        }
    } catch (const quenbo::PictureError &) {
        if (!gif.Empty())
            __builtin_trap();
    }
    return 0;
}
