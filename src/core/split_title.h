#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

// Splitting an item title over the two title lines of an item row. Qt-free: the caller
// measures the characters, so the rule can be tested with any widths.

namespace quenbo {

// The width in pixels of one character (a Unicode code point), measured on its own.
using CharWidth = std::function<int(char32_t)>;

// Walks the UTF-8 title one code point at a time, summing the widths. At the first character
// that makes the sum exceed maxWidth, the first line is everything before it and the second
// line the rest of the title from that character on. When the sum never exceeds maxWidth
// both lines are empty. Malformed UTF-8 bytes count as one character each.
std::pair<std::string, std::string> SplitTitle(std::string_view title, int maxWidth,
                                               const CharWidth &width);

// The line without leading and trailing blanks and control characters (bytes up to 32).
std::string TrimTitleLine(std::string_view line);

}  // namespace quenbo
