#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quenbo::sandbox {

struct Category {
    std::uint64_t cid = 0;
    std::uint64_t parentCid = 0;  // 0 for a top-level category
    std::string name;
    bool isParent = false;
};

struct Seller {
    std::string nick;
    int credit = 1;  // the platform's seller credit level, 1 to 20
    std::string location;
};

struct Item {
    std::string numIid;  // decimal digits, unique in the catalogue
    // The material search's id of the same item: 25 letters and digits, "-", 17 more; unique
    // in the catalogue, and made from numIid alone, so an item keeps it under any seed.
    std::string opaqueId;
    std::string title;  // UTF-8, may hold "&"
    std::uint32_t seller = 0;
    std::uint64_t cid = 0;  // a third-level category
    std::int64_t priceFen = 0;
    int commissionRate = 0;  // the platform's unit: hundredths of a percent
    int commissionNum = 0;   // commissioned sales of the last 30 days
    int volume = 0;          // sales of the last 30 days
    std::int64_t commissionFen = 0;
    std::int64_t commissionVolumeFen = 0;
};

// The generated sample catalogue: categories three levels deep, sellers and items, with the
// indexes that the gateway and the pages need. The same seed always gives the same catalogue.
// Immutable after construction, so any number of threads may read it.
class Catalogue {
public:
    explicit Catalogue(std::uint64_t seed);
    Catalogue(const Catalogue &) = delete;  // the id index points into the item records
    Catalogue &operator=(const Catalogue &) = delete;

    std::uint64_t seed() const { return m_seed; }

    const std::vector<Category> &categories() const { return m_categories; }
    const Category *category(std::uint64_t cid) const;
    // Indexes into categories() of the direct children of parentCid (0: the top level).
    std::span<const std::uint32_t> children(std::uint64_t parentCid) const;

    const std::vector<Item> &items() const { return m_items; }
    const Item *findItem(std::string_view numIid) const;
    const Item *findOpaqueItem(std::string_view opaqueId) const;
    // The item under either of its ids, or null.
    const Item *findAnyItem(std::string_view id) const;
    // Indexes into items() of every item in the category and its descendants, ascending.
    std::span<const std::uint32_t> itemsUnder(std::uint64_t cid) const;
    // The item's title with ASCII letters in lower case, for case-insensitive search.
    const std::string &foldedTitle(std::uint32_t item) const { return m_foldedTitles[item]; }

    const std::vector<Seller> &sellers() const { return m_sellers; }
    std::span<const std::uint32_t> itemsOfSeller(std::uint32_t seller) const;

    // The start-up selection: the best-selling items, best first.
    std::span<const std::uint32_t> featured() const { return m_featured; }

private:
    void buildCategories(std::uint64_t seed);
    void buildSellers(std::uint64_t seed);
    void buildItems(std::uint64_t seed);
    void buildIndexes();

    std::uint64_t m_seed;
    std::vector<Category> m_categories;
    std::unordered_map<std::uint64_t, std::uint32_t> m_categoryIndex;
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> m_children;
    std::vector<std::uint32_t> m_leaves;
    std::vector<std::uint32_t> m_leafTop;  // per leaf: index of its top-level words
    std::vector<Seller> m_sellers;
    std::vector<Item> m_items;
    std::vector<std::string> m_foldedTitles;
    std::unordered_map<std::string_view, std::uint32_t> m_itemIndex;
    std::unordered_map<std::string_view, std::uint32_t> m_opaqueIndex;
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> m_itemsUnder;
    std::vector<std::vector<std::uint32_t>> m_sellerItems;
    std::vector<std::uint32_t> m_featured;
};

// The opaque id the catalogue gives the item with this numeric id.
std::string opaqueItemId(std::string_view numIid);

// ASCII letters to lower case; every other byte unchanged.
std::string foldAscii(std::string_view text);

}  // namespace quenbo::sandbox
