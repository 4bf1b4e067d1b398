#include "sandbox/item_search.h"

#include "sandbox/text_format.h"

#include <algorithm>
#include <array>
#include <utility>

namespace quenbo::sandbox {

namespace {

constexpr std::array<std::string_view, 11> kSortNames{"default",
                                                      "price_desc",
                                                      "price_asc",
                                                      "credit_desc",
                                                      "credit_asc",
                                                      "commissionRate_desc",
                                                      "commissionRate_asc",
                                                      "commissionNum_desc",
                                                      "commissionNum_asc",
                                                      "commissionVolume_desc",
                                                      "commissionVolume_asc"};

constexpr std::array<std::pair<std::string_view, ItemSort>, 6> kMaterialSorts{{
    {"final_promotion_price_asc", ItemSort::PriceAsc},
    {"final_promotion_price_des", ItemSort::PriceDesc},
    {"tk_rate_asc", ItemSort::CommissionRateAsc},
    {"tk_rate_des", ItemSort::CommissionRateDesc},
    {"total_sales_asc", ItemSort::VolumeAsc},
    {"total_sales_des", ItemSort::VolumeDesc},
}};

constexpr std::array<std::string_view, 4> kCreditTiers{"heart", "diamond", "crown", "goldencrown"};

bool isContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::int64_t sortValue(const Catalogue &catalogue, const Item &item, ItemSort sort)
{
    switch (sort) {
    case ItemSort::PriceDesc:
    case ItemSort::PriceAsc:
        return item.priceFen;
    case ItemSort::CreditDesc:
    case ItemSort::CreditAsc:
        return catalogue.sellers()[item.seller].credit;
    case ItemSort::CommissionRateDesc:
    case ItemSort::CommissionRateAsc:
        return item.commissionRate;
    case ItemSort::CommissionNumDesc:
    case ItemSort::CommissionNumAsc:
        return item.commissionNum;
    case ItemSort::CommissionVolumeDesc:
    case ItemSort::CommissionVolumeAsc:
        return item.commissionVolumeFen;
    case ItemSort::VolumeDesc:
    case ItemSort::VolumeAsc:
        return item.volume;
    case ItemSort::Default:
        break;
    }
    return 0;
}

bool descending(ItemSort sort)
{
    return sort == ItemSort::PriceDesc || sort == ItemSort::CreditDesc ||
           sort == ItemSort::CommissionRateDesc || sort == ItemSort::CommissionNumDesc ||
           sort == ItemSort::CommissionVolumeDesc || sort == ItemSort::VolumeDesc;
}

bool passes(const Catalogue &catalogue, std::uint32_t index, const ItemFilter &filter)
{
    const Item &item = catalogue.items()[index];
    const int credit = catalogue.sellers()[item.seller].credit;
    return item.priceFen >= filter.minPriceFen && item.priceFen <= filter.maxPriceFen &&
           credit >= filter.minCredit && credit <= filter.maxCredit &&
           item.commissionRate >= filter.minCommissionRate &&
           item.commissionRate <= filter.maxCommissionRate &&
           item.commissionNum >= filter.minCommissionNum &&
           item.commissionNum <= filter.maxCommissionNum &&
           (filter.foldedKeyword.empty() ||
            findKeyword(catalogue.foldedTitle(index), filter.foldedKeyword) !=
                std::string_view::npos);
}

}  // namespace

std::optional<ItemSort> parseItemSort(std::string_view name)
{
    return enumeratorNamed<ItemSort>(kSortNames, name);
}

std::optional<ItemSort> parseMaterialSort(std::string_view name)
{
    for (const auto &[text, sort] : kMaterialSorts) {
        if (text == name)
            return sort;
    }
    return std::nullopt;
}

std::optional<int> creditLevel(std::string_view name)
{
    if (name.size() < 2 || name[0] < '1' || name[0] > '5')
        return std::nullopt;
    for (std::size_t tier = 0; tier < kCreditTiers.size(); ++tier) {
        if (name.substr(1) == kCreditTiers[tier])
            return static_cast<int>(tier) * 5 + (name[0] - '0');
    }
    return std::nullopt;
}

std::size_t findKeyword(std::string_view foldedTitle, std::string_view foldedKeyword,
                        std::size_t from)
{
    if (foldedKeyword.empty())
        return std::string_view::npos;
    for (std::size_t at = foldedTitle.find(foldedKeyword, from); at != std::string_view::npos;
         at = foldedTitle.find(foldedKeyword, at + 1)) {
        const std::size_t end = at + foldedKeyword.size();
        if (!isContinuation(foldedTitle[at]) &&
            (end == foldedTitle.size() || !isContinuation(foldedTitle[end])))
            return at;
    }
    return std::string_view::npos;
}

ItemPage searchItems(const Catalogue &catalogue, const ItemFilter &filter, int pageNo, int pageSize)
{
    std::vector<std::uint32_t> matches;
    const auto consider = [&](std::uint32_t index) {
        if (passes(catalogue, index, filter))
            matches.push_back(index);
    };
    if (!filter.cids.empty()) {
        std::vector<std::uint32_t> under;
        for (const std::uint64_t cid : filter.cids) {
            const auto items = catalogue.itemsUnder(cid);
            under.insert(under.end(), items.begin(), items.end());
        }
        std::sort(under.begin(), under.end());
        under.erase(std::unique(under.begin(), under.end()), under.end());
        for (const std::uint32_t index : under)
            consider(index);
    } else {
        for (std::uint32_t index = 0; index < catalogue.items().size(); ++index)
            consider(index);
    }

    if (filter.sort != ItemSort::Default) {
        const bool down = descending(filter.sort);
        std::stable_sort(matches.begin(), matches.end(), [&](std::uint32_t a, std::uint32_t b) {
            const std::int64_t va = sortValue(catalogue, catalogue.items()[a], filter.sort);
            const std::int64_t vb = sortValue(catalogue, catalogue.items()[b], filter.sort);
            return down ? va > vb : va < vb;
        });
    }

    ItemPage page;
    page.total = matches.size();
    const std::size_t first = std::size_t(pageNo - 1) * std::size_t(pageSize);
    if (pageNo >= 1 && pageSize >= 1 && first < matches.size()) {
        const std::size_t last = std::min(matches.size(), first + std::size_t(pageSize));
        page.items.assign(matches.begin() + static_cast<std::ptrdiff_t>(first),
                          matches.begin() + static_cast<std::ptrdiff_t>(last));
    }
    return page;
}

}  // namespace quenbo::sandbox
