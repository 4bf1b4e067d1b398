#include "core/program_settings.h"

#include "assets/uzipfile.h"
#include "core/cipher_key.h"
#include "core/number_format.h"
#include "platform/ini_file.h"

#include <filesystem>
#include <vector>

namespace quenbo {

namespace fs = std::filesystem;

namespace {

constexpr const char *kSettingsSection = "config";
constexpr const char *kCacheFlagKey = "deltmp";
constexpr std::string_view kDefaultSettings = "[config]\r\ndeltmp=true\r\n";

bool fileExists(const std::string &file)
{
    std::error_code ignored;
    return fs::exists(file, ignored);
}

}  // namespace

ProgramSettings::ProgramSettings(std::string settingsFile)
    : m_file(std::move(settingsFile))
    , m_cipher(settingsCipherKey())
{
}

std::string ProgramSettings::decode(std::string_view text) const
{
    return m_cipher.DecryptText(text);
}

void ProgramSettings::load(const TZipFile &zip)
{
    // An entry that cannot be read stays empty, so the first required key fails to decode.
    std::vector<std::uint8_t> entry;
    zip.ReadEntry("config.ini", entry);
    const IniText ini(std::string_view(reinterpret_cast<const char *>(entry.data()), entry.size()));
    const auto required = [&](const char *key) {
        return decode(ini.value(kSettingsSection, key).value_or(std::string()));
    };
    AppKey = required("App_Key");
    AppSecret = required("App_Secret");
    NickName = required("NickName");
    IndexUrl = required("IndexUrl");
    FanXianUrl = required("FanXianUrl");

    // Optional: absent or empty means the built-in address; present means decoded.
    const auto optional = [&](const char *key) {
        const std::string text = ini.value(kSettingsSection, key).value_or(std::string());
        return text.empty() ? std::string() : decode(text);
    };
    GatewayAddress = optional("Gateway");
    SiteUrl = optional("SiteUrl");
    if (SiteUrl.empty())
        SiteUrl = kDefaultSiteUrl;

    const std::string method = optional("ItemMethod");
    AdzoneId = optional("AdzoneId");
    Method = ItemMethod::Classic;
    if (method.empty())
        return;
    if (method != kMaterialSearchMethod)
        throw SettingsError("资源包的 config.ini 里的设置 ItemMethod 不受支持：\"" + method +
                            "\"，只能是 " + std::string(kMaterialSearchMethod));
    const bool digits =
        !AdzoneId.empty() && AdzoneId.find_first_not_of("0123456789") == std::string::npos;
    if (!digits)
        throw SettingsError("资源包的 config.ini 里的设置 AdzoneId 应是推广位的数字编号：\"" +
                            AdzoneId + "\"");
    Method = ItemMethod::MaterialSearch;
}

void ProgramSettings::createFile()
{
    if (!fileExists(m_file))
        writeIniText(m_file, kDefaultSettings);
}

void ProgramSettings::readCacheFlag()
{
    if (!fileExists(m_file))
        return;
    const std::optional<std::string> value = readIniValue(m_file, kSettingsSection, kCacheFlagKey);
    DataCache = value && parseWholeNumber(*value).value_or(0) != 0;
}

void ProgramSettings::saveCacheFlag()
{
    if (!fileExists(m_file))
        return;
    writeIniValue(m_file, kSettingsSection, kCacheFlagKey, DataCache ? "1" : "0");
}

}  // namespace quenbo
