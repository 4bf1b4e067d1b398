#pragma once

#include "core/favourites_store.h"
#include "core/picture_cache.h"
#include "core/program_paths.h"
#include "core/program_settings.h"
#include "core/request_signer.h"
#include "core/rows_on_screen.h"
#include "core/uTypeData.h"
#include "core/worker_registry.h"
#include "core/worker_slots.h"
#include "pictures/gif_image.h"

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

// The core object: the parts the rest of the program shares, made in their order and ended in
// theirs. Each part does one job and new code uses the part it needs:
// - Settings: the protected values of the resource archive and the data-cache flag;
// - Cache: the picture cache;
// - Favourites: the favourites store and the ids it holds;
// - Workers and DownloadSlots: the registry of picture download workers and their threads;
// - OnScreen: the item rows in view, whose pictures the workers fetch first;
// - Categories and the credit icons: what the window's lists show besides a page's items
//   (the item list's model owns those).
// The operations below keep their long-standing names and hand the work to those parts. One
// instance lives from the main window's creation to its destruction. Everything runs on the
// GUI thread except RemoveWorker, LoadCachedPicture and OnScreen, which workers use from their
// own threads.
//
// The files (the settings file with the data-cache flag, the picture cache and the favourites
// database) are where the program's ProgramPaths say; in the portable layout "config.ini",
// "temp/" and "data/data.db" beside the program.
class TCommon final {
public:
    // Reads the base settings and credit icons from zip, which must outlive this object. The
    // files are those of paths; the first form uses the portable layout of appPath ("/" is
    // added when missing). Raises the decoder's ECipherException or EBase64Error for a
    // required setting that is absent or malformed, and IniError when the default settings
    // file cannot be written.
    TCommon(const TZipFile &zip, std::string appPath);
    TCommon(const TZipFile &zip, const ProgramPaths &paths);
    // Runs Shutdown() when it has not run; an error it raises is dropped here.
    ~TCommon();
    TCommon(const TCommon &) = delete;
    TCommon &operator=(const TCommon &) = delete;

    // The destruction steps in their order: releases the icons, categories, favourite
    // ids and the database connection, stops the workers, stores the data-cache flag and,
    // when it is off, empties the picture cache. Runs once. Raises IniError when the settings
    // file exists but cannot be written; the picture cache is then left as it is.
    void Shutdown();

    // Settings and credit icons.
    void LoadSettings();
    void ReadCacheFlag() { Settings.readCacheFlag(); }
    void SaveCacheFlag() { Settings.saveCacheFlag(); }
    void LoadCreditIcons();

    // The worker registry; see WorkerRegistry for the threading contract.
    void AddWorker(WorkerEntry entry) { Workers.add(std::move(entry)); }
    void RemoveWorker(std::uint32_t threadId) { Workers.remove(threadId); }
    void ReleaseWorkers() { Workers.releaseAll(); }
    // Destroys the workers that have finished their jobs; GUI thread, after a page is shown.
    void ReleaseEndedWorkers() { Workers.destroyEnded(); }

    // The last 10 characters (code points) of a UTF-8 title; the whole title when shorter.
    static std::string SimilarKeyword(std::string_view title);

    // Request assembly and signing, with the settings' secret and gateway.
    RequestSigner Signer() const { return {Settings.AppSecret, Settings.GatewayAddress}; }
    static void SortParams(std::vector<std::string> &elements)
    {
        RequestSigner::sortParams(elements);
    }
    std::string SignRequest(const std::vector<std::string> &elements) const
    {
        return Signer().sign(elements);
    }
    std::string BuildRequestUrl(const std::vector<std::string> &elements) const
    {
        return Signer().requestUrl(elements);
    }
    // The gateway (or the production gateway) followed by "/router/rest?".
    std::string GatewayUrl() const { return Signer().gatewayUrl(); }
    static std::string UrlEncode(std::string_view text, bool spaceAsPlus)
    {
        return RequestSigner::urlEncode(text, spaceAsPlus);
    }
    static std::string CashBackCode(std::string_view amount)
    {
        return quenbo::CashBackCode(amount);
    }
    // FanXianUrl + NumIid + the six-digit code of the item's CashBack.
    std::string CashBackUrl(const TTaoBaoData &item) const
    {
        return CashBackAddress(Settings.FanXianUrl, item.NumIid, item.CashBack);
    }

    // Picture cache lookups.
    const TGifImage *CreditIcon(std::int32_t level) const;
    bool LoadCachedPicture(const std::string &id, TJpegImage &picture) const
    {
        return Cache.load(id, picture);
    }
    std::optional<std::string> CacheFileName(std::string_view id) const
    {
        return Cache.fileName(id);
    }

    // Favourites; see FavouritesStore for the errors.
    DbRows FavouriteRows() { return Favourites.rows(); }
    void LoadFavouriteIds() { Favourites.loadIds(); }
    // Removes every stored row of the id, and the id from the favourites.
    void DeleteFavourite(const std::string &id) { Favourites.remove(id); }
    bool IsFavourite(const std::string &id) const { return Favourites.contains(id); }

    ProgramSettings Settings;
    PictureCache Cache;
    FavouritesStore Favourites;
    std::vector<CreditIconEntry> CreditIcons;
    std::vector<TShopClass> Categories;
    // At most this many download workers' threads run at once; the others wait their turn.
    // Declared before Workers, so it outlives every worker.
    static constexpr std::size_t kMaxDownloadThreads = 4;
    WorkerSlots DownloadSlots{kMaxDownloadThreads};
    // Declared before Workers, so it outlives every worker that reads it.
    RowsOnScreen OnScreen;
    WorkerRegistry Workers;

private:
    const TZipFile &FZip;
    bool FShutDown = false;
};

}  // namespace quenbo
