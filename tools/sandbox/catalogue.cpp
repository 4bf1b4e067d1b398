#include "sandbox/catalogue.h"

#include "sandbox/prng.h"
#include "sandbox/word_tables.h"

#include <algorithm>
#include <numeric>
#include <unordered_set>

namespace quenbo::sandbox {

namespace {

constexpr std::uint32_t kSellerCount = 400;
constexpr std::uint32_t kItemCount = 3200;
constexpr std::size_t kFeaturedCount = 40;
constexpr std::uint64_t kTopCidBase = 50000000;
constexpr std::uint64_t kItemIdBase = 8000000000ULL;

// Separate streams per table, so that growing one table leaves the others unchanged.
constexpr std::uint64_t kCategoryStream = 0x43415445ULL;
constexpr std::uint64_t kSellerStream = 0x53454c4cULL;
constexpr std::uint64_t kItemStream = 0x4954454dULL;

template <typename T> const T &pick(Prng &rng, std::span<const T> table)
{
    return table[rng.below(static_cast<std::uint32_t>(table.size()))];
}

// The record whose position the index keeps under key, or nullptr.
template <typename Record, typename Index, typename Key>
const Record *indexedRecord(const std::vector<Record> &records, const Index &index, const Key &key)
{
    const auto found = index.find(key);
    return found == index.end() ? nullptr : &records[found->second];
}

// The list kept under key, or an empty one.
template <typename Lists, typename Key>
std::span<const std::uint32_t> listUnder(const Lists &lists, const Key &key)
{
    const auto found = lists.find(key);
    return found == lists.end() ? std::span<const std::uint32_t>() : found->second;
}

}  // namespace

std::string opaqueItemId(std::string_view numIid)
{
    static constexpr std::string_view kSymbols =
        "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    constexpr std::size_t kHead = 25;
    constexpr std::size_t kTail = 17;
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    for (const char c : numIid)
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ULL;
    Prng rng(hash);
    std::string id;
    for (std::size_t i = 0; i < kHead + 1 + kTail; ++i)
        id += i == kHead ? '-' : kSymbols[rng.below(static_cast<std::uint32_t>(kSymbols.size()))];
    return id;
}

std::string foldAscii(std::string_view text)
{
    std::string folded(text);
    for (char &c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

Catalogue::Catalogue(std::uint64_t seed)
    : m_seed(seed)
{
    buildCategories(seed);
    buildSellers(seed);
    buildItems(seed);
    buildIndexes();
}

void Catalogue::buildCategories(std::uint64_t seed)
{
    Prng rng(seed ^ kCategoryStream);
    const auto tops = wordTables().topCategories;
    for (std::size_t t = 0; t < tops.size(); ++t) {
        const TopCategoryWords &words = tops[t];
        const std::uint64_t topCid = kTopCidBase + (t + 1) * 10000;
        m_categories.push_back({topCid, 0, std::string(words.name), true});
        for (std::size_t p = 0; p < words.products.size(); ++p) {
            const std::uint64_t midCid = topCid + (p + 1) * 100;
            m_categories.push_back({midCid, topCid, std::string(words.products[p]), true});

            // Three or four distinct modifiers, chosen by the seed, name the third level.
            std::vector<std::size_t> order(words.modifiers.size());
            std::iota(order.begin(), order.end(), 0);
            for (std::size_t i = order.size() - 1; i > 0; --i)
                std::swap(order[i], order[rng.below(static_cast<std::uint32_t>(i + 1))]);
            const std::size_t leafCount = 3 + rng.below(2);
            for (std::size_t l = 0; l < leafCount; ++l) {
                std::string name = std::string(words.modifiers[order[l]]);
                name += words.products[p];
                m_leaves.push_back(static_cast<std::uint32_t>(m_categories.size()));
                m_leafTop.push_back(static_cast<std::uint32_t>(t));
                m_categories.push_back({midCid + l + 1, midCid, std::move(name), false});
            }
        }
    }
}

void Catalogue::buildSellers(std::uint64_t seed)
{
    Prng rng(seed ^ kSellerStream);
    const WordTables &words = wordTables();
    std::unordered_set<std::string> taken;
    for (std::uint32_t s = 0; s < kSellerCount; ++s) {
        std::string nick;
        if (rng.oneIn(8)) {
            nick = "tb_" + std::to_string(rng.between(10000, 99999));
        } else {
            nick = std::string(pick(rng, words.nickHeads));
            nick += pick(rng, words.nickCores);
            nick += pick(rng, words.nickTails);
        }
        while (!taken.insert(nick).second)
            nick += std::to_string(rng.below(10));
        // Low levels are commoner than crowns, as on the platform.
        const int credit = 1 + static_cast<int>(rng.below(rng.below(20) + 1));
        m_sellers.push_back({std::move(nick), credit, std::string(pick(rng, words.locations))});
    }
}

void Catalogue::buildItems(std::uint64_t seed)
{
    Prng rng(seed ^ kItemStream);
    const auto tops = wordTables().topCategories;
    m_items.reserve(kItemCount);
    for (std::uint32_t i = 0; i < kItemCount; ++i) {
        const std::uint32_t leafSlot = rng.below(static_cast<std::uint32_t>(m_leaves.size()));
        const Category &leaf = m_categories[m_leaves[leafSlot]];
        const TopCategoryWords &words = tops[m_leafTop[leafSlot]];

        Item item;
        item.numIid = std::to_string(kItemIdBase + std::uint64_t(i) * 1000 + rng.below(1000));
        item.opaqueId = opaqueItemId(item.numIid);
        item.title = std::string(pick(rng, wordTables().titlePrefixes));
        if (rng.oneIn(3))
            item.title += "2011";
        if (const auto modifier = pick(rng, words.modifiers);
            rng.oneIn(2) && !leaf.name.starts_with(modifier))
            item.title += modifier;
        item.title += leaf.name;
        item.title += ' ';
        item.title += pick(rng, wordTables().titleSuffixes);
        item.seller = rng.below(kSellerCount);
        item.cid = leaf.cid;

        static constexpr int kCentEndings[] = {0, 0, 90, 50, 80, 99};
        item.priceFen = std::int64_t(rng.between(words.minPrice, words.maxPrice)) * 100 +
                        kCentEndings[rng.below(6)];
        item.commissionRate = rng.between(2, 30) * 100;
        item.commissionNum = static_cast<int>(rng.below(rng.below(3000) + 1));
        item.volume = item.commissionNum + static_cast<int>(rng.below(rng.below(20000) + 1));
        item.commissionFen = (item.priceFen * item.commissionRate + 5000) / 10000;
        item.commissionVolumeFen = item.commissionFen * item.commissionNum;
        m_items.push_back(std::move(item));
    }
}

void Catalogue::buildIndexes()
{
    for (std::uint32_t c = 0; c < m_categories.size(); ++c) {
        m_categoryIndex.emplace(m_categories[c].cid, c);
        m_children[m_categories[c].parentCid].push_back(c);
    }

    m_sellerItems.resize(m_sellers.size());
    m_foldedTitles.reserve(m_items.size());
    for (std::uint32_t i = 0; i < m_items.size(); ++i) {
        const Item &item = m_items[i];
        m_itemIndex.emplace(item.numIid, i);
        m_opaqueIndex.emplace(item.opaqueId, i);
        m_foldedTitles.push_back(foldAscii(item.title));
        m_sellerItems[item.seller].push_back(i);
        for (const Category *c = category(item.cid); c; c = category(c->parentCid))
            m_itemsUnder[c->cid].push_back(i);
    }

    m_featured.resize(m_items.size());
    std::iota(m_featured.begin(), m_featured.end(), 0);
    std::stable_sort(m_featured.begin(), m_featured.end(),
                     [this](auto a, auto b) { return m_items[a].volume > m_items[b].volume; });
    m_featured.resize(std::min(kFeaturedCount, m_featured.size()));
}

const Category *Catalogue::category(std::uint64_t cid) const
{
    return indexedRecord(m_categories, m_categoryIndex, cid);
}

std::span<const std::uint32_t> Catalogue::children(std::uint64_t parentCid) const
{
    return listUnder(m_children, parentCid);
}

const Item *Catalogue::findItem(std::string_view numIid) const
{
    return indexedRecord(m_items, m_itemIndex, numIid);
}

const Item *Catalogue::findOpaqueItem(std::string_view opaqueId) const
{
    return indexedRecord(m_items, m_opaqueIndex, opaqueId);
}

const Item *Catalogue::findAnyItem(std::string_view id) const
{
    const Item *item = findItem(id);
    return item ? item : findOpaqueItem(id);
}

std::span<const std::uint32_t> Catalogue::itemsUnder(std::uint64_t cid) const
{
    return listUnder(m_itemsUnder, cid);
}

std::span<const std::uint32_t> Catalogue::itemsOfSeller(std::uint32_t seller) const
{
    return seller < m_sellerItems.size() ? std::span<const std::uint32_t>(m_sellerItems[seller])
                                         : std::span<const std::uint32_t>();
}

}  // namespace quenbo::sandbox
