#include "sandbox/text_format.h"

namespace quenbo::sandbox {

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to)
{
    std::string out;
    std::size_t pos = 0;
    for (std::size_t at = text.find(from); at != std::string_view::npos && !from.empty();
         at = text.find(from, pos)) {
        out.append(text.substr(pos, at - pos));
        out.append(to);
        pos = at + from.size();
    }
    out.append(text.substr(pos));
    return out;
}

std::string yuanText(std::int64_t fen)
{
    const std::int64_t cents = fen % 100;
    return std::to_string(fen / 100) + (cents < 10 ? ".0" : ".") + std::to_string(cents);
}

}  // namespace quenbo::sandbox
