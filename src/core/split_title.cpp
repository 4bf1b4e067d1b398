#include "core/split_title.h"

#include "core/text_util.h"

namespace quenbo {

std::pair<std::string, std::string> SplitTitle(std::string_view title, int maxWidth,
                                               const CharWidth &width)
{
    long long sum = 0;
    for (std::size_t at = 0; at < title.size();) {
        const auto [code, length] = decodeUtf8At(title, at);
        sum += width(code);
        if (sum > maxWidth)
            return {std::string(title.substr(0, at)), std::string(title.substr(at))};
        at += length;
    }
    return {};
}

std::string TrimTitleLine(std::string_view line)
{
    return std::string(trimBlanks(line));
}

}  // namespace quenbo
