#include "platform/percent_encoding.h"

namespace quenbo {

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
