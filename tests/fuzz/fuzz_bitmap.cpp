#include "pictures/bitmap.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    quenbo::TBitmap bitmap;
    try {
        bitmap.LoadFromBuffer({data, size});
    } catch (const quenbo::PictureError &) {
        if (!bitmap.Empty())
            __builtin_trap();
    }
    return 0;
}
