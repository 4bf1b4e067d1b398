#pragma once

#include "core/setting_cipher.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace quenbo {

class TZipFile;

// The item search the program uses: the long-standing item method, or today's material search
// (taobao.tbk.dg.material.optional.upgrade) for affiliate keys issued now.
enum class ItemMethod { Classic, MaterialSearch };

// A protected value that decodes but cannot be used; the message says in Chinese which
// setting and why.
class SettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The program's settings: the protected values of the resource archive, decoded with the
// settings key, and the data-cache flag kept in the settings file (section "config", key
// "deltmp"). GUI thread only.
class ProgramSettings {
public:
    // The maker's web server, used when the archive names no SiteUrl.
    static constexpr std::string_view kDefaultSiteUrl = "http://www.quenbo.example";
    // The ItemMethod value that selects the material search.
    static constexpr std::string_view kMaterialSearchMethod =
        "taobao.tbk.dg.material.optional.upgrade";

    // settingsFile is the file that keeps the data-cache flag.
    explicit ProgramSettings(std::string settingsFile);

    const std::string &file() const { return m_file; }

    // The plain text of one protected value; raises the decoder's ECipherException or
    // EBase64Error when it is malformed.
    std::string decode(std::string_view text) const;
    // Reads the protected values from the archive's "config.ini". A required value that is
    // absent or malformed raises as decode() does; an optional one that is absent or empty
    // leaves its built-in default. An ItemMethod other than kMaterialSearchMethod, or with it
    // an AdzoneId that is not decimal digits, raises SettingsError naming the value.
    void load(const TZipFile &zip);

    // Writes the settings file with the flag on when there is no such file yet; raises
    // IniError when it cannot be written.
    void createFile();
    // Reads the flag from the settings file; a missing file leaves it as it is.
    void readCacheFlag();
    // Stores the flag in the settings file when the file exists; raises IniError when it
    // cannot be written.
    void saveCacheFlag();

    std::string AppKey;
    std::string AppSecret;
    std::string NickName;
    std::string IndexUrl;
    std::string FanXianUrl;
    std::string GatewayAddress;  // base address of the gateway; empty for the production one
    std::string SiteUrl;         // base address of the maker's web server
    bool DataCache = false;      // keep the picture cache at exit
    ItemMethod Method = ItemMethod::Classic;
    std::string AdzoneId;  // the ad zone of the affiliate's PID, for the material search

private:
    std::string m_file;
    TSettingCipher m_cipher;
};

}  // namespace quenbo
