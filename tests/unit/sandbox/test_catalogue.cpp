// The generated catalogue: its shape and its determinism.
#include "sandbox/catalogue.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

namespace quenbo::sandbox {
namespace {

TEST(Catalogue, SameSeedGivesTheSameCatalogueAndAnotherSeedDiffers)
{
    const Catalogue first(7);
    const Catalogue again(7);
    const Catalogue other(8);
    ASSERT_EQ(first.items().size(), again.items().size());
    for (std::size_t i = 0; i < first.items().size(); ++i) {
        const Item &a = first.items()[i];
        const Item &b = again.items()[i];
        EXPECT_EQ(a.numIid, b.numIid);
        EXPECT_EQ(a.title, b.title);
        EXPECT_EQ(a.priceFen, b.priceFen);
        EXPECT_EQ(a.cid, b.cid);
        EXPECT_EQ(first.sellers()[a.seller].nick, again.sellers()[b.seller].nick);
    }
    std::size_t differing = 0;
    for (std::size_t i = 0; i < first.items().size() && i < other.items().size(); ++i)
        differing += first.items()[i].title != other.items()[i].title;
    EXPECT_GT(differing, first.items().size() / 2);
}

TEST(Catalogue, CategoriesAreThreeLevelsDeep)
{
    const Catalogue catalogue(1);
    const auto tops = catalogue.children(0);
    ASSERT_GE(tops.size(), 12u);
    std::set<std::uint64_t> cids;
    for (const Category &category : catalogue.categories()) {
        EXPECT_TRUE(cids.insert(category.cid).second);
        EXPECT_FALSE(category.name.empty());
        int depth = 1;
        for (const Category *up = catalogue.category(category.parentCid); up;
             up = catalogue.category(up->parentCid))
            ++depth;
        EXPECT_EQ(category.isParent, depth < 3) << category.name;
        EXPECT_EQ(catalogue.children(category.cid).empty(), !category.isParent);
    }
}

TEST(Catalogue, ItemsArePlausibleAndIndexed)
{
    const Catalogue catalogue(1);
    ASSERT_GE(catalogue.items().size(), 1000u);
    std::set<std::string> ids;
    for (const Item &item : catalogue.items()) {
        EXPECT_TRUE(ids.insert(item.numIid).second);
        EXPECT_EQ(item.numIid.find_first_not_of("0123456789"), std::string::npos);
        EXPECT_EQ(catalogue.findItem(item.numIid), &item);
        const Category *leaf = catalogue.category(item.cid);
        ASSERT_NE(leaf, nullptr);
        EXPECT_FALSE(leaf->isParent);
        EXPECT_GT(item.priceFen, 0);
        const Seller &seller = catalogue.sellers()[item.seller];
        EXPECT_TRUE(seller.credit >= 1 && seller.credit <= 20);
        EXPECT_FALSE(seller.nick.empty());
        EXPECT_FALSE(seller.location.empty());
    }
    EXPECT_EQ(catalogue.findItem("123"), nullptr);
    EXPECT_EQ(catalogue.itemsUnder(catalogue.categories().front().cid).empty(), false);
}

TEST(Catalogue, OpaqueIdsAreUniqueLeadBackAndDependOnTheNumericIdAlone)
{
    const Catalogue catalogue(1);
    const Catalogue other(2);
    const std::regex shape("[0-9A-Za-z]{25}-[0-9A-Za-z]{17}");
    std::set<std::string> ids;
    for (const Item &item : catalogue.items()) {
        EXPECT_TRUE(ids.insert(item.opaqueId).second) << item.opaqueId;
        EXPECT_TRUE(std::regex_match(item.opaqueId, shape)) << item.opaqueId;
        EXPECT_EQ(catalogue.findOpaqueItem(item.opaqueId), &item);
        EXPECT_EQ(catalogue.findAnyItem(item.opaqueId), &item);
        EXPECT_EQ(catalogue.findAnyItem(item.numIid), &item);
        EXPECT_EQ(catalogue.findOpaqueItem(item.numIid), nullptr);
    }
    std::size_t shared = 0;
    for (const Item &item : other.items()) {
        if (const Item *same = catalogue.findItem(item.numIid)) {
            EXPECT_EQ(same->opaqueId, item.opaqueId);
            ++shared;
        }
    }
    EXPECT_GT(shared, 0u);
    EXPECT_EQ(catalogue.findAnyItem("abc-def"), nullptr);
}

}  // namespace
}  // namespace quenbo::sandbox
