#include "core/ucommon.h"

#include "assets/uzipfile.h"
#include "core/cipher_key.h"
#include "core/number_format.h"
#include "core/text_util.h"
#include "platform/ini_file.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace quenbo {

namespace fs = std::filesystem;

namespace {

constexpr const char *kSettingsSection = "config";
constexpr const char *kCacheFlagKey = "deltmp";
constexpr std::string_view kDefaultSettings = "[config]\r\ndeltmp=true\r\n";

std::string executableDirectory()
{
    return fs::read_symlink("/proc/self/exe").parent_path().string() + "/";
}

ProgramPaths portableLayoutOf(std::string appPath)
{
    if (appPath.empty())
        throw std::invalid_argument("TCommon needs the program directory");
    return PortablePaths(std::move(appPath));
}

}  // namespace

TCommon::TCommon(const TZipFile &zip)
    : TCommon(zip, executableDirectory())
{
}

TCommon::TCommon(const TZipFile &zip, std::string appPath)
    : TCommon(zip, portableLayoutOf(std::move(appPath)))
{
}

TCommon::TCommon(const TZipFile &zip, const ProgramPaths &paths)
    : FZip(zip)
    , FSettingsFile(paths.settingsFile)
    , FDatabaseFile(paths.databaseFile)
{
    CipherKey = settingsCipherKey();
    FCipher.emplace(CipherKey);

    AppPath = paths.programFolder;
    TempPath = paths.cacheFolder;
    std::error_code ignored;
    fs::create_directory(TempPath, ignored);

    LoadCreditIcons();
    // The database file is opened at the first statement; without it every favourites
    // operation fails with the database layer's error, and nothing creates the file.
    FavQuery = std::make_unique<FavouritesDb>(DatabaseFile());
    LoadFavouriteIds();
    LoadSettings();

    const std::string settings = SettingsFile();
    if (!fs::exists(settings, ignored))
        writeIniText(settings, kDefaultSettings);
    ReadCacheFlag();
}

TCommon::~TCommon()
{
    try {
        Shutdown();
    } catch (const std::exception &) {
        // A destructor cannot report; callers that care call Shutdown() first.
    }
}

void TCommon::Shutdown()
{
    if (FShutDown)
        return;
    FShutDown = true;
    CreditIcons.clear();
    Items.clear();
    Categories.clear();
    FavIds.clear();
    FavQuery.reset();
    ReleaseWorkers();
    SaveCacheFlag();
    if (!DataCache)
        ClearTempFiles();
}

std::string TCommon::DecodeSetting(std::string_view text) const
{
    return FCipher->DecryptText(text);
}

void TCommon::LoadSettings()
{
    // An entry that cannot be read stays empty, so the first required key fails to decode.
    std::vector<std::uint8_t> entry;
    FZip.ReadEntry("config.ini", entry);
    const IniText ini(std::string_view(reinterpret_cast<const char *>(entry.data()), entry.size()));
    const auto required = [&](const char *key) {
        return DecodeSetting(ini.value(kSettingsSection, key).value_or(std::string()));
    };
    AppKey = required("App_Key");
    AppSecret = required("App_Secret");
    NickName = required("NickName");
    IndexUrl = required("IndexUrl");
    FanXianUrl = required("FanXianUrl");

    // Optional: absent or empty means the built-in address; present means decoded.
    const auto optional = [&](const char *key) {
        const std::string text = ini.value(kSettingsSection, key).value_or(std::string());
        return text.empty() ? std::string() : DecodeSetting(text);
    };
    Gateway = optional("Gateway");
    SiteUrl = optional("SiteUrl");
    if (SiteUrl.empty())
        SiteUrl = kDefaultSiteUrl;
}

void TCommon::ReadCacheFlag()
{
    const std::string file = SettingsFile();
    std::error_code ignored;
    if (!fs::exists(file, ignored))
        return;
    const std::optional<std::string> value = readIniValue(file, kSettingsSection, kCacheFlagKey);
    DataCache = value && parseWholeNumber(*value).value_or(0) != 0;
}

void TCommon::SaveCacheFlag()
{
    const std::string file = SettingsFile();
    std::error_code ignored;
    if (!fs::exists(file, ignored))
        return;
    writeIniValue(file, kSettingsSection, kCacheFlagKey, DataCache ? "1" : "0");
}

void TCommon::LoadCreditIcons()
{
    CreditIcons.clear();
    for (std::int32_t level = 1; level <= kCreditLevels; ++level) {
        CreditIconEntry entry{level, std::make_unique<TGifImage>()};
        FZip.ReadGif(std::to_string(level), *entry.Image);
        CreditIcons.push_back(std::move(entry));
    }
}

void TCommon::ClearTempFiles()
{
    std::error_code error;
    fs::directory_iterator entries(TempPath, error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        std::error_code ignored;
        const fs::file_status status = entries->symlink_status(ignored);
        // A link is removed as a link; its target, wherever it is, stays.
        if (fs::is_regular_file(status) || fs::is_symlink(status))
            fs::remove(entries->path(), ignored);
    }
}

void TCommon::RemoveItem(const std::string &id)
{
    Items.removeFirst(id);
}

std::string TCommon::SimilarKeyword(std::string_view title)
{
    constexpr std::size_t kCharacters = 10;
    std::vector<std::size_t> starts;
    for (std::size_t at = 0; at < title.size(); at += decodeUtf8At(title, at).second)
        starts.push_back(at);
    const std::size_t first = starts.size() > kCharacters ? starts[starts.size() - kCharacters] : 0;
    return std::string(title.substr(first));
}

}  // namespace quenbo
