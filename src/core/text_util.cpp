#include "core/text_util.h"

namespace quenbo {

namespace {

// Whether the walk's character is one UTF-8 allows: decodeUtf8At already refuses bad lead and
// continuation bytes, but not overlong three- and four-byte forms, surrogates or code points
// beyond U+10FFFF.
bool wellFormed(char32_t code, std::size_t length, unsigned char lead)
{
    switch (length) {
    case 1:
        return lead < 0x80;
    case 2:
        return true;
    case 3:
        return code >= 0x800 && (code < 0xD800 || code > 0xDFFF);
    default:
        return code >= 0x10000 && code <= 0x10FFFF;
    }
}

}  // namespace

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

std::size_t firstInvalidUtf8(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const auto [code, length] = decodeUtf8At(text, at);
        if (!wellFormed(code, length, static_cast<unsigned char>(text[at])))
            return at;
        at += length;
    }
    return std::string_view::npos;
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
