#include "core/startup_error.h"

#include "assets/uzipfile.h"
#include "core/cipher_key.h"
#include "platform/ini_file.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quenbo {

std::string DescribeSettingsFailure(const TZipFile &zip, const std::string &archivePath,
                                    const std::string &reason)
{
    static constexpr const char *kRequired[] = {"App_Key", "App_Secret", "NickName", "IndexUrl",
                                                "FanXianUrl"};
    static constexpr const char *kOptional[] = {"Gateway", "SiteUrl", "ItemMethod", "AdzoneId"};
    // The details after the Chinese words: the archive, then the decoder's message.
    const auto details = [&](const std::string &message) {
        return "：\"" + archivePath + "\": " + message;
    };
    const auto cannotDecode = [&](const char *key, const std::string &message) {
        return std::string("资源包的 config.ini 里的设置 ") + key + " 无法解码" + details(message);
    };

    std::vector<std::uint8_t> entry;
    if (!zip.ReadEntry("config.ini", entry))
        return "资源包的 config.ini 条目缺失或损坏，基础设置无法读取" + details(reason);
    const IniText ini(std::string_view(reinterpret_cast<const char *>(entry.data()), entry.size()));
    const TSettingCipher cipher(settingsCipherKey());
    // The decoder's own message for the text, or nothing when it decodes.
    const auto decodeError = [&](const std::string &text) -> std::optional<std::string> {
        try {
            cipher.DecryptText(text);
            return std::nullopt;
        } catch (const std::exception &error) {
            return std::string(error.what());
        }
    };
    for (const char *key : kRequired) {
        const std::string text = ini.value("config", key).value_or(std::string());
        const std::optional<std::string> error = decodeError(text);
        if (!error)
            continue;
        if (text.empty())
            return std::string("资源包的 config.ini 里缺少设置 ") + key + details(*error);
        return cannotDecode(key, *error);
    }
    for (const char *key : kOptional) {
        const std::optional<std::string> text = ini.value("config", key);
        if (!text || text->empty())
            continue;
        if (const std::optional<std::string> error = decodeError(*text))
            return cannotDecode(key, *error);
    }
    return "资源包的 config.ini 里的基础设置无法解码" + details(reason);
}

}  // namespace quenbo
