#include "pictures/png_image.h"

#include "fuzz_load.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    quenbo::TPngImage png;
    quenbo::fuzz::loadPicture(png, data, size);
    return 0;
}
