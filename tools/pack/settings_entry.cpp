#include "pack/settings_entry.h"

#include "core/cipher_key.h"
#include "core/setting_cipher.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace quenbo::pack {

namespace {

constexpr std::array<std::string_view, 9> kKeys = {"App_Key",  "App_Secret", "NickName",
                                                   "IndexUrl", "FanXianUrl", "Gateway",
                                                   "SiteUrl",  "ItemMethod", "AdzoneId"};

bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Length of the UTF-8 sequence that starts at text[i], or 0 when none valid starts there
// (overlong forms, surrogates and code points beyond U+10FFFF are invalid).
std::size_t utf8SequenceLength(std::string_view text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    if (byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
            return 0;
    return length;
}

}  // namespace

std::span<const std::string_view> settingKeys()
{
    return kKeys;
}

std::optional<std::string_view> canonicalSettingKey(std::string_view key)
{
    const auto found = std::find_if(kKeys.begin(), kKeys.end(), [&](std::string_view known) {
        return sameIgnoringCase(known, key);
    });
    if (found == kKeys.end())
        return std::nullopt;
    return *found;
}

std::string settingValueProblem(std::string_view value)
{
    for (std::size_t i = 0; i < value.size();) {
        const std::size_t length = utf8SequenceLength(value, i);
        if (length == 0)
            return "is not UTF-8 text";
        const auto c = static_cast<unsigned char>(value[i]);
        if (length == 1 && (c < 0x20 || c == 0x7F))
            return "holds a control character";
        i += length;
    }
    return {};
}

ArchiveEntry settingsEntry(std::span<const Setting> settings)
{
    const TSettingCipher cipher(settingsCipherKey());
    std::string text = "[config]\r\n";
    for (const Setting &setting : settings)
        text += setting.key + "=" + cipher.EncryptText(setting.value) + "\r\n";
    return ArchiveEntry{"config.ini", std::vector<std::uint8_t>(text.begin(), text.end()), true};
}

}  // namespace quenbo::pack
