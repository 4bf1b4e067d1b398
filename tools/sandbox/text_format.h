#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quenbo::sandbox {

// Every occurrence of from (not empty) in text replaced by to, scanning left to right.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to);

// An amount in fen as yuan with two decimals: 1230 gives "12.30".
std::string yuanText(std::int64_t fen);

}  // namespace quenbo::sandbox
