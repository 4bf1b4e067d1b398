#pragma once

#include <QImage>

namespace quenbo::pack {

// The seller credit icon of a level from 1 to 20: levels 1-5 show 1-5 red hearts, 6-10 blue
// diamonds, 11-15 violet crowns and 16-20 golden crowns. Each symbol is 15 x 15 on a 16-pixel
// pitch, so an icon is 15 high and at most 79 wide; the ground is transparent and the edges
// are smoothed against the white of an item row.
QImage creditIcon(int level);

}  // namespace quenbo::pack
