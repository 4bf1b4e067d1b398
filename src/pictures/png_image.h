#pragma once

#include "pictures/picture.h"

namespace quenbo {

// A PNG picture decoded at load with libpng (any colour type and depth, with
// transparency, to RGBA).
class TPngImage : public TDecodedPicture {
public:
    void LoadFromBuffer(ByteSpan data) override;
};

}  // namespace quenbo
