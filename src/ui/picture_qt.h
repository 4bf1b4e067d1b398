#pragma once

#include "pictures/picture.h"

#include <QImage>

namespace quenbo {

// A deep copy of decoded pixels as a QImage (unpremultiplied RGBA); a null image for an empty
// picture.
QImage toQImage(const RgbaImage &image);

}  // namespace quenbo
