#pragma once

#include "core/uTypeData.h"
#include "gateway/item_page.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The affiliate item query's request and the walk of its answer, apart from the window that
// runs them, so both can be tested and fuzzed without a display.

namespace quenbo {

class TCommon;
class XmlElement;

// What one answer may make the program hold: at most this many items (an ordinary page has
// 40) in at most this many containers, each text field cut to this many bytes. A hostile
// answer then cannot start unbounded work or make painting and sorting slow.
inline constexpr std::size_t kMaxAnswerItems = 200;
inline constexpr std::size_t kMaxAnswerContainers = 200;
inline constexpr std::size_t kMaxFieldBytes = 4096;

// What a search asks for: nothing yet, a keyword or a category. The values are the modes the
// item query's request takes.
enum class SearchMode : std::int32_t { None = -1, Keyword = 0, Category = 1 };

// What the item query asks for: a keyword search searches keyword, a category search the
// category cid; SearchMode::None neither.
struct ItemQueryInput {
    std::string appKey;
    std::string nick;
    SearchMode mode = SearchMode::Keyword;
    std::string keyword;  // UTF-8, blanks already removed; sent as its raw bytes here
    std::string cid;
    std::int32_t pageNo = 1;
    std::string timestamp;
};

// The text of an answer's field, cut to kMaxFieldBytes without splitting a character.
std::string fieldText(const XmlElement &field);

// The number of items the whole search found, as the root's "total_results" child says it (the
// later one when it repeats): nothing when there is none or its text is not a whole number (as
// parseWholeNumber reads one) of 0 or more.
std::optional<std::int64_t> ReadTotalResults(const XmlElement &root);

// The keyword without any blank (code 32); nothing else is trimmed.
std::string RemoveBlanks(std::string_view keyword);

// The request's 19 parameter elements in their order, the keyword as raw bytes and the bare
// "&sign=" placeholder still in place: the form the signature is computed over.
std::vector<std::string> ItemQueryElements(const ItemQueryInput &input);

// The signed gateway address of the item query: signed over the keyword's raw bytes, sent
// with every byte of it percent-encoded; the element of a mode that searches neither is left
// out.
std::string ItemQueryAddress(const TCommon &common, const ItemQueryInput &input);

// The title without the platform's highlight markup: every "<span class=H>", then every
// "</span>", then every "&amp;" deleted (exact, case-sensitive matches), each in one pass
// from left to right, so the time grows with the title's length only.
std::string StripTitleMarkup(std::string title);

// The page of every "taobaoke_item" of every "taobaoke_items" child of root, up to the caps
// above: one batch per container, none once the item cap is reached. Each record takes its
// fields from the item's children (the later one when a name repeats, unknown names skipped):
// texts as they are (cut to kMaxFieldBytes on a character boundary), the title without markup,
// numbers that do not read as numbers as 0, the cash-back as half the commission, and an empty
// picture object once "pic_url" is read; its job carries its id and picture address. The total
// is read as ReadTotalResults reads it.
ItemPage ReadItemAnswer(const XmlElement &root);

}  // namespace quenbo
