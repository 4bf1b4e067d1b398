#pragma once

#include "core/uTypeData.h"
#include "core/worker_registry.h"
#include "platform/http_client.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>

namespace quenbo {

class TCommon;

// Fetches the pictures of one batch of items on a thread of its own and stores each in the
// picture cache as its file for the id (PictureCache::fileName), holding exactly the downloaded
// bytes.
//
// The creator, on the GUI thread, makes the worker (suspended), registers it with
// TCommon::AddWorker, adds the jobs and starts it. Its thread runs as soon as one of
// TCommon::DownloadSlots is free. The worker keeps up to kParallelDownloads transfers in
// flight on one thread, taking next the job of the highest row on screen (TCommon::OnScreen)
// and otherwise the jobs in order; a job whose picture is cached already only asks for a
// repaint. A job that fails fails only itself and is reported by the failure hook, so that its
// row stops waiting; after the last job the worker takes itself out of the registry and lets
// go of its connections and buffers. StopWork ends it at shutdown without any further file,
// repaint request or failure report.
class TImgDown final : public TWorker {
public:
    // Item pictures are a few hundred pixels a side; a downloaded picture larger than this,
    // though within what the decoders take from the archive, is refused and not cached.
    static constexpr int kMaxPictureSide = 4096;
    static constexpr std::int64_t kMaxPicturePixels = 16'000'000;
    // Transfers of one worker in flight at once, as a browser fetches a page's pictures.
    static constexpr std::size_t kParallelDownloads =
        std::size_t(ParallelFetch::kMaxHostConnections);

    // Called on the worker's thread with the id of an item whose picture is now cached; the
    // receiver must carry the request over to the GUI thread itself.
    using RefreshHook = std::function<void(const std::string &id)>;

    // A suspended worker: its thread does not run until Start. common must outlive it.
    // failedItem, when given, is set as by SetFailureHook.
    TImgDown(TCommon &common, RefreshHook refreshItem, RefreshHook failedItem = {});
    // Stops the worker and waits for its thread.
    ~TImgDown() override;

    // The id under which the worker is registered; fixed from creation on.
    std::uint32_t ThreadId() const { return FThreadId; }
    // Called on the worker's thread with the id of an item whose picture could not be had: no
    // connection, a reply that is no success or no JPEG, a picture over the size caps, an id
    // with no cache file, a cache file that cannot be written. Never for a job whose picture is
    // cached already, nor once the worker is stopped. The receiver carries the report over to
    // the GUI thread itself, as for the refresh hook. Only before Start; empty reports nothing.
    void SetFailureHook(RefreshHook failedItem);
    // Appends a job. Only while the worker is suspended.
    void AddJob(TDownPic job);
    // Starts the thread, at once or when a download slot frees. Once.
    void Start();
    // Sets the stop flag, which also aborts the transfers in flight; their jobs are
    // abandoned. A worker that never started drops its jobs and never runs.
    void StopWork() override;

private:
    struct InFlight {
        TDownPic job;
        std::string file;
    };

    void Execute();
    // Takes the next job and either asks for its row's repaint (cached already), reports it
    // failed (no cache file for its id) or starts its transfer.
    void BeginNextJob();
    // Checks the picture of an ended transfer, writes it into the cache and asks for its row's
    // repaint; a transfer that failed, or a picture that is no JPEG, is over the size caps or
    // cannot be written, writes nothing and is reported failed.
    void FinishJob(ParallelFetch::Result &result);
    void ReportFailure(const std::string &id);

    TCommon &FCommon;
    RefreshHook FRefreshItem;
    RefreshHook FFailedItem;
    const std::uint32_t FThreadId;
    std::deque<TDownPic> Jobs;
    std::optional<ParallelFetch> Fetch;  // made when the thread starts, released after the jobs
    std::map<std::uint64_t, InFlight> Running;
    std::uint64_t FNextTag = 0;
    std::atomic<bool> Stopped{false};
    bool FStarted = false;  // Start was called; GUI thread only
    std::thread FThread;    // assigned under DownloadSlots' lock
};

}  // namespace quenbo
