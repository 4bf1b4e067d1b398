#include "picture_test_support.h"
#include "pictures/bitmap.h"
#include "pictures/picture_writers.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace quenbo {
namespace {

using test::Bytes;
using test::Pixel;
using namespace test::colours;  // T where run-length data skipped pixels

// The fields of a bitmap file that the cases vary; the rest is derived.
struct BmpSpec {
    std::uint32_t headerSize = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint32_t bitsPerPixel = 24;
    std::uint32_t compression = 0;
    std::uint32_t coloursUsed = 0;
    std::vector<std::uint32_t> masks{};    // after a 40-byte header, else inside the header
    std::vector<std::uint32_t> palette{};  // 0xRRGGBB
    std::vector<std::uint8_t> pixels{};    // as stored in the file
};

std::vector<std::uint8_t> buildBmp(const BmpSpec &s)
{
    Bytes header;
    if (s.headerSize == 12) {
        header.u32le(12).u16le(std::uint32_t(s.width)).u16le(std::uint32_t(s.height));
        header.u16le(1).u16le(s.bitsPerPixel);
    } else {
        header.u32le(s.headerSize).u32le(std::uint32_t(s.width)).u32le(std::uint32_t(s.height));
        header.u16le(1).u16le(s.bitsPerPixel).u32le(s.compression);
        header.u32le(std::uint32_t(s.pixels.size())).u32le(2835).u32le(2835);
        header.u32le(s.coloursUsed).u32le(0);
        for (std::uint32_t mask : s.masks)
            header.u32le(mask);
        if (s.headerSize > 40)
            header.zeros(s.headerSize - header.size());
    }
    Bytes palette;
    for (std::uint32_t colour : s.palette) {
        palette.u8(colour).u8(colour >> 8).u8(colour >> 16);
        if (s.headerSize != 12)
            palette.u8(0);
    }
    const std::uint32_t offset = std::uint32_t(14 + header.size() + palette.size());
    Bytes file;
    file.text("BM").u32le(std::uint32_t(offset + s.pixels.size())).u32le(0).u32le(offset);
    file.append(header.data()).append(palette.data()).append(s.pixels);
    return file.data();
}

struct DecodeCase {
    const char *name;
    BmpSpec spec;
    std::vector<Pixel> expected{};  // top row first
};

const std::vector<DecodeCase> &decodeCases()
{
    static const std::vector<DecodeCase> cases = {
        {"1 bit, bottom-up, padded rows",
         {.width = 3,
          .height = 2,
          .bitsPerPixel = 1,
          .palette = {0x000000, 0xFFFFFF},
          .pixels = {0x20, 0, 0, 0, 0xA0, 0, 0, 0}},
         {W, K, W, K, K, W}},
        {"4 bit, short palette, index beyond it is black",
         {.width = 4,
          .height = 1,
          .bitsPerPixel = 4,
          .coloursUsed = 3,
          .palette = {0xFF0000, 0x00FF00, 0x0000FF},
          .pixels = {0x20, 0x17, 0, 0}},
         {B, R, G, K}},
        {"8 bit, top-down",
         {.width = 2,
          .height = -2,
          .bitsPerPixel = 8,
          .palette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF},
          .pixels = {0, 1, 0, 0, 2, 3, 0, 0}},
         {R, G, B, W}},
        {"RLE8 with literal, run, end of line, delta and end of bitmap",
         {.width = 4,
          .height = 3,
          .bitsPerPixel = 8,
          .compression = 1,
          .palette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF},
          .pixels = {0, 3, 0, 1, 2, 0, 1, 3, 0, 0, 0, 2, 1, 1, 2, 1, 0, 1}},
         {T, G, G, T, T, T, T, T, R, G, B, W}},
        {"RLE4 with run and literal",
         {.width = 6,
          .height = 1,
          .bitsPerPixel = 4,
          .compression = 2,
          .palette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF},
          .pixels = {3, 0x12, 0, 3, 0x30, 0x10, 0, 1}},
         {G, B, G, W, R, G}},
        {"16 bit 5-5-5",
         {.width = 2, .height = 1, .bitsPerPixel = 16, .pixels = {0x00, 0x7C, 0x1F, 0x00}},
         {R, B}},
        {"16 bit bitfields 5-6-5",
         {.width = 2,
          .height = 1,
          .bitsPerPixel = 16,
          .compression = 3,
          .masks = {0xF800, 0x07E0, 0x001F},
          .pixels = {0xE0, 0x07, 0xFF, 0xFF}},
         {G, W}},
        {"24 bit, rows padded to four bytes",
         {.width = 1, .height = 2, .pixels = {0, 0, 0xFF, 0, 0xFF, 0, 0, 0}},
         {B, R}},
        {"32 bit without alpha: an all-zero fourth byte means opaque",
         {.width = 2, .height = 1, .bitsPerPixel = 32, .pixels = {0, 0, 0xFF, 0, 0xFF, 0, 0, 0}},
         {R, B}},
        {"32 bit with alpha in the fourth byte",
         {.width = 2, .height = 1, .bitsPerPixel = 32, .pixels = {0, 0, 0xFF, 0x80, 0xFF, 0, 0, 0}},
         {0xFF000080, 0x0000FF00}},
        {"old core header, three-byte palette",
         {.headerSize = 12,
          .width = 2,
          .height = 1,
          .bitsPerPixel = 8,
          .palette = {0xFF0000, 0x00FF00},
          .pixels = {1, 0, 0, 0}},
         {G, R}},
        {"V5 header, bitfields with an alpha mask",
         {.headerSize = 124,
          .width = 1,
          .height = 1,
          .bitsPerPixel = 32,
          .compression = 3,
          .masks = {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF},
          .pixels = {0x44, 0x33, 0x22, 0x11}},
         {0x33221144}},
    };
    return cases;
}

