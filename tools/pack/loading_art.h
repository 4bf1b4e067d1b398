#pragma once

#include <QImage>

#include <vector>

namespace quenbo::pack {

// Display time of one frame of the loading animation.
inline constexpr int kLoadingFrameMs = 80;

// The frames of the loading animation ("load"), 197 x 47: a white card with rounded corners
// on a transparent ground, a ring of dots whose bright head goes round once over the frames,
// and "正在加载…". Every pixel is opaque or transparent, as a GIF holds them.
std::vector<QImage> loadingFrames();

}  // namespace quenbo::pack
