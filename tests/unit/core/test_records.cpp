#include "core/uTypeData.h"
#include "pictures/jpeg_image.h"

#include <gtest/gtest.h>

namespace quenbo {
namespace {

TEST(CashBack, HalvesAndRoundsByTheBinaryValue)
{
    const struct {
        double commission;
        double expected;
    } cases[] = {
        {0.25, 0.12}, {0.35, 0.17}, {0.05, 0.03},  {0.15, 0.07}, {7.77, 3.88}, {3.00, 1.5},
        {0.0, 0.0},   {1.0, 0.5},   {12.34, 6.17}, {0.01, 0.0},  {0.03, 0.01}, {100.0, 50.0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CashBack(c.commission), c.expected) << "commission " << c.commission;
}

TEST(TTaoBaoData, StartsEmptyAndCopiesSharePicture)
{
    TTaoBaoData item;
    EXPECT_TRUE(item.NumIid.empty());
    EXPECT_EQ(item.Commission, 0);
    EXPECT_EQ(item.SalesCount, 0);
    EXPECT_EQ(item.Picture, nullptr);

    item.NumIid = "123";
    item.Picture = std::make_shared<TJpegImage>();
    TTaoBaoData copy = item;
    EXPECT_EQ(copy.Picture.get(), item.Picture.get());

    // Releasing the owning record leaves the copy's picture valid.
    std::weak_ptr<TJpegImage> watch = item.Picture;
    item = TTaoBaoData{};
    EXPECT_FALSE(watch.expired());
    EXPECT_TRUE(copy.Picture->Empty());
    copy = TTaoBaoData{};
    EXPECT_TRUE(watch.expired());
}

}  // namespace
}  // namespace quenbo
