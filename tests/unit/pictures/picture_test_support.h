#pragma once

#include "pictures/picture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quenbo::test {

// A pixel as 0xRRGGBBAA, so expected pictures read as plain numbers.
using Pixel = std::uint32_t;

// The plain colours the expected pictures are written in.
namespace colours {
inline constexpr Pixel K = 0x000000FF;  // opaque black
inline constexpr Pixel W = 0xFFFFFFFF;
inline constexpr Pixel R = 0xFF0000FF;
inline constexpr Pixel G = 0x00FF00FF;
inline constexpr Pixel B = 0x0000FFFF;
inline constexpr Pixel T = 0x00000000;  // transparent
}  // namespace colours

RgbaImage makeImage(int width, int height, const std::function<Pixel(int x, int y)> &colour);
std::vector<Pixel> pixelsOf(const RgbaImage &image);
// Largest difference of any channel of any pixel; the images must have the same size.
int maxChannelDifference(const RgbaImage &a, const RgbaImage &b);
double meanChannelDifference(const RgbaImage &a, const RgbaImage &b);
// A smooth colour picture; withAlpha runs alpha through its whole range as well.
RgbaImage gradientImage(int width, int height, bool withAlpha);

// Builds binary fixtures field by field.
class Bytes {
public:
    Bytes &u8(std::uint32_t v);
    Bytes &u16le(std::uint32_t v);
    Bytes &u32le(std::uint32_t v);
    Bytes &u16be(std::uint32_t v);
    Bytes &u32be(std::uint32_t v);
    Bytes &text(std::string_view s);
    Bytes &append(const std::vector<std::uint8_t> &bytes);
    Bytes &zeros(std::size_t count);
    std::size_t size() const { return m_data.size(); }
    const std::vector<std::uint8_t> &data() const { return m_data; }

private:
    std::vector<std::uint8_t> m_data;
};

std::vector<std::uint8_t> prefix(const std::vector<std::uint8_t> &bytes, std::size_t length);

// Records the largest single heap allocation made while it lives. It relies on
// AddressSanitizer's allocator hooks; in a build without them available() is false.
class AllocationWatch {
public:
    AllocationWatch();
    ~AllocationWatch();
    AllocationWatch(const AllocationWatch &) = delete;
    AllocationWatch &operator=(const AllocationWatch &) = delete;

    bool available() const;
    std::size_t largest() const;
};

// Allocations above this show that a decoder trusted a hostile size.
inline constexpr std::size_t kModestAllocation = 4 * 1024 * 1024;

// A file a decoder must refuse, with the name its failures are reported under.
struct RefusedFile {
    std::string name;
    std::vector<std::uint8_t> bytes{};
};

// Loads good into a picture of the kind, then each file over it: every one raises
// PictureError and leaves the picture empty and 0 x 0; checkCleared looks at what else a
// picture of the kind must have dropped.
template <class Picture, class CheckCleared>
void expectRefusedAndCleared(const std::vector<std::uint8_t> &good,
                             std::span<const RefusedFile> files, CheckCleared checkCleared)
{
    for (const RefusedFile &file : files) {
        SCOPED_TRACE(file.name);
        Picture picture;
        picture.LoadFromBuffer(good);
        EXPECT_THROW(picture.LoadFromBuffer(file.bytes), PictureError);
        EXPECT_TRUE(picture.Empty());
        EXPECT_EQ(picture.Width(), 0);
        EXPECT_EQ(picture.Height(), 0);
        checkCleared(picture);
    }
}

// Loads each file into a fresh picture of the kind: every one raises PictureError before any
// allocation beyond kModestAllocation and leaves the picture empty.
template <class Picture> void expectRefusedBeforeAllocating(std::span<const RefusedFile> files)
{
    for (const RefusedFile &file : files) {
        SCOPED_TRACE(file.name);
        Picture picture;
        AllocationWatch watch;
        EXPECT_THROW(picture.LoadFromBuffer(file.bytes), PictureError);
        if (watch.available()) {
            EXPECT_LT(watch.largest(), kModestAllocation);
        }
        EXPECT_TRUE(picture.Empty());
    }
}

}  // namespace quenbo::test
