#include "core/setting_cipher.h"

#include <optional>

namespace quenbo {

namespace {

// The initial P-array of the Blowfish key schedule: the first eighteen 32-bit words of the
// fractional part of pi.
constexpr std::array<std::uint32_t, 18> kInitialP = {
    0x243F6A88, 0x85A308D3, 0x13198A2E, 0x03707344, 0xA4093822, 0x299F31D0,
    0x082EFA98, 0xEC4E6C89, 0x452821E6, 0x38D01377, 0xBE5466CF, 0x34E90C6C,
    0xC0AC29B7, 0xC97C50DD, 0x3F84D5B5, 0xB5470917, 0x9216D5D9, 0x8979FB1B,
};

constexpr char kInvalidFormat[] = "Invalid file format";
constexpr char kInvalidBase64[] = "Invalid Base64 Character";

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::uint32_t ReadLe32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

void WriteLe32(std::uint8_t *p, std::uint32_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v >> 16);
    p[3] = std::uint8_t(v >> 24);
}

void ParitySums(const std::array<std::uint32_t, 18> &p, std::uint32_t &even, std::uint32_t &odd)
{
    even = 0;
    odd = 0;
    for (std::size_t i = 0; i < p.size(); i += 2) {
        even ^= p[i];
        odd ^= p[i + 1];
    }
}

int Base64Value(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

const TSettingCipher &CipherFor(const CipherKeyBytes &key)
{
    thread_local std::optional<CipherKeyBytes> lastKey;
    thread_local std::optional<TSettingCipher> lastCipher;
    if (!lastKey || *lastKey != key) {
        lastCipher.emplace(key);
        lastKey = key;
    }
    return *lastCipher;
}

}  // namespace

TSettingCipher::TSettingCipher(const CipherKeyBytes &key)
{
    std::array<std::uint32_t, 18> p = kInitialP;
    for (std::size_t i = 0; i < p.size(); ++i) {
        std::uint32_t word = 0;
        for (std::size_t j = 0; j < 4; ++j)
            word = word << 8 | key[(4 * i + j) % 16];
        p[i] ^= word;
    }
    // Nine steps of the key schedule over a block that never changes: each step folds the
    // two parity sums of the current array into the running pair and stores it.
    std::uint32_t a = 0;
    std::uint32_t b = 0;
    for (std::size_t k = 0; k < 9; ++k) {
        std::uint32_t even = 0;
        std::uint32_t odd = 0;
        ParitySums(p, even, odd);
        a ^= even;
        b ^= odd;
        p[2 * k] = a;
        p[2 * k + 1] = b;
    }
    ParitySums(p, m_even, m_odd);
}

void TSettingCipher::TransformBlock(std::uint8_t *block) const
{
    WriteLe32(block, ReadLe32(block) ^ m_even);
    WriteLe32(block + 4, ReadLe32(block + 4) ^ m_odd);
}

std::string TSettingCipher::CryptBlocks(std::string_view bytes, TCryptDirection direction) const
{
    std::string out;
    if (direction == TCryptDirection::Encode) {
        const std::size_t full = bytes.size() / 8 * 8;
        out.reserve(full + 8);
        out.assign(bytes.substr(0, full));
        std::array<std::uint8_t, 8> last{};
        const std::size_t rest = bytes.size() - full;
        for (std::size_t i = 0; i < rest; ++i)
            last[i] = std::uint8_t(bytes[full + i]);
        last[7] = std::uint8_t(rest);
        out.append(reinterpret_cast<const char *>(last.data()), last.size());
        for (std::size_t i = 0; i < out.size(); i += 8)
            TransformBlock(reinterpret_cast<std::uint8_t *>(out.data() + i));
        return out;
    }

    const std::size_t blocks = bytes.size() / 8;
    if (blocks == 0)
        throw ECipherException(kInvalidFormat);
    // Bytes after the final block are ignored.
    out.assign(bytes.substr(0, blocks * 8));
    for (std::size_t i = 0; i < out.size(); i += 8)
        TransformBlock(reinterpret_cast<std::uint8_t *>(out.data() + i));
    const std::size_t count = std::uint8_t(out.back());
    // A count above 7 means the text was made under another key or is damaged.
    if (count > 7)
        throw ECipherException(kInvalidFormat);
    out.resize(out.size() - 8 + count);
    return out;
}

std::string TSettingCipher::EncryptText(std::string_view plain) const
{
    return Base64Encode(CryptBlocks(plain, TCryptDirection::Encode));
}

std::string TSettingCipher::DecryptText(std::string_view text) const
{
    return CryptBlocks(Base64Decode(text), TCryptDirection::Decode);
}

std::string CryptBlocks(std::string_view bytes, const CipherKeyBytes &key,
                        TCryptDirection direction)
{
    return CipherFor(key).CryptBlocks(bytes, direction);
}

std::string EncryptText(std::string_view plain, const CipherKeyBytes &key)
{
    return CipherFor(key).EncryptText(plain);
}

std::string DecryptText(std::string_view text, const CipherKeyBytes &key)
{
    return CipherFor(key).DecryptText(text);
}

std::string Base64Encode(std::string_view bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t v = std::uint32_t(std::uint8_t(bytes[i])) << 16 |
                                std::uint32_t(std::uint8_t(bytes[i + 1])) << 8 |
                                std::uint8_t(bytes[i + 2]);
        out += kAlphabet[v >> 18 & 63];
        out += kAlphabet[v >> 12 & 63];
        out += kAlphabet[v >> 6 & 63];
        out += kAlphabet[v & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        std::uint32_t v = std::uint32_t(std::uint8_t(bytes[i])) << 16;
        if (rest == 2)
            v |= std::uint32_t(std::uint8_t(bytes[i + 1])) << 8;
        out += kAlphabet[v >> 18 & 63];
        out += kAlphabet[v >> 12 & 63];
        out += rest == 2 ? kAlphabet[v >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}

std::string Base64Decode(std::string_view text)
{
    if (text.size() % 4 != 0)
        throw EBase64Error(kInvalidBase64);
    std::string out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t g = 0; g < text.size(); g += 4) {
        const bool lastGroup = g + 4 == text.size();
        int values[4];
        int padding = 0;
        for (int j = 0; j < 4; ++j) {
            const char c = text[g + std::size_t(j)];
            if (c == '=' && lastGroup && j >= 2) {
                values[j] = 0;
                ++padding;
                continue;
            }
            // A character after "=" in the same group, or "=" anywhere else, is misplaced.
            values[j] = padding > 0 ? -1 : Base64Value(c);
            if (values[j] < 0)
                throw EBase64Error(kInvalidBase64);
        }
        const std::uint32_t v = std::uint32_t(values[0]) << 18 | std::uint32_t(values[1]) << 12 |
                                std::uint32_t(values[2]) << 6 | std::uint32_t(values[3]);
        out += char(v >> 16 & 0xFF);
        if (padding < 2)
            out += char(v >> 8 & 0xFF);
        if (padding < 1)
            out += char(v & 0xFF);
    }
    return out;
}

}  // namespace quenbo