TEST(TBitmap, DecodesEachStorageForm)
{
    for (const DecodeCase &c : decodeCases()) {
        SCOPED_TRACE(c.name);
        TBitmap bitmap;
        ASSERT_NO_THROW(bitmap.LoadFromBuffer(buildBmp(c.spec)));
        EXPECT_EQ(bitmap.Width(), c.spec.width);
        EXPECT_EQ(bitmap.Height(), std::abs(c.spec.height));
        EXPECT_EQ(test::pixelsOf(bitmap.Image()), c.expected);
    }
}

TEST(TBitmap, RoundTripsThroughTheWriter)
{
    struct Case {
        const char *name;
        RgbaImage image;
        std::uint32_t bitsPerPixel;
    };
    const Case cases[] = {
        {"opaque, odd width", test::gradientImage(7, 5, false), 24},
        {"single pixel", test::gradientImage(1, 1, false), 24},
        {"alpha", test::gradientImage(9, 4, true), 32},
        {"fully transparent", test::makeImage(3, 3, [](int, int) { return T; }), 32},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> file = EncodeBmp(c.image);
        EXPECT_EQ(file[28], c.bitsPerPixel);
        TBitmap bitmap;
        ASSERT_NO_THROW(bitmap.LoadFromBuffer(file));
        EXPECT_EQ(test::pixelsOf(bitmap.Image()), test::pixelsOf(c.image));
    }
}

TEST(TBitmap, RefusesMalformedFilesAndStaysEmpty)
{
    const std::vector<std::uint8_t> good = EncodeBmp(test::gradientImage(5, 4, false));
    BmpSpec wrongHeader;
    wrongHeader.headerSize = 20;
    BmpSpec bitfields24;
    bitfields24.compression = 3;
    BmpSpec jpegInside;
    jpegInside.compression = 4;
    BmpSpec rle8With4Bits{
        .width = 2, .bitsPerPixel = 4, .compression = 1, .palette = {0, 0}, .pixels = {2, 0, 0, 1}};
    BmpSpec rleWithoutEnd{.width = 4,
                          .height = 2,
                          .bitsPerPixel = 8,
                          .compression = 1,
                          .palette = {0},
                          .pixels = {4, 0, 0, 0}};
    BmpSpec literalPastEnd{
        .width = 8, .bitsPerPixel = 8, .compression = 1, .palette = {0}, .pixels = {0, 8, 1, 2}};
    std::vector<std::uint8_t> offsetPastEnd = good;
    offsetPastEnd[10] = 0xFF;
    offsetPastEnd[11] = 0xFF;

    const test::RefusedFile cases[] = {
        {"empty", {}},
        {"not a bitmap", {'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"cut in the file header", test::prefix(good, 10)},
        {"cut in the info header", test::prefix(good, 30)},
        {"cut before the pixels", test::prefix(good, 54)},
        {"cut in the last row", test::prefix(good, good.size() - 1)},
        {"pixel offset past the end", offsetPastEnd},
        {"unknown header size", buildBmp(wrongHeader)},
        {"bitfields with 24 bits", buildBmp(bitfields24)},
        {"embedded JPEG", buildBmp(jpegInside)},
        {"RLE8 with 4 bits a pixel", buildBmp(rle8With4Bits)},
        {"run-length data ends early", buildBmp(rleWithoutEnd)},
        {"run-length literal past the end", buildBmp(literalPastEnd)},
    };
    test::expectRefusedAndCleared<TBitmap>(
        good, cases, [](const TBitmap &bitmap) { EXPECT_TRUE(bitmap.Image().pixels.empty()); });
}

TEST(TBitmap, RefusesHostileSizesBeforeAllocating)
{
    const BmpSpec cases[] = {
        {.width = 100000, .height = 100000},
        {.width = 16384, .height = 16384, .bitsPerPixel = 8, .palette = {0}},
        {.width = -5, .height = 5},
        {.width = 5, .height = INT32_MIN},
        {.width = 16384,
         .height = 2442,
         .bitsPerPixel = 8,
         .compression = 1,
         .palette = {0},
         .pixels = {0, 1}},
    };
    std::vector<test::RefusedFile> files;
    for (const BmpSpec &spec : cases)
        files.push_back(
            {std::to_string(spec.width) + "x" + std::to_string(spec.height), buildBmp(spec)});
    test::expectRefusedBeforeAllocating<TBitmap>(files);
}

}  // namespace
}  // namespace quenbo
