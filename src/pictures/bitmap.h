#pragma once

#include "pictures/picture.h"

namespace quenbo {

// A device-independent bitmap (".bmp"): uncompressed 1, 4, 8, 16, 24 and 32 bits a pixel,
// BI_BITFIELDS and RLE4/RLE8, bottom-up or top-down. Decoded at load.
class TBitmap : public TPicture {
public:
    void LoadFromBuffer(ByteSpan data) override;
    bool Empty() const override { return m_image.empty(); }
    int Width() const override { return m_image.width; }
    int Height() const override { return m_image.height; }

    const RgbaImage &Image() const { return m_image; }

private:
    RgbaImage m_image;
};

}  // namespace quenbo
