#pragma once

#include <span>
#include <string_view>

namespace quenbo::sandbox {

// One top-level category of the sample catalogue: its name, the product nouns that become its
// second level, the modifiers that make third-level names and titles, and a price range in yuan.
struct TopCategoryWords {
    std::string_view name;
    std::span<const std::string_view> products;
    std::span<const std::string_view> modifiers;
    int minPrice;
    int maxPrice;
};

// The words the sample catalogue is made of.
struct WordTables {
    std::span<const TopCategoryWords> topCategories;
    // Words that open and close item titles; some carry Latin letters so that searches can
    // show case-insensitive matching.
    std::span<const std::string_view> titlePrefixes;
    std::span<const std::string_view> titleSuffixes;
    // Pieces of seller nicks.
    std::span<const std::string_view> nickHeads;
    std::span<const std::string_view> nickCores;
    std::span<const std::string_view> nickTails;
    // Item locations in the platform's "province city" form.
    std::span<const std::string_view> locations;
};

const WordTables &wordTables();

}  // namespace quenbo::sandbox
