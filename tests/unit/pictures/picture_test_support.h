#pragma once

#include "pictures/picture.h"

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace quenbo::test {

// A pixel as 0xRRGGBBAA, so expected pictures read as plain numbers.
using Pixel = std::uint32_t;

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

}  // namespace quenbo::test
