#pragma once

#include "sandbox/catalogue.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quenbo::sandbox {

// The orders of the platform's affiliate item query.
enum class ItemSort {
    Default,
    PriceDesc,
    PriceAsc,
    CreditDesc,
    CreditAsc,
    CommissionRateDesc,
    CommissionRateAsc,
    CommissionNumDesc,
    CommissionNumAsc,
    CommissionVolumeDesc,
    CommissionVolumeAsc,
    VolumeDesc,
    VolumeAsc,
};

// The platform's name of an order ("credit_desc") in the old item method, or nothing for an
// unknown name. That method has no names for the orders by volume.
std::optional<ItemSort> parseItemSort(std::string_view name);

// The same for the material search's names ("total_sales_des"): final_promotion_price, tk_rate
// and total_sales, each with _asc or _des.
std::optional<ItemSort> parseMaterialSort(std::string_view name);

// The level (1 to 20) of a seller credit name ("1heart" ... "5goldencrown"), or nothing.
std::optional<int> creditLevel(std::string_view name);

// What an item must satisfy; bounds are inclusive. An empty keyword and no categories select
// every item.
struct ItemFilter {
    std::string foldedKeyword;        // lower-case ASCII, see foldAscii
    std::vector<std::uint64_t> cids;  // items in any of them or their descendants
    std::int64_t minPriceFen = 0;
    std::int64_t maxPriceFen = std::numeric_limits<std::int64_t>::max();
    int minCredit = 1;
    int maxCredit = 20;
    int minCommissionRate = 0;
    int maxCommissionRate = std::numeric_limits<int>::max();
    int minCommissionNum = 0;
    int maxCommissionNum = std::numeric_limits<int>::max();
    ItemSort sort = ItemSort::Default;
};

struct ItemPage {
    std::size_t total = 0;             // every matching item
    std::vector<std::uint32_t> items;  // indexes into the catalogue's items; this page only
};

// One page (pageNo from 1) of the matching items in the filter's order; ties keep catalogue
// order. A page past the last match is empty.
ItemPage searchItems(const Catalogue &catalogue, const ItemFilter &filter, int pageNo,
                     int pageSize);

// The next place at or after from where the folded keyword occurs in the folded title and
// starts and ends on whole UTF-8 characters, or npos. An empty keyword never occurs.
std::size_t findKeyword(std::string_view foldedTitle, std::string_view foldedKeyword,
                        std::size_t from = 0);

}  // namespace quenbo::sandbox
