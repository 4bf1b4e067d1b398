#include "core/ucommon.h"

#include "assets/uzipfile.h"
#include "core/text_util.h"

#include <stdexcept>

namespace quenbo {

namespace {

ProgramPaths portableLayoutOf(std::string appPath)
{
    if (appPath.empty())
        throw std::invalid_argument("TCommon needs the program directory");
    return PortablePaths(std::move(appPath));
}

}  // namespace

TCommon::TCommon(const TZipFile &zip, std::string appPath)
    : TCommon(zip, portableLayoutOf(std::move(appPath)))
{
}

TCommon::TCommon(const TZipFile &zip, const ProgramPaths &paths)
    : Settings(paths.settingsFile)
    , Cache(paths.cacheFolder)
    // The database file is opened at the first statement; without it every favourites
    // operation fails with the database layer's error, and nothing creates the file.
    , Favourites(paths.databaseFile)
    , FZip(zip)
{
    LoadCreditIcons();
    LoadFavouriteIds();
    LoadSettings();
    Settings.createFile();
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
    Categories.clear();
    Favourites.close();
    ReleaseWorkers();
    SaveCacheFlag();
    Cache.finish(Settings.DataCache);
}

void TCommon::LoadSettings()
{
    Settings.load(FZip);
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

const TGifImage *TCommon::CreditIcon(std::int32_t level) const
{
    for (const CreditIconEntry &entry : CreditIcons)
        if (entry.Level == level)
            return entry.Image.get();
    return nullptr;
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
