#pragma once

#include <QImage>

namespace quenbo::pack {

// The application icon at size x size pixels: a white shopping bag with an orange star on a
// rounded orange tile, on a transparent ground. Its level and upright edges land on whole
// pixels, and the small sizes drop the finer details, so 16, 24 and 32 pixels stay crisp.
// size must be at least 1.
QImage appIcon(int size);

}  // namespace quenbo::pack
