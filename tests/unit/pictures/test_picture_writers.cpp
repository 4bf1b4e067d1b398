#include "picture_test_support.h"
#include "pictures/gif_image.h"
#include "pictures/picture_writers.h"

#include <gtest/gtest.h>

#include <functional>

namespace quenbo {
namespace {

TEST(PictureWriters, RefuseImagesWithoutConsistentPixels)
{
    RgbaImage short_ = test::gradientImage(4, 4, false);
    short_.pixels.pop_back();
    RgbaImage sizeless;
    sizeless.pixels.resize(16);

    const std::function<void(const RgbaImage &)> encoders[] = {
        [](const RgbaImage &i) { EncodeJpeg(i); },
        [](const RgbaImage &i) { EncodePng(i); },
        [](const RgbaImage &i) { EncodeBmp(i); },
        [](const RgbaImage &i) {
            EncodeGif({{i, 0}}, 0);
        },
    };
    for (std::size_t e = 0; e < std::size(encoders); ++e) {
        SCOPED_TRACE("encoder " + std::to_string(e));
        EXPECT_THROW(encoders[e](RgbaImage()), PictureError);
        EXPECT_THROW(encoders[e](short_), PictureError);
        EXPECT_THROW(encoders[e](sizeless), PictureError);
    }
}

TEST(EncodeGif, RefusesUnwritableAnimations)
{
    const GifFrame small{test::gradientImage(4, 4, false), 0};
    const GifFrame other{test::gradientImage(5, 4, false), 0};
    EXPECT_THROW(EncodeGif({}, 0), PictureError);
    EXPECT_THROW(EncodeGif({small, other}, 0), PictureError);
    EXPECT_THROW(EncodeGif({small}, 65536), PictureError);
}

TEST(EncodeGif, QuantisesFramesWithManyColoursClosely)
{
    // 64 x 64 distinct colours: more than one colour table holds.
    const RgbaImage image = test::gradientImage(64, 64, false);
    TGifImage gif;
    ASSERT_NO_THROW(gif.LoadFromBuffer(EncodeGif({{image, 0}}, TGifImage::kNoLoopExtension)));
    ASSERT_EQ(gif.Frames().size(), 1u);
    // Median cut leaves a few pixels far off but the picture as a whole close.
    EXPECT_LE(test::meanChannelDifference(gif.Frames()[0].image, image), 8.0);
    EXPECT_LE(test::maxChannelDifference(gif.Frames()[0].image, image), 64);
}

}  // namespace
}  // namespace quenbo
