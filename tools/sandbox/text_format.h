#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quenbo::sandbox {

// Every occurrence of from (not empty) in text replaced by to, scanning left to right.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to);

// The enumerator whose name stands at its position in names (names in enumerator order), or
// nothing for a name not among them.
template <typename Enum>
std::optional<Enum> enumeratorNamed(std::span<const std::string_view> names, std::string_view name)
{
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name)
            return static_cast<Enum>(i);
    }
    return std::nullopt;
}

// An amount in fen as yuan with two decimals: 1230 gives "12.30".
std::string yuanText(std::int64_t fen);

}  // namespace quenbo::sandbox
