#pragma once

#include "pictures/picture.h"

namespace quenbo {

// A PNG picture decoded at load with libpng (any colour type and depth, with
// transparency, to RGBA).
class TPngImage : public TPicture {
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
