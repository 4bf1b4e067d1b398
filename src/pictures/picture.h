#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

// Picture objects decode themselves from an in-memory buffer into plain RGBA pixels.
// Nothing here knows about Qt: the user interface wraps RgbaImage into a QImage.

namespace quenbo {

// Raised by every decoder for data it cannot or will not decode.
class PictureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Largest picture any decoder accepts; beyond these a decoder raises PictureError
// before it allocates pixel memory.
inline constexpr int kMaxPictureSide = 16384;
inline constexpr std::int64_t kMaxPicturePixels = 40'000'000;

// Throws PictureError when width x height is empty or beyond the caps above.
void CheckPictureSize(std::int64_t width, std::int64_t height);

// Unpremultiplied 8-bit RGBA pixels, rows top to bottom, 4 bytes a pixel, no row padding.
struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    bool empty() const { return width == 0 || height == 0; }
    // Allocates width x height transparent black pixels (checked against the caps).
    void allocate(int w, int h);
    std::uint8_t *row(int y) { return pixels.data() + std::size_t(y) * std::size_t(width) * 4; }
    const std::uint8_t *row(int y) const
    {
        return pixels.data() + std::size_t(y) * std::size_t(width) * 4;
    }
};

using ByteSpan = std::span<const std::uint8_t>;

// Common face of the four picture kinds. LoadFromBuffer replaces the content or raises
// PictureError; after a failed load the object is empty.
class TPicture {
public:
    virtual ~TPicture() = default;
    virtual void LoadFromBuffer(ByteSpan data) = 0;
    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
};

// A picture decoded whole at load into one image; a subclass's LoadFromBuffer sets m_image.
class TDecodedPicture : public TPicture {
public:
    bool Empty() const override { return m_image.empty(); }
    int Width() const override { return m_image.width; }
    int Height() const override { return m_image.height; }

    const RgbaImage &Image() const { return m_image; }

protected:
    RgbaImage m_image;
};

}  // namespace quenbo
