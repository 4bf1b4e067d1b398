#include "pictures/bitmap.h"

#include <algorithm>
#include <array>
#include <bit>
#include <string>

namespace quenbo {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;

using Rgba = std::array<std::uint8_t, 4>;

// Raises PictureError unless [offset, offset + length) lies inside the file.
void need(ByteSpan data, std::uint64_t offset, std::uint64_t length, const char *what)
{
    if (offset > data.size() || length > data.size() - offset)
        throw PictureError(std::string("bitmap truncated in ") + what);
}

std::uint32_t le16(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
}

std::uint32_t le32(const std::uint8_t *p)
{
    return le16(p) | le16(p + 2) << 16;
}

std::uint32_t u16(ByteSpan data, std::size_t offset)
{
    return le16(data.data() + offset);
}

std::uint32_t u32(ByteSpan data, std::size_t offset)
{
    return le32(data.data() + offset);
}

// One colour channel of a 16- or 32-bit pixel, scaled to 8 bits whatever the mask's width.
class Channel {
public:
    explicit Channel(std::uint32_t mask)
        : m_mask(mask)
        , m_shift(mask ? std::countr_zero(mask) : 0)
        , m_max(mask >> m_shift)
    {
    }
    bool present() const { return m_mask != 0; }
    std::uint8_t operator()(std::uint32_t pixel) const
    {
        if (m_max == 0)
            return 0;
        const std::uint64_t value = (pixel & m_mask) >> m_shift;
        return std::uint8_t((value * 255 + m_max / 2) / m_max);
    }

private:
    std::uint32_t m_mask;
    int m_shift;
    std::uint32_t m_max;
};

struct Header {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool topDown = false;
    std::uint32_t bitsPerPixel = 0;
    std::uint32_t compression = kBiRgb;
    std::array<std::uint32_t, 4> masks{};  // red, green, blue, alpha
    std::size_t paletteOffset = 0;
    std::size_t paletteEntrySize = 4;
    std::uint64_t paletteCount = 0;
    std::uint64_t pixelOffset = 0;
};

bool isSupported(const Header &h)
{
    switch (h.compression) {
    case kBiRgb:
        return h.bitsPerPixel == 1 || h.bitsPerPixel == 4 || h.bitsPerPixel == 8 ||
               h.bitsPerPixel == 16 || h.bitsPerPixel == 24 || h.bitsPerPixel == 32;
    case kBiRle8:
        return h.bitsPerPixel == 8;
    case kBiRle4:
        return h.bitsPerPixel == 4;
    case kBiBitfields:
    case kBiAlphaBitfields:
        return h.bitsPerPixel == 16 || h.bitsPerPixel == 32;
    default:
        return false;
    }
}

Header readHeader(ByteSpan data)
{
    need(data, 0, kFileHeaderSize + 4, "file header");
    if (data[0] != 'B' || data[1] != 'M')
        throw PictureError("not a bitmap (no BM signature)");
    Header h;
    h.pixelOffset = u32(data, 10);
    const std::uint32_t headerSize = u32(data, kFileHeaderSize);
    const std::size_t at = kFileHeaderSize;
    std::uint64_t maskBytes = 0;
    if (headerSize == kCoreHeaderSize) {
        need(data, at, headerSize, "core header");
        h.width = u16(data, at + 4);
        h.height = u16(data, at + 6);
        h.bitsPerPixel = u16(data, at + 10);
        h.paletteEntrySize = 3;
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 ||
               headerSize == 124) {
        need(data, at, headerSize, "info header");
        h.width = std::int32_t(u32(data, at + 4));
        h.height = std::int32_t(u32(data, at + 8));
        h.bitsPerPixel = u16(data, at + 14);
        h.compression = u32(data, at + 16);
        h.paletteCount = u32(data, at + 32);
        const bool bitfields = h.compression == kBiBitfields || h.compression == kBiAlphaBitfields;
        if (bitfields) {
            // Masks follow a plain info header; later headers carry them inside, the alpha
            // mask from the 56-byte header on.
            const bool withAlpha = headerSize >= 56 || (headerSize == kInfoHeaderSize &&
                                                        h.compression == kBiAlphaBitfields);
            const int maskCount = withAlpha ? 4 : 3;
            const std::size_t maskAt = at + kInfoHeaderSize;
            if (headerSize == kInfoHeaderSize) {
                maskBytes = std::uint64_t(maskCount) * 4;
                need(data, maskAt, maskBytes, "colour masks");
            }
            for (int i = 0; i < maskCount; ++i)
                h.masks[i] = u32(data, maskAt + std::size_t(i) * 4);
        }
    } else {
        throw PictureError("unsupported bitmap header size " + std::to_string(headerSize));
    }
    if (h.height < 0) {
        h.topDown = true;
        h.height = -h.height;
    }
    if (!isSupported(h))
        throw PictureError("unsupported bitmap format: " + std::to_string(h.bitsPerPixel) +
                           " bits, compression " + std::to_string(h.compression));
    CheckPictureSize(h.width, h.height);

    h.paletteOffset = kFileHeaderSize + headerSize + maskBytes;
    if (h.bitsPerPixel <= 8) {
        const std::uint64_t full = std::uint64_t(1) << h.bitsPerPixel;
        if (h.paletteCount == 0 || h.paletteCount > full)
            h.paletteCount = full;
        // Old writers often store fewer entries than the depth allows; the colours
        // missing before the pixel data are taken as black.
        if (h.pixelOffset > h.paletteOffset)
            h.paletteCount =
                std::min(h.paletteCount, (h.pixelOffset - h.paletteOffset) / h.paletteEntrySize);
    } else {
        h.paletteCount = 0;
    }
    if (h.pixelOffset == 0)
        h.pixelOffset = h.paletteOffset + h.paletteCount * h.paletteEntrySize;
    return h;
}

std::array<Rgba, 256> readPalette(ByteSpan data, const Header &h)
{
    std::array<Rgba, 256> palette;
    palette.fill({0, 0, 0, 255});
    need(data, h.paletteOffset, h.paletteCount * h.paletteEntrySize, "palette");
    for (std::size_t i = 0; i < h.paletteCount; ++i) {
        const std::uint8_t *entry = data.data() + h.paletteOffset + i * h.paletteEntrySize;
        palette[i] = {entry[2], entry[1], entry[0], 255};
    }
    return palette;
}

void putPixel(std::uint8_t *dst, const Rgba &colour)
{
    dst[0] = colour[0];
    dst[1] = colour[1];
    dst[2] = colour[2];
    dst[3] = colour[3];
}

void decodeIndexedRow(const std::uint8_t *src, std::uint8_t *dst, int width, unsigned bits,
                      const std::array<Rgba, 256> &palette)
{
    const unsigned perByte = 8 / bits;
    const unsigned valueMask = (1u << bits) - 1;
    for (int x = 0; x < width; ++x) {
        const unsigned shift = 8 - bits * (unsigned(x) % perByte + 1);
        const unsigned index = (src[unsigned(x) / perByte] >> shift) & valueMask;
        putPixel(dst + std::size_t(x) * 4, palette[index]);
    }
}

RgbaImage decodeUncompressed(ByteSpan data, const Header &h)
{
    // Rows are padded to 32 bits. All of them must be there before any pixel is allocated.
    const std::uint64_t stride = ((std::uint64_t(h.width) * h.bitsPerPixel + 31) / 32) * 4;
    need(data, h.pixelOffset, stride * std::uint64_t(h.height), "pixel data");
    const auto palette = readPalette(data, h);
    RgbaImage image;
    image.allocate(int(h.width), int(h.height));
    const bool plain32 = h.compression == kBiRgb && h.bitsPerPixel == 32;
    std::array<std::uint32_t, 4> masks = h.masks;
    if (h.compression == kBiRgb)
        masks = h.bitsPerPixel == 16
                    ? std::array<std::uint32_t, 4>{0x7C00, 0x03E0, 0x001F, 0}
                    : std::array<std::uint32_t, 4>{0xFF0000, 0xFF00, 0xFF, 0xFF000000u};
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
    bool anyAlpha = false;

    for (int row = 0; row < image.height; ++row) {
        const std::uint8_t *src = data.data() + h.pixelOffset + std::size_t(row) * stride;
        std::uint8_t *dst = image.row(h.topDown ? row : image.height - 1 - row);
        if (h.bitsPerPixel <= 8) {
            decodeIndexedRow(src, dst, image.width, h.bitsPerPixel, palette);
            continue;
        }
        for (int x = 0; x < image.width; ++x, dst += 4) {
            if (h.bitsPerPixel == 24) {
                const std::uint8_t *p = src + std::size_t(x) * 3;
                putPixel(dst, {p[2], p[1], p[0], 255});
                continue;
            }
            const std::uint32_t pixel = h.bitsPerPixel == 16 ? le16(src + std::size_t(x) * 2)
                                                             : le32(src + std::size_t(x) * 4);
            dst[0] = red(pixel);
            dst[1] = green(pixel);
            dst[2] = blue(pixel);
            dst[3] = alpha.present() ? alpha(pixel) : 255;
            anyAlpha = anyAlpha || dst[3] != 0;
        }
    }
    // Most writers of plain 32-bit bitmaps leave the fourth byte zero: that means opaque.
    if (plain32 && !anyAlpha) {
        for (std::size_t i = 3; i < image.pixels.size(); i += 4)
            image.pixels[i] = 255;
    }
    return image;
}

// Run-length encoded 8- or 4-bit data. Pixels that the runs skip stay transparent.
RgbaImage decodeRunLength(ByteSpan data, const Header &h)
{
    need(data, h.pixelOffset, 0, "pixel data");
    const auto palette = readPalette(data, h);
    RgbaImage image;
    image.allocate(int(h.width), int(h.height));
    const bool fourBit = h.compression == kBiRle4;
    std::size_t pos = h.pixelOffset;
    std::int64_t x = 0;
    std::int64_t row = 0;
    auto put = [&](unsigned index) {
        if (x < image.width && row < image.height) {
            const int y = int(h.topDown ? row : image.height - 1 - row);
            putPixel(image.row(y) + std::size_t(x) * 4, palette[index]);
        }
        ++x;
    };
    auto nibble = [&](std::uint8_t byte, unsigned i) -> unsigned {
        return fourBit ? (i % 2 ? byte & 0x0F : byte >> 4) : byte;
    };

    while (row < image.height) {
        need(data, pos, 2, "run-length data");
        const std::uint8_t count = data[pos];
        const std::uint8_t value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i)
                put(nibble(value, i));
        } else if (value == 0) {
            x = 0;
            ++row;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            need(data, pos, 2, "run-length delta");
            x += data[pos];
            row += data[pos + 1];
            pos += 2;
        } else {
            const std::size_t bytes = fourBit ? (value + 1u) / 2 : value;
            const std::size_t padded = (bytes + 1) & ~std::size_t(1);
            need(data, pos, padded, "run-length literal");
            for (unsigned i = 0; i < value; ++i)
                put(nibble(data[pos + (fourBit ? i / 2 : i)], i));
            pos += padded;
        }
    }
    return image;
}

}  // namespace

void TBitmap::LoadFromBuffer(ByteSpan data)
{
    m_image = RgbaImage();
    const Header header = readHeader(data);
    const bool runLength = header.compression == kBiRle8 || header.compression == kBiRle4;
    m_image = runLength ? decodeRunLength(data, header) : decodeUncompressed(data, header);
}

}  // namespace quenbo
