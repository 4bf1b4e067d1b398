#include "picture_test_support.h"
#include "pictures/gif_image.h"
#include "pictures/picture_writers.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <string>

namespace quenbo {
namespace {

using test::Bytes;
using test::Pixel;
using namespace test::colours;

// Index of each colour in the fixtures' global table.
enum : GifPixelType { kRed, kGreen, kBlue, kWhite };

struct FrameSpec {
    int left = 0;
    int top = 0;
    int width = 1;
    int height = 1;
    std::vector<GifPixelType> indices{};  // row by row, top first
    int disposal = DISPOSAL_UNSPECIFIED;
    int transparent = NO_TRANSPARENT_COLOR;
    int delayCs = 0;
    bool interlace = false;
};

struct GifSpec {
    int width = 1;
    int height = 1;
    std::string loopApplication{};  // empty: no looping extension
    int loopCount = 0;
    std::vector<FrameSpec> frames{};
};

int appendBytes(GifFileType *gif, const GifByteType *data, int length)
{
    auto *out = static_cast<std::vector<std::uint8_t> *>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

// Writes the fixture with giflib's own encoder, record by record, so that each case can
// place, interlace and dispose its frames freely.
std::vector<std::uint8_t> buildGif(const GifSpec &spec)
{
    std::vector<std::uint8_t> out;
    int error = 0;
    GifFileType *gif = EGifOpen(&out, appendBytes, &error);
    EXPECT_NE(gif, nullptr);
    EGifSetGifVersion(gif, true);
    const GifColorType colours[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    ColorMapObject *global = GifMakeMapObject(4, colours);
    EXPECT_EQ(EGifPutScreenDesc(gif, spec.width, spec.height, 8, 0, global), GIF_OK);
    if (!spec.loopApplication.empty()) {
        const GifByteType count[] = {1, GifByteType(spec.loopCount),
                                     GifByteType(spec.loopCount >> 8)};
        EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
        EGifPutExtensionBlock(gif, 11, spec.loopApplication.data());
        EGifPutExtensionBlock(gif, 3, count);
        EGifPutExtensionTrailer(gif);
    }
    for (const FrameSpec &frame : spec.frames) {
        GraphicsControlBlock control{};
        control.DisposalMode = frame.disposal;
        control.DelayTime = frame.delayCs;
        control.TransparentColor = frame.transparent;
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension);
        EXPECT_EQ(EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height,
                                   frame.interlace, nullptr),
                  GIF_OK);
        std::vector<int> order;
        if (frame.interlace) {
            for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
                for (int y = start; y < frame.height; y += step)
                    order.push_back(y);
        } else {
            for (int y = 0; y < frame.height; ++y)
                order.push_back(y);
        }
        for (int y : order) {
            std::vector<GifPixelType> line(frame.indices.begin() + y * frame.width,
                                           frame.indices.begin() + (y + 1) * frame.width);
            EXPECT_EQ(EGifPutLine(gif, line.data(), frame.width), GIF_OK);
        }
    }
    EXPECT_EQ(EGifCloseFile(gif, &error), GIF_OK);
    GifFreeMapObject(global);
    return out;
}

// A hand-made file: screen, optional 4-colour global table, one image descriptor of the
// given size whose data is a single pixel of index 0, and the trailer.
std::vector<std::uint8_t> rawGif(int screenWidth, int screenHeight, bool globalTable,
                                 int frameWidth, int frameHeight)
{
    Bytes b;
    b.text("GIF89a").u16le(std::uint32_t(screenWidth)).u16le(std::uint32_t(screenHeight));
    b.u8(globalTable ? 0x81 : 0x00).u8(0).u8(0);
    if (globalTable)
        b.u8(255).u8(0).u8(0).u8(0).u8(255).u8(0).u8(0).u8(0).u8(255).u8(255).u8(255).u8(255);
    b.u8(',').u16le(0).u16le(0).u16le(std::uint32_t(frameWidth)).u16le(std::uint32_t(frameHeight));
    b.u8(0);
    // LZW, minimum code size 2: clear (4), pixel 0, end (5), three bits each.
    b.u8(2).u8(2).u8(0x44).u8(0x01).u8(0);
    b.u8(';');
    return b.data();
}

TEST(TGifImage, ComposesFramesWithEachDisposalMethod)
{
    GifSpec spec{.width = 4, .height = 1};
    spec.frames = {
        {.width = 4, .indices = {kRed, kRed, kRed, kRed}, .disposal = DISPOSE_DO_NOT},
        {.left = 1,
         .width = 2,
         .indices = {kGreen, kWhite},
         .disposal = DISPOSE_BACKGROUND,
         .transparent = kWhite},
        {.left = 2, .indices = {kBlue}, .disposal = DISPOSE_PREVIOUS},
        {.indices = {kGreen}, .disposal = DISPOSAL_UNSPECIFIED},
    };
    const std::vector<std::vector<Pixel>> expected = {
        {R, R, R, R},
        {R, G, R, R},  // the transparent index keeps what was below
        {R, T, B, R},  // the previous frame's area was cleared to transparent
        {G, T, T, R},  // the blue pixel was undone
    };
    TGifImage gif;
    ASSERT_NO_THROW(gif.LoadFromBuffer(buildGif(spec)));
    EXPECT_EQ(gif.Width(), 4);
    EXPECT_EQ(gif.Height(), 1);
    ASSERT_EQ(gif.Frames().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        EXPECT_EQ(test::pixelsOf(gif.Frames()[i].image), expected[i]);
    }
}

TEST(TGifImage, ClipsFramesToTheScreenAndUndoesInterlacing)
{
    const std::vector<GifPixelType> column = {kRed,   kGreen, kBlue,  kWhite, kRed,
                                              kGreen, kBlue,  kWhite, kRed,   kGreen};
    const struct {
        const char *name;
        GifSpec spec;
        std::vector<Pixel> expected{};
    } cases[] = {
        {"frame hanging over the right and bottom edges",
         {.width = 4,
          .height = 2,
          .frames = {{.left = 3,
                      .top = 1,
                      .width = 3,
                      .height = 3,
                      .indices = std::vector<GifPixelType>(9, kGreen)}}},
         {T, T, T, T, T, T, T, G}},
        {"frame wholly outside the screen",
         {.width = 2, .height = 1, .frames = {{.left = 5, .top = 5, .indices = {kRed}}}},
         {T, T}},
        {"interlaced frame",
         {.width = 1,
          .height = 10,
          .frames = {{.width = 1, .height = 10, .indices = column, .interlace = true}}},
         {R, G, B, W, R, G, B, W, R, G}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TGifImage gif;
        ASSERT_NO_THROW(gif.LoadFromBuffer(buildGif(c.spec)));
        ASSERT_EQ(gif.Frames().size(), 1u);
        EXPECT_EQ(test::pixelsOf(gif.Frames()[0].image), c.expected);
    }
}

TEST(TGifImage, ReadsLoopCountAndDelays)
{
    const struct {
        const char *name;
        std::string application{};
        int count;
        int expected;
    } cases[] = {
        {"no looping extension", "", 0, TGifImage::kNoLoopExtension},
        {"NETSCAPE2.0 forever", "NETSCAPE2.0", 0, 0},
        {"NETSCAPE2.0 five times", "NETSCAPE2.0", 5, 5},
        {"ANIMEXTS1.0 three times", "ANIMEXTS1.0", 3, 3},
        {"largest count", "NETSCAPE2.0", 65535, 65535},
        {"other application", "XMPDataXMP\x01", 7, TGifImage::kNoLoopExtension},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        GifSpec spec{.loopApplication = c.application, .loopCount = c.count};
        spec.frames = {{.indices = {kRed}, .delayCs = 7}, {.indices = {kBlue}}};
        TGifImage gif;
        ASSERT_NO_THROW(gif.LoadFromBuffer(buildGif(spec)));
        EXPECT_EQ(gif.LoopCount(), c.expected);
        ASSERT_EQ(gif.Frames().size(), 2u);
        EXPECT_EQ(gif.Frames()[0].delayMs, 70);
        EXPECT_EQ(gif.Frames()[1].delayMs, 0);
    }
}

TEST(TGifImage, RoundTripsThroughTheWriter)
{
    auto frame = [](Pixel colour, int delayMs) {
        return GifFrame{test::makeImage(5, 3,
                                        [&](int x, int y) {
                                            if (x == y)
                                                return Pixel(0x12345600);  // alpha 0
                                            if (x == 4)
                                                return Pixel(0x80808090);  // alpha 144
                                            return colour;
                                        }),
                        delayMs};
    };
    const std::vector<GifFrame> frames = {frame(R, 40), frame(0x102030FF, 45), frame(W, 0)};
    for (int loopCount : {TGifImage::kNoLoopExtension, 0, 3}) {
        SCOPED_TRACE(loopCount);
        TGifImage gif;
        ASSERT_NO_THROW(gif.LoadFromBuffer(EncodeGif(frames, loopCount)));
        EXPECT_EQ(gif.LoopCount(), loopCount);
        ASSERT_EQ(gif.Frames().size(), frames.size());
        const int expectedDelays[] = {40, 50, 0};
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const RgbaImage expected = test::makeImage(5, 3, [&](int x, int y) {
                if (x == y)
                    return T;
                return x == 4 ? Pixel(0x808080FF) : test::pixelsOf(frames[i].image)[1];
            });
            EXPECT_EQ(test::pixelsOf(gif.Frames()[i].image), test::pixelsOf(expected));
            EXPECT_EQ(gif.Frames()[i].delayMs, expectedDelays[i]);
        }
    }
}

TEST(TGifImage, RefusesMalformedFilesAndStaysEmpty)
{
    const std::vector<std::uint8_t> good =
        EncodeGif({{test::gradientImage(16, 16, false), 0}}, TGifImage::kNoLoopExtension);
    const test::RefusedFile cases[] = {
        {"empty", {}},
        {"not a GIF", {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0}},
        {"cut in the screen descriptor", test::prefix(good, 8)},
        {"cut in the first extension", test::prefix(good, 16)},
        {"cut in the image data", test::prefix(good, good.size() / 2)},
        {"cut before the data terminator", test::prefix(good, good.size() - 2)},
        {"no frames", buildGif({.width = 3, .height = 3})},
        {"frame without a colour table", rawGif(1, 1, false, 1, 1)},
        {"unknown record", Bytes().text("GIF89a").u16le(1).u16le(1).zeros(3).u8('!' + 1).data()},
    };
    test::expectRefusedAndCleared<TGifImage>(good, cases, [](const TGifImage &gif) {
        EXPECT_EQ(gif.LoopCount(), TGifImage::kNoLoopExtension);
    });
}

TEST(TGifImage, AcceptsAFileThatOnlyLacksItsTrailer)
{
    const std::vector<std::uint8_t> good = rawGif(1, 1, true, 1, 1);
    TGifImage gif;
    ASSERT_NO_THROW(gif.LoadFromBuffer(test::prefix(good, good.size() - 1)));
    EXPECT_EQ(test::pixelsOf(gif.Frames().at(0).image), std::vector<Pixel>{R});
}

TEST(TGifImage, RefusesHostileSizesBeforeAllocating)
{
    const test::RefusedFile cases[] = {
        {"screen of 65535 x 65535", rawGif(65535, 65535, true, 1, 1)},
        {"screen over the pixel cap", rawGif(16384, 2442, true, 1, 1)},
        {"empty screen", rawGif(0, 10, true, 1, 1)},
        {"frame of 65535 x 65535", rawGif(4, 4, true, 65535, 65535)},
    };
    test::expectRefusedBeforeAllocating<TGifImage>(cases);
}

TEST(TGifImage, RefusesAnimationsOverThePixelCapInTotal)
{
    // Each frame is kept as a whole screen: two screens of 20.48 million pixels exceed it.
    GifSpec spec{.width = 6400, .height = 3200};
    spec.frames = {{.indices = {kRed}}, {.indices = {kBlue}}};
    TGifImage gif;
    EXPECT_THROW(gif.LoadFromBuffer(buildGif(spec)), PictureError);
    EXPECT_TRUE(gif.Empty());

    spec.frames.pop_back();
    ASSERT_NO_THROW(gif.LoadFromBuffer(buildGif(spec)));
    EXPECT_EQ(gif.Frames().size(), 1u);
}

}  // namespace
}  // namespace quenbo
