#include "pictures/bitmap.h"

#include "fuzz_load.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    quenbo::TBitmap bitmap;
    quenbo::fuzz::loadPicture(bitmap, data, size);
    return 0;
}
