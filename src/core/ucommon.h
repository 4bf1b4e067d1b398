#pragma once

#include "core/item_list.h"
#include "core/program_paths.h"
#include "core/setting_cipher.h"
#include "core/uTypeData.h"
#include "core/worker_registry.h"
#include "core/worker_slots.h"
#include "pictures/gif_image.h"
#include "platform/favourites_db.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quenbo {

class TJpegImage;
class TZipFile;

struct CreditIconEntry {
    std::int32_t Level = 0;
    std::unique_ptr<TGifImage> Image;  // empty when its archive entry failed to load
};

// The core object: the program's directories, the decoded base settings, the data-cache flag,
// the lists the other parts share and the registry of picture download workers. One instance
// lives from the main window's creation to its destruction. Everything runs on the GUI thread
// except RemoveWorker, which workers call from their own threads.
//
// Paths use "/" as separator. The files (the settings file with the data-cache flag, the
// picture cache and the favourites database) are where the program's ProgramPaths say;
// in the portable layout "config.ini", "temp/" and "data/data.db" beside the program.
class TCommon final {
public:
    // The production gateway, used when the archive names no Gateway.
    static constexpr std::string_view kProductionGateway = "http://gw.api.taobao.com";
    // The maker's web server, used when the archive names no SiteUrl.
    static constexpr std::string_view kDefaultSiteUrl = "http://www.quenbo.example";

    // Reads the base settings and credit icons from zip, which must outlive this object. The
    // files are those of paths; the first two forms use the portable layout of the
    // executable's directory or of appPath ("/" is added when missing). Raises the decoder's
    // ECipherException or EBase64Error for a required setting that is absent or malformed,
    // and IniError when the default settings file cannot be written.
    explicit TCommon(const TZipFile &zip);
    TCommon(const TZipFile &zip, std::string appPath);
    TCommon(const TZipFile &zip, const ProgramPaths &paths);
    // Runs Shutdown() when it has not run; an error it raises is dropped here.
    ~TCommon();
    TCommon(const TCommon &) = delete;
    TCommon &operator=(const TCommon &) = delete;

    // The destruction steps in their order: releases the icons, items, categories, favourite
    // ids and the database connection, stops the workers, stores the data-cache flag and,
    // when it is off, empties the picture cache. Runs once. Raises IniError when the settings
    // file exists but cannot be written; the picture cache is then left as it is.
    void Shutdown();

    // Settings and paths.
    std::string DecodeSetting(std::string_view text) const;
    void LoadSettings();
    void ReadCacheFlag();
    void SaveCacheFlag();
    void LoadCreditIcons();
    void ClearTempFiles();
    const std::string &SettingsFile() const { return FSettingsFile; }
    const std::string &DatabaseFile() const { return FDatabaseFile; }

    // The worker registry; see WorkerRegistry for the threading contract.
    void AddWorker(WorkerEntry entry) { Workers.add(std::move(entry)); }
    void RemoveWorker(std::uint32_t threadId) { Workers.remove(threadId); }
    void ReleaseWorkers() { Workers.releaseAll(); }
    // Destroys the workers that have finished their jobs; GUI thread, after a page is shown.
    void ReleaseEndedWorkers() { Workers.destroyEnded(); }

    // Removes the first record of Items whose NumIid equals id exactly, with its picture.
    void RemoveItem(const std::string &id);
    // The last 10 characters (code points) of a UTF-8 title; the whole title when shorter.
    static std::string SimilarKeyword(std::string_view title);

    // Request assembly and signing.
    static void SortParams(std::vector<std::string> &elements);
    std::string SignRequest(const std::vector<std::string> &elements) const;
    std::string BuildRequestUrl(const std::vector<std::string> &elements) const;
    // Gateway (or the production gateway) followed by "/router/rest?".
    std::string GatewayUrl() const;
    static std::string UrlEncode(std::string_view text, bool spaceAsPlus);
    static std::string CashBackCode(std::string_view amount);
    // FanXianUrl + NumIid + the six-digit code of the item's CashBack.
    std::string CashBackUrl(const TTaoBaoData &item) const;

    // Picture cache lookups.
    const TGifImage *CreditIcon(std::int32_t level) const;
    void FindItem(const std::string &id, TTaoBaoData &record) const;
    // Loads the item's cached picture into picture and returns true; otherwise loads the
    // stand-by picture and returns false. A null picture loads nothing and gives false.
    bool LoadItemPicture(const std::string &id, TJpegImage *picture) const;
    // Loads the item's cached picture into picture and returns true; false when there is none
    // or it is not a JPEG. Reads only the cache file, so any thread may call it.
    bool LoadCachedPicture(const std::string &id, TJpegImage &picture) const;
    // TempPath + id + ".jpg" for an id of plain decimal digits; nothing for any other id, so
    // no outside text ever leaves the cache directory.
    std::optional<std::string> CacheFileName(std::string_view id) const;

    // Favourites. A failure raises DatabaseError saying in Chinese what failed, then "：" and
    // the database's message ("收藏夹无法保存：database is locked"); a file that cannot be
    // opened is reported in the database layer's words, and a store closed by Shutdown as
    // "收藏夹数据库没有打开".
    // Every stored favourite, one row each with the table's columns.
    DbRows FavouriteRows();
    // Fills FavIds with the ids stored now; a database that cannot be read leaves it empty and
    // says nothing (its operations report it when used).
    void LoadFavouriteIds();
    // Stores the item of Items with this id, once, and counts it as a favourite from now on.
    void AddFavourite(const std::string &id);
    // Removes every stored row of the id, and the id from FavIds.
    void DeleteFavourite(const std::string &id);
    // Whether the id is stored: FavIds follows the store from the start, every add and every
    // removal, so the favourite button shows what is stored in every view.
    bool IsFavourite(const std::string &id) const { return FavIds.contains(id); }
    void ForgetFavourite(const std::string &id) { FavIds.removeFirst(id); }

    std::vector<CreditIconEntry> CreditIcons;
    CipherKeyBytes CipherKey{};
    std::unique_ptr<FavouritesDb> FavQuery;
    ItemList Items;
    std::vector<TShopClass> Categories;
    // At most this many download workers' threads run at once; the others wait their turn.
    // Declared before Workers, so it outlives every worker.
    static constexpr std::size_t kMaxDownloadThreads = 4;
    WorkerSlots DownloadSlots{kMaxDownloadThreads};
    WorkerRegistry Workers;
    IdList FavIds;
    std::string AppPath;   // the executable's directory
    std::string TempPath;  // the picture cache
    std::string AppKey;
    std::string AppSecret;
    std::string NickName;
    std::string IndexUrl;
    std::string FanXianUrl;
    std::string Gateway;  // base address of the gateway; empty for the production gateway
    std::string SiteUrl;  // base address of the maker's web server
    std::int32_t PreviewLeft = 0;
    bool DataCache = false;
    TTaoBaoData SelectedItem;

private:
    const TZipFile &FZip;
    std::string FSettingsFile;
    std::string FDatabaseFile;
    std::optional<TSettingCipher> FCipher;
    bool FShutDown = false;
};

}  // namespace quenbo
