#pragma once

#include "pictures/picture.h"

#include <vector>

namespace quenbo {

// One frame of an animation, already composed onto the full logical screen
// (disposal methods applied), so each frame draws on its own.
struct GifFrame {
    RgbaImage image;
    int delayMs = 0;  // display time from the graphic control extension
};

// A GIF picture with all its frames, transparency and loop count. Decoded at load
// with giflib.
class TGifImage : public TPicture {
public:
    // Loop count when the file has no looping extension: the animation plays once.
    static constexpr int kNoLoopExtension = -1;

    void LoadFromBuffer(ByteSpan data) override;
    bool Empty() const override { return m_frames.empty(); }
    int Width() const override { return m_width; }
    int Height() const override { return m_height; }

    const std::vector<GifFrame> &Frames() const { return m_frames; }
    // Repeat count of the looping extension: 0 repeats without end, kNoLoopExtension
    // when the file has no such extension.
    int LoopCount() const { return m_loopCount; }

private:
    int m_width = 0;
    int m_height = 0;
    int m_loopCount = kNoLoopExtension;
    std::vector<GifFrame> m_frames;
};

}  // namespace quenbo
