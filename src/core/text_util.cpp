#include "text_util.h"

namespace quenbo {

std::pair<char32_t, std::size_t> decodeUtf8At(std::string_view text, std::size_t at)
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

std::string_view trimBlanks(std::string_view text)
{
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view withoutTrailingSlashes(std::string_view address)
{
    while (!address.empty() && address.back() == '/')
        address.remove_suffix(1);
    return address;
}

}  // namespace quenbo
