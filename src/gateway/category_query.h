#pragma once

#include "core/uTypeData.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The category query's request and the walk of its answer, apart from the window that runs
// them, so both can be tested and fuzzed without a display.

namespace quenbo {

class TCommon;
class XmlElement;

// The request's parameter elements for the subcategories of parentId (sent unchanged), with
// the bare "&sign=" placeholder still in place.
std::vector<std::string> CategoryQueryElements(const std::string &appKey,
                                               const std::string &parentId,
                                               const std::string &timestamp);

// The signed gateway address of the category query for the subcategories of parentId.
std::string CategoryQueryAddress(const TCommon &common, const std::string &parentId,
                                 const std::string &timestamp);

// Calls add with one record per "item_cat" of every "item_cats" child of root, in document
// order. Each record takes the texts of its "cid", "parent_cid", "name" and "is_parent"
// children (the later one when a name repeats), leaves missing fields empty and is not loaded.
// Other elements are skipped; names compare exactly.
void ReadCategoryAnswer(const XmlElement &root, const std::function<void(const TShopClass &)> &add);

// A category id text read as a decimal 32-bit integer; 0 for any other text.
std::int32_t CategoryIdNumber(std::string_view text);

}  // namespace quenbo
