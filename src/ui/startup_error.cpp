#include "startup_error.h"

#include "cipher_key.h"
#include "ini_file.h"
#include "uzipfile.h"

#include <cstdint>
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
               "\" is missing or damaged.";
    const IniText ini(std::string_view(reinterpret_cast<const char *>(entry.data()), entry.size()));
    const TSettingCipher cipher(settingsCipherKey());
    const auto decodes = [&](const std::string &text) {
        try {
            cipher.DecryptText(text);
            return true;
        } catch (const std::exception &) {
            return false;
        }
    };
    for (const char *key : kRequired) {
        const std::optional<std::string> text = ini.value("config", key);
        if (!text || text->empty())
            return std::string("The setting ") + key + " is missing" + where + ".";
        if (!decodes(*text))
            return std::string("The setting ") + key + where + " cannot be decoded: " + reason;
    }
    for (const char *key : kOptional) {
        const std::optional<std::string> text = ini.value("config", key);
        if (text && !text->empty() && !decodes(*text))
            return std::string("The setting ") + key + where + " cannot be decoded: " + reason;
    }
    return "The base settings" + where + " cannot be decoded: " + reason;
}

}  // namespace quenbo
