#include "split_title.h"

namespace quenbo {

namespace {

// The code point starting at text[at] and the number of bytes it takes; a byte that does not
// start a well-formed sequence stands for itself.
std::pair<char32_t, std::size_t> decodeAt(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 1;
    char32_t code = lead;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    }
    if (length == 1 || at + length > text.size())
        return {lead, 1};
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return {lead, 1};
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    return {code, length};
}

}  // namespace

std::pair<std::string, std::string> SplitTitle(std::string_view title, int maxWidth,
                                               const CharWidth &width)
{
    long long sum = 0;
    for (std::size_t at = 0; at < title.size();) {
        const auto [code, length] = decodeAt(title, at);
        sum += width(code);
        if (sum > maxWidth)
            return {std::string(title.substr(0, at)), std::string(title.substr(at))};
        at += length;
    }
    return {};
}

std::string TrimTitleLine(std::string_view line)
{
    const auto isTrimmed = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!line.empty() && isTrimmed(line.front()))
        line.remove_prefix(1);
    while (!line.empty() && isTrimmed(line.back()))
        line.remove_suffix(1);
    return std::string(line);
}

}  // namespace quenbo
