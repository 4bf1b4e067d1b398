#include "pictures/png_image.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    quenbo::TPngImage png;
    try {
        png.LoadFromBuffer({data, size});
    } catch (const quenbo::PictureError &) {
        if (!png.Empty())
            __builtin_trap();
    }
    return 0;
}
