#include "picture_test_support.h"
#include "pictures/jpeg_image.h"
#include "pictures/picture_writers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace quenbo {
namespace {

using test::Bytes;

// Compresses raw samples with libjpeg itself, for the colour spaces our writer does not
// produce. CMYK samples are stored inverted, as Photoshop writes them with its marker.
std::vector<std::uint8_t> compressJpeg(int width, int height, int components, J_COLOR_SPACE space,
                                       std::vector<std::uint8_t> samples, bool progressive)
{
    jpeg_compress_struct codec{};
    jpeg_error_mgr error{};
    codec.err = jpeg_std_error(&error);
    jpeg_create_compress(&codec);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&codec, &buffer, &size);
    codec.image_width = JDIMENSION(width);
    codec.image_height = JDIMENSION(height);
    codec.input_components = components;
    codec.in_color_space = space;
    jpeg_set_defaults(&codec);
    jpeg_set_quality(&codec, 95, TRUE);
    if (progressive)
        jpeg_simple_progression(&codec);
    jpeg_start_compress(&codec, TRUE);
    while (codec.next_scanline < codec.image_height) {
        JSAMPROW row = samples.data() + std::size_t(codec.next_scanline) * width * components;
        jpeg_write_scanlines(&codec, &row, 1);
    }
    jpeg_finish_compress(&codec);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&codec);
    std::free(buffer);
    return out;
}

// Start of image, a baseline frame header and a scan header, with no tables: libjpeg
// accepts it as a header and fails only when it decodes.
std::vector<std::uint8_t> headerOnlyJpeg(std::uint32_t width, std::uint32_t height)
{
    Bytes b;
    b.u16be(0xFFD8);
    b.u16be(0xFFC0).u16be(11).u8(8).u16be(height).u16be(width).u8(1).u8(1).u8(0x11).u8(0);
    b.u16be(0xFFDA).u16be(8).u8(1).u8(1).u8(0x00).u8(0).u8(63).u8(0);
    b.zeros(16).u16be(0xFFD9);
    return b.data();
}

std::size_t startOfScan(const std::vector<std::uint8_t> &jpeg)
{
    const std::uint8_t marker[] = {0xFF, 0xDA};
    return std::size_t(std::search(jpeg.begin(), jpeg.end(), marker, marker + 2) - jpeg.begin());
}

TEST(CheckJpegHeader, AcceptsAGoodHeaderAndReportsItsSize)
{
    const std::vector<std::uint8_t> good = EncodeJpeg(test::gradientImage(33, 17, false));
    int width = 0;
    int height = 0;
    EXPECT_NO_THROW(CheckJpegHeader(good, &width, &height));
    EXPECT_EQ(width, 33);
    EXPECT_EQ(height, 17);
    EXPECT_NO_THROW(CheckJpegHeader(headerOnlyJpeg(5, 6)));
}

TEST(CheckJpegHeader, RefusesWhatIsNotAJpegHeader)
{
    const std::vector<std::uint8_t> good = EncodeJpeg(test::gradientImage(8, 8, false));
    const struct {
        const char *name;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"empty", {}},
        {"text", Bytes().text("<html>not found</html>").data()},
        {"PNG signature", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0}},
        {"start of image only", {0xFF, 0xD8}},
        {"tables only", Bytes().u16be(0xFFD8).u16be(0xFFD9).data()},
        {"cut before the start of scan", test::prefix(good, startOfScan(good))},
        {"cut in the quantisation tables", test::prefix(good, 30)},
        {"frame of zero width", headerOnlyJpeg(0, 8)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(CheckJpegHeader(c.bytes), PictureError);
    }
}

TEST(TJpegImage, KeepsTheBytesAndDecodesOnFirstUseOnly)
{
    const RgbaImage source = test::gradientImage(32, 24, false);
    const std::vector<std::uint8_t> file = EncodeJpeg(source, 95);
    TJpegImage jpeg;
    jpeg.LoadFromBuffer(file);
    EXPECT_FALSE(jpeg.Empty());
    EXPECT_EQ(jpeg.Bytes(), file);
    EXPECT_EQ(jpeg.Width(), 32);
    EXPECT_EQ(jpeg.Height(), 24);
    EXPECT_FALSE(jpeg.IsDecoded());

    const RgbaImage &decoded = jpeg.Decoded();
    EXPECT_TRUE(jpeg.IsDecoded());
    EXPECT_EQ(&jpeg.Decoded(), &decoded);
    EXPECT_LE(test::maxChannelDifference(decoded, source), 16);

    jpeg.LoadFromBuffer(file);
    EXPECT_FALSE(jpeg.IsDecoded());
}

TEST(TJpegImage, TakesAnEmptyBufferAsAnEmptyPicture)
{
    TJpegImage jpeg;
    jpeg.LoadFromBuffer(EncodeJpeg(test::gradientImage(4, 4, false)));
    EXPECT_NO_THROW(jpeg.LoadFromBuffer({}));
    EXPECT_TRUE(jpeg.Empty());
    EXPECT_EQ(jpeg.Width(), 0);
    EXPECT_TRUE(jpeg.Decoded().empty());
}

