#include "picture_test_support.h"
#include "pictures/picture_writers.h"
#include "pictures/png_image.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

namespace quenbo {
namespace {

using test::Bytes;
using test::Pixel;
using namespace test::colours;

std::vector<std::uint8_t> chunk(std::string_view type, const std::vector<std::uint8_t> &payload)
{
    Bytes body;
    body.text(type).append(payload);
    const uLong crc = crc32(0, body.data().data(), uInt(body.size()));
    return Bytes().u32be(std::uint32_t(payload.size())).append(body.data()).u32be(crc).data();
}

std::vector<std::uint8_t> deflate(const std::vector<std::uint8_t> &raw)
{
    uLongf size = compressBound(uLong(raw.size()));
    std::vector<std::uint8_t> out(size);
    EXPECT_EQ(compress(out.data(), &size, raw.data(), uLong(raw.size())), Z_OK);
    out.resize(size);
    return out;
}

struct PngSpec {
    std::uint32_t width = 1;
    std::uint32_t height = 1;
    int bitDepth = 8;
    int colourType = 0;
    int interlace = 0;
    std::vector<std::uint8_t> palette{};       // PLTE payload
    std::vector<std::uint8_t> transparency{};  // tRNS payload
    std::vector<std::uint8_t> scanlines{};     // filter byte and samples of each row, uncompressed
    std::vector<std::uint8_t> otherChunks{};   // whole chunks placed before the image data
};

std::vector<std::uint8_t> buildPng(const PngSpec &s)
{
    Bytes file;
    file.append({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A});
    file.append(chunk("IHDR", Bytes()
                                  .u32be(s.width)
                                  .u32be(s.height)
                                  .u8(std::uint32_t(s.bitDepth))
                                  .u8(std::uint32_t(s.colourType))
                                  .u8(0)
                                  .u8(0)
                                  .u8(std::uint32_t(s.interlace))
                                  .data()));
    if (!s.palette.empty())
        file.append(chunk("PLTE", s.palette));
    if (!s.transparency.empty())
        file.append(chunk("tRNS", s.transparency));
    file.append(s.otherChunks);
    file.append(chunk("IDAT", deflate(s.scanlines)));
    file.append(chunk("IEND", {}));
    return file.data();
}

TEST(TPngImage, DecodesEveryColourTypeAndDepthToRgba)
{
    const struct {
        const char *name;
        PngSpec spec;
        std::vector<Pixel> expected{};
    } cases[] = {
        {"grey, 1 bit", {.width = 3, .bitDepth = 1, .scanlines = {0, 0b10100000}}, {W, K, W}},
        {"grey, 8 bits", {.width = 2, .scanlines = {0, 0x00, 0x80}}, {K, 0x808080FF}},
        {"grey, 16 bits", {.bitDepth = 16, .scanlines = {0, 0x12, 0x34}}, {0x121212FF}},
        {"grey with alpha", {.colourType = 4, .scanlines = {0, 0x40, 0x80}}, {0x40404080}},
        {"grey with a transparent value",
         {.width = 2, .transparency = {0, 0x80}, .scanlines = {0, 0x80, 0x40}},
         {0x80808000, 0x404040FF}},
        {"RGB, 8 bits", {.colourType = 2, .scanlines = {0, 1, 2, 3}}, {0x010203FF}},
        {"RGB, 16 bits",
         {.bitDepth = 16, .colourType = 2, .scanlines = {0, 0xAB, 0xCD, 0x12, 0x34, 0x56, 0x78}},
         {0xAB1256FF}},
        {"RGBA", {.colourType = 6, .scanlines = {0, 1, 2, 3, 4}}, {0x01020304}},
        {"palette, 4 bits, with tRNS for the first two entries",
         {.width = 3,
          .bitDepth = 4,
          .colourType = 3,
          .palette = {255, 0, 0, 0, 255, 0, 0, 0, 255},
          .transparency = {0x00, 0x80},
          .scanlines = {0, 0x01, 0x20}},
         {0xFF000000, 0x00FF0080, 0x0000FFFF}},
        {"Sub filter",
         {.width = 3, .scanlines = {1, 10, 5, 5}},
         {0x0A0A0AFF, 0x0F0F0FFF, 0x141414FF}},
        {"ancillary chunks are skipped",
         {.scanlines = {0, 0x55},
          .otherChunks = Bytes()
                             .append(chunk("tEXt", Bytes().text("Title").u8(0).text("x").data()))
                             .append(chunk("gAMA", Bytes().u32be(45455).data()))
                             .append(chunk("quBo", {1, 2, 3}))
                             .data()},
         {0x555555FF}},
        {"Adam7 interlaced",
         {.width = 2, .height = 2, .interlace = 1, .scanlines = {0, 0x10, 0, 0x20, 0, 0x30, 0x40}},
         {0x101010FF, 0x202020FF, 0x303030FF, 0x404040FF}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TPngImage png;
        ASSERT_NO_THROW(png.LoadFromBuffer(buildPng(c.spec)));
        EXPECT_EQ(png.Width(), int(c.spec.width));
        EXPECT_EQ(png.Height(), int(c.spec.height));
        EXPECT_EQ(test::pixelsOf(png.Image()), c.expected);
    }
}

TEST(TPngImage, RoundTripsThroughTheWriter)
{
    for (const RgbaImage &image :
         {test::gradientImage(13, 7, true), test::gradientImage(1, 1, false)}) {
        TPngImage png;
        ASSERT_NO_THROW(png.LoadFromBuffer(EncodePng(image)));
        EXPECT_EQ(test::pixelsOf(png.Image()), test::pixelsOf(image));
    }
}

TEST(TPngImage, RefusesMalformedFilesAndStaysEmpty)
{
    const std::vector<std::uint8_t> good = EncodePng(test::gradientImage(32, 32, true));
    std::vector<std::uint8_t> badCrc = good;
    badCrc[29] ^= 0xFF;
    const PngSpec fine{.width = 2, .height = 2, .scanlines = {0, 1, 2, 0, 3, 4}};
    PngSpec paletteMissing = fine;
    paletteMissing.colourType = 3;
    PngSpec rowMissing = fine;
    rowMissing.scanlines.resize(3);

    const test::RefusedFile cases[] = {
        {"empty", {}},
        {"not a PNG", Bytes().text("GIF89a").zeros(30).data()},
        {"cut in the signature", test::prefix(good, 4)},
        {"cut in the header", test::prefix(good, 20)},
        {"cut in the image data", test::prefix(good, good.size() / 2)},
        {"header checksum wrong", badCrc},
        {"palette picture without palette", buildPng(paletteMissing)},
        {"image data one row short", buildPng(rowMissing)},
    };
    test::expectRefusedAndCleared<TPngImage>(
        good, cases, [](const TPngImage &png) { EXPECT_TRUE(png.Image().pixels.empty()); });
}

TEST(TPngImage, RefusesHostileSizesBeforeAllocating)
{
    const std::vector<std::uint8_t> hugeText =
        Bytes().u32be(0x3D000000).text("tEXt").text("Title").data();
    const struct {
        const char *name;
        PngSpec spec;
    } cases[] = {
        {"100000 x 100000", {.width = 100000, .height = 100000}},
        {"16384 x 16384", {.width = 16384, .height = 16384}},
        {"side over the cap", {.width = 16385, .height = 1}},
        {"zero width", {.width = 0, .height = 5}},
        {"width over 2^31", {.width = 0x80000000u, .height = 1}},
        {"text chunk claiming a gigabyte", {.otherChunks = hugeText}},
    };
    std::vector<test::RefusedFile> files;
    for (const auto &c : cases)
        files.push_back({c.name, buildPng(c.spec)});
    test::expectRefusedBeforeAllocating<TPngImage>(files);
}

}  // namespace
}  // namespace quenbo
