#pragma once

#include "pictures/picture.h"

namespace quenbo {

// A device-independent bitmap (".bmp"): uncompressed 1, 4, 8, 16, 24 and 32 bits a pixel,
// BI_BITFIELDS and RLE4/RLE8, bottom-up or top-down. Decoded at load.
class TBitmap : public TDecodedPicture {
public:
    void LoadFromBuffer(ByteSpan data) override;
};

}  // namespace quenbo