TEST(TJpegImage, DecodesGreyscaleCmykAndProgressiveFiles)
{
    constexpr int kSide = 16;
    std::vector<std::uint8_t> grey(kSide * kSide);
    for (std::size_t i = 0; i < grey.size(); ++i)
        grey[i] = std::uint8_t(i % kSide * 16);
    std::vector<std::uint8_t> cmykRed(kSide * kSide * 4);
    for (std::size_t i = 0; i < cmykRed.size(); i += 4) {
        // No cyan, full magenta and yellow, no black; stored inverted.
        cmykRed[i] = 255;
        cmykRed[i + 1] = 0;
        cmykRed[i + 2] = 0;
        cmykRed[i + 3] = 255;
    }
    const RgbaImage gradient = test::gradientImage(kSide, kSide, false);
    std::vector<std::uint8_t> rgb;
    for (std::size_t i = 0; i < gradient.pixels.size(); i += 4)
        rgb.insert(rgb.end(), gradient.pixels.begin() + std::ptrdiff_t(i),
                   gradient.pixels.begin() + std::ptrdiff_t(i) + 3);

    const struct {
        const char *name;
        std::vector<std::uint8_t> file;
        RgbaImage expected;
    } cases[] = {
        {"greyscale", compressJpeg(kSide, kSide, 1, JCS_GRAYSCALE, grey, false),
         test::makeImage(kSide, kSide,
                         [&](int x, int y) {
                             const test::Pixel v = grey[std::size_t(y * kSide + x)];
                             return v << 24 | v << 16 | v << 8 | 0xFF;
                         })},
        {"CMYK with Adobe marker", compressJpeg(kSide, kSide, 4, JCS_CMYK, cmykRed, false),
         test::makeImage(kSide, kSide, [](int, int) { return test::Pixel(0xFF0000FF); })},
        {"progressive", compressJpeg(kSide, kSide, 3, JCS_RGB, rgb, true), gradient},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TJpegImage jpeg;
        ASSERT_NO_THROW(jpeg.LoadFromBuffer(c.file));
        const RgbaImage &decoded = jpeg.Decoded();
        EXPECT_LE(test::maxChannelDifference(decoded, c.expected), 16);
        for (std::size_t i = 3; i < decoded.pixels.size(); i += 4)
            ASSERT_EQ(decoded.pixels[i], 255);
    }
}

TEST(TJpegImage, FailedLoadLeavesTheObjectEmpty)
{
    const std::vector<std::uint8_t> good = EncodeJpeg(test::gradientImage(8, 8, false));
    for (std::size_t length :
         {std::size_t(1), std::size_t(2), std::size_t(25), startOfScan(good)}) {
        SCOPED_TRACE(length);
        TJpegImage jpeg;
        jpeg.LoadFromBuffer(good);
        (void)jpeg.Decoded();
        EXPECT_THROW(jpeg.LoadFromBuffer(test::prefix(good, length)), PictureError);
        EXPECT_TRUE(jpeg.Empty());
        EXPECT_TRUE(jpeg.Bytes().empty());
        EXPECT_EQ(jpeg.Width(), 0);
        EXPECT_EQ(jpeg.Height(), 0);
        EXPECT_FALSE(jpeg.IsDecoded());
    }
}

TEST(TJpegImage, DecodesACutScanWithWhatIsThere)
{
    const std::vector<std::uint8_t> good = EncodeJpeg(test::gradientImage(64, 64, false));
    TJpegImage jpeg;
    ASSERT_NO_THROW(jpeg.LoadFromBuffer(test::prefix(good, startOfScan(good) + 40)));
    const RgbaImage &decoded = jpeg.Decoded();
    EXPECT_EQ(decoded.width, 64);
    EXPECT_EQ(decoded.height, 64);
}

TEST(TJpegImage, UndecodableDataFailsAtEachDecodeAndKeepsTheBytes)
{
    const std::vector<std::uint8_t> file = headerOnlyJpeg(8, 8);
    TJpegImage jpeg;
    ASSERT_NO_THROW(jpeg.LoadFromBuffer(file));
    EXPECT_THROW((void)jpeg.Decoded(), PictureError);
    EXPECT_THROW((void)jpeg.Decoded(), PictureError);
    EXPECT_FALSE(jpeg.IsDecoded());
    EXPECT_EQ(jpeg.Bytes(), file);
}

