#include "pictures/picture.h"

#include <gtest/gtest.h>

namespace quenbo {
namespace {

TEST(CheckPictureSize, AcceptsSizesWithinTheCaps)
{
    struct Case {
        std::int64_t width, height;
    };
    for (const Case c :
         {Case{1, 1}, Case{kMaxPictureSide, 1}, Case{1, kMaxPictureSide}, Case{8000, 5000},
          Case{kMaxPictureSide, kMaxPicturePixels / kMaxPictureSide}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        EXPECT_NO_THROW(CheckPictureSize(c.width, c.height));
    }
}

TEST(CheckPictureSize, RefusesEmptyNegativeAndOversizedPictures)
{
    struct Case {
        std::int64_t width, height;
    };
    for (const Case c :
         {Case{0, 10}, Case{10, 0}, Case{-1, 10}, Case{10, -1}, Case{kMaxPictureSide + 1, 1},
          Case{1, kMaxPictureSide + 1}, Case{kMaxPictureSide, kMaxPictureSide},
          Case{100000, 100000}, Case{INT64_MAX, INT64_MAX}, Case{INT64_MIN, 1}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        EXPECT_THROW(CheckPictureSize(c.width, c.height), PictureError);
    }
}

TEST(RgbaImage, AllocateGivesTransparentBlackPixels)
{
    RgbaImage image;
    image.allocate(3, 2);
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    EXPECT_FALSE(image.empty());
    EXPECT_EQ(image.pixels, std::vector<std::uint8_t>(3 * 2 * 4, 0));
    EXPECT_EQ(image.row(1), image.pixels.data() + 12);
}

TEST(RgbaImage, RefusedAllocationLeavesTheImageAsItWas)
{
    RgbaImage image;
    image.allocate(2, 2);
    image.pixels[0] = 7;
    EXPECT_THROW(image.allocate(kMaxPictureSide + 1, 1), PictureError);
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.pixels.size(), 16u);
    EXPECT_EQ(image.pixels[0], 7);
}

}  // namespace
}  // namespace quenbo
