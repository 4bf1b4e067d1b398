#include "platform/percent_encoding.h"

#include <charconv>

namespace quenbo {

int hexDigitValue(char c)
{
    int value = 0;
    const auto result = std::from_chars(&c, &c + 1, value, 16);
    return result.ec == std::errc() ? value : -1;
}

void appendHex(std::string &out, unsigned char byte)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0F];
}

std::string percentEncode(std::string_view text, bool (*keep)(unsigned char byte))
{
    std::string encoded;
    encoded.reserve(text.size() * 3);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (keep && keep(byte)) {
            encoded += c;
        } else {
            encoded += '%';
            appendHex(encoded, byte);
        }
    }
    return encoded;
}

}  // namespace quenbo