TEST(TJpegImage, DecodesReducedToTheSmallestScaleThatCoversTheSize)
{
    const struct {
        int width, height;  // the picture
        int wantWidth, wantHeight;
        int gotWidth, gotHeight;  // the smallest eighth-scale at least as large, or full size
    } cases[] = {
        {310, 310, 80, 80, 117, 117},  // 3/8; 2/8 would give 78
        {320, 160, 80, 40, 80, 40},    // exactly 2/8
        {64, 48, 80, 80, 64, 48},      // smaller than asked: full size
        {400, 100, 50, 80, 350, 88},   // 7/8, for the height
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        const RgbaImage source = test::gradientImage(c.width, c.height, false);
        TJpegImage jpeg;
        jpeg.LoadFromBuffer(EncodeJpeg(source, 95));
        const RgbaImage reduced = jpeg.DecodeReduced(c.wantWidth, c.wantHeight);
        EXPECT_EQ(reduced.width, c.gotWidth);
        EXPECT_EQ(reduced.height, c.gotHeight);
        // The same picture, only smaller: its corners keep the source's colours.
        const auto corner = [](const RgbaImage &image, int x, int y) {
            return int(image.row(y * (image.height - 1))[x * (image.width - 1) * 4]);
        };
        for (int x = 0; x < 2; ++x)
            for (int y = 0; y < 2; ++y)
                EXPECT_NEAR(corner(reduced, x, y), corner(source, x, y), 24);
        EXPECT_FALSE(jpeg.IsDecoded());
    }
}

TEST(TJpegImage, DecodesReducedEmptyAndUndecodablePicturesAsDecodedDoes)
{
    TJpegImage empty;
    EXPECT_TRUE(empty.DecodeReduced(80, 80).empty());
    TJpegImage broken;
    broken.LoadFromBuffer(headerOnlyJpeg(8, 8));
    EXPECT_THROW((void)broken.DecodeReduced(80, 80), PictureError);
}

TEST(TJpegImage, DecodesOnlyTheTopLeftRegionAtFullScale)
{
    const RgbaImage source = test::gradientImage(500, 300, false);
    TJpegImage jpeg;
    jpeg.LoadFromBuffer(EncodeJpeg(source, 95));
    const RgbaImage full = jpeg.Decoded();
    const struct {
        int width, height, gotHeight;
    } cases[] = {{220, 220, 220}, {500, 300, 300}, {600, 400, 300}, {30, 9, 9}};
    for (const auto &c : cases) {
        const RgbaImage region = jpeg.DecodeTopLeft(c.width, c.height);
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        ASSERT_EQ(region.height, c.gotHeight);
        ASSERT_GE(region.width, std::min(c.width, 500));
        ASSERT_LE(region.width, 500);
        // The very pixels of the full decode, not a scaled copy.
        for (const int y : {0, c.gotHeight / 2, c.gotHeight - 1})
            for (const int x : {0, std::min(c.width, 500) / 2, std::min(c.width, 500) - 1})
                for (int k = 0; k < 4; ++k)
                    EXPECT_EQ(region.row(y)[x * 4 + k], full.row(y)[x * 4 + k]) << x << "," << y;
    }
    // A file without scan data fails as with Decoded.
    TJpegImage claimed;
    claimed.LoadFromBuffer(headerOnlyJpeg(16384, 2441));
    EXPECT_THROW((void)claimed.DecodeTopLeft(220, 220), PictureError);
    TJpegImage empty;
    EXPECT_TRUE(empty.DecodeTopLeft(220, 220).empty());
}

TEST(TJpegImage, EveryLoadChangesTheLoadSerial)
{
    const std::vector<std::uint8_t> file = EncodeJpeg(test::gradientImage(8, 8, false));
    TJpegImage jpeg;
    const std::uint64_t fresh = jpeg.LoadSerial();
    jpeg.LoadFromBuffer(file);
    const std::uint64_t first = jpeg.LoadSerial();
    jpeg.LoadFromBuffer(file);
    EXPECT_NE(first, fresh);
    EXPECT_NE(jpeg.LoadSerial(), first);
    EXPECT_THROW(jpeg.LoadFromBuffer(headerOnlyJpeg(65500, 65500)), PictureError);
    EXPECT_NE(jpeg.LoadSerial(), first);
}

TEST(TJpegImage, RefusesHostileSizesBeforeAllocating)
{
    std::vector<std::uint8_t> patched = EncodeJpeg(test::gradientImage(8, 8, false));
    const std::uint8_t frameMarker[] = {0xFF, 0xC0};
    const auto frame = std::search(patched.begin(), patched.end(), frameMarker, frameMarker + 2);
    ASSERT_NE(frame, patched.end());
    frame[5] = frame[6] = frame[7] = frame[8] = 0xFF;  // 65535 x 65535

    const test::RefusedFile cases[] = {
        {"patched frame header", patched},
        {"65500 x 65500", headerOnlyJpeg(65500, 65500)},
        {"side over the cap", headerOnlyJpeg(20000, 10)},
        {"pixels over the cap", headerOnlyJpeg(16384, 2442)},
    };
    test::expectRefusedBeforeAllocating<TJpegImage>(cases);
}

}  // namespace
}  // namespace quenbo
