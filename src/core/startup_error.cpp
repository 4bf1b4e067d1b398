#include "startup_error.h"

#include "cipher_key.h"
#include "ini_file.h"
#include "uzipfile.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quenbo {

std::string DescribeSettingsFailure(const TZipFile &zip, const std::string &archivePath,
                                    const std::string &reason)
{
    static constexpr const char *kRequired[] = {"App_Key", "App_Secret", "NickName", "IndexUrl",
                                                "FanXianUrl"};
    static constexpr const char *kOptional[] = {"Gateway", "SiteUrl"};
    const std::string where = " in the config.ini entry of \"" + archivePath + "\"";

    std::vector<std::uint8_t> entry;
    if (!zip.ReadEntry("config.ini", entry))
        return "The base settings cannot be read: the config.ini entry of \"" + archivePath +
               "\" is missing or damaged: " + reason;
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
            return std::string("The setting ") + key + " is missing" + where + ": " + *error;
        return std::string("The setting ") + key + where + " cannot be decoded: " + *error;
    }
    for (const char *key : kOptional) {
        const std::optional<std::string> text = ini.value("config", key);
        if (!text || text->empty())
            continue;
        if (const std::optional<std::string> error = decodeError(*text))
            return std::string("The setting ") + key + where + " cannot be decoded: " + *error;
    }
    return "The base settings" + where + " cannot be decoded: " + reason;
}

}  // namespace quenbo
