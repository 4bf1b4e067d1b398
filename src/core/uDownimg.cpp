#include "core/uDownimg.h"

#include "core/ucommon.h"
#include "pictures/jpeg_image.h"
#include "platform/file_io.h"

#include <filesystem>

namespace quenbo {

namespace {

std::uint32_t NextThreadId()
{
    static std::atomic<std::uint32_t> next{1};
    return next++;
}

}  // namespace

TImgDown::TImgDown(TCommon &common, RefreshHook refreshItem, RefreshHook failedItem)
    : FCommon(common)
    , FRefreshItem(std::move(refreshItem))
    , FFailedItem(std::move(failedItem))
    , FThreadId(NextThreadId())
{
}

TImgDown::~TImgDown()
{
    Stopped = true;
    // Once out of the line no thread starts this worker, and the lock orders this read of
    // FThread after any start.
    FCommon.DownloadSlots.cancel(this);
    if (FThread.joinable())
        FThread.join();
}

void TImgDown::SetFailureHook(RefreshHook failedItem)
{
    if (!FStarted)
        FFailedItem = std::move(failedItem);
}

void TImgDown::AddJob(TDownPic job)
{
    if (!FStarted)
        Jobs.push_back(std::move(job));
}

void TImgDown::Start()
{
    if (FStarted || Stopped)
        return;
    FStarted = true;
    FCommon.DownloadSlots.request(this, [this] { FThread = std::thread([this] { Execute(); }); });
}

void TImgDown::StopWork()
{
    Stopped = true;
    // A worker that never got a thread drops its jobs; it never runs.
    if (!FStarted || FCommon.DownloadSlots.cancel(this))
        Jobs.clear();
}

void TImgDown::Execute()
{
    // The connections are made here, on the worker's own thread, so that the page load that
    // queued the jobs does not wait for them.
    Fetch.emplace();
    Fetch->setAbortFlag(&Stopped);
    while (!Stopped) {
        // A job is taken only when a transfer can start at once, so a row scrolled into view
        // is fetched next rather than after jobs taken earlier.
        while (!Stopped && !Jobs.empty() && Fetch->pending() < kParallelDownloads)
            BeginNextJob();
        if (Fetch->pending() == 0)
            break;
        // A job that fails fails only itself: its row is told that no picture is coming, and
        // the pictures of the other items are still fetched. A transfer cut short by the stop
        // flag is no failure of its picture; the stopped worker reports nothing.
        for (ParallelFetch::Result &result : Fetch->wait())
            FinishJob(result);
    }
    Jobs.clear();
    Running.clear();
    // The connections go with the last job, not with the worker object, which the registry
    // destroys later.
    Fetch.reset();
    // Stopped at shutdown: the registry has let go of this worker already.
    if (!Stopped)
        FCommon.RemoveWorker(FThreadId);
    FCommon.DownloadSlots.finished();
}

void TImgDown::BeginNextJob()
{
    const std::size_t at = FCommon.OnScreen.next(Jobs);
    TDownPic job = std::move(Jobs[at]);
    Jobs.erase(Jobs.begin() + std::ptrdiff_t(at));
    // An id that is not a plain number has no cache file; there is nothing to fetch it into.
    std::optional<std::string> file = FCommon.Cache.fileName(job.NumIid);
    if (!file) {
        ReportFailure(job.NumIid);
        return;
    }
    std::error_code error;
    if (std::filesystem::exists(*file, error)) {
        FRefreshItem(job.NumIid);
        return;
    }
    const std::uint64_t tag = FNextTag++;
    Fetch->add(tag, job.PicUrl + job.PicSuffix);
    Running.emplace(tag, InFlight{std::move(job), std::move(*file)});
}

void TImgDown::FinishJob(ParallelFetch::Result &result)
{
    const auto found = Running.find(result.tag);
    if (found == Running.end())
        return;
    const InFlight done = std::move(found->second);
    Running.erase(found);
    if (Stopped)
        return;
    if (result.error) {
        ReportFailure(done.job.NumIid);
        return;
    }
    // The body is held only until it is written.
    const std::string body = std::move(result.body);
    TJpegImage picture;
    try {
        picture.LoadFromBuffer({reinterpret_cast<const std::uint8_t *>(body.data()), body.size()});
    } catch (const std::exception &) {
        ReportFailure(done.job.NumIid);
        return;
    }
    if (picture.Width() > kMaxPictureSide || picture.Height() > kMaxPictureSide ||
        std::int64_t(picture.Width()) * picture.Height() > kMaxPicturePixels) {
        ReportFailure(done.job.NumIid);
        return;
    }
    // A cache file is never replaced: another transfer for the same id (an item listed twice)
    // may have stored it meanwhile. Written under a temporary name and renamed into place, so
    // no reader ever takes a half-written file for the item's picture.
    std::error_code error;
    if (!std::filesystem::exists(done.file, error) &&
        !writeFileAtomically(done.file, body, WriteSync::Unsynced)) {
        ReportFailure(done.job.NumIid);
        return;
    }
    FRefreshItem(done.job.NumIid);
}

void TImgDown::ReportFailure(const std::string &id)
{
    if (!Stopped && FFailedItem)
        FFailedItem(id);
}

}  // namespace quenbo
