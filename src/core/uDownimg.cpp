#include "core/uDownimg.h"

#include "core/ucommon.h"
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
    // The connection is made here, on the worker's own thread, so that the page load that
    // queued the jobs does not wait for it.
    Http.emplace();
    Http->setAbortFlag(&Stopped);
    while (!Jobs.empty()) {
        if (Stopped)
            break;
        // A job that fails fails only itself: its row is told that no picture is coming, and
        // the pictures of the later items are still fetched. A job cut short by the stop flag
        // is no failure of its picture; the stopped worker reports nothing.
        const bool done = DoJob(Jobs.front());
        if (!done && !Stopped && FFailedItem)
            FFailedItem(Jobs.front().NumIid);
        // A body is held only while its job runs.
        Buffer = std::string();
        Jpeg = TJpegImage();
        if (Stopped)
            break;
        Jobs.pop_front();
    }
    Jobs.clear();
    // The connection goes with the last job, not with the worker object, which the registry
    // destroys later.
    Http.reset();
    // Stopped at shutdown: the registry has let go of this worker already.
    if (!Stopped)
        FCommon.RemoveWorker(FThreadId);
    FCommon.DownloadSlots.finished();
}

bool TImgDown::DoJob(const TDownPic &job)
{
    // An id that is not a plain number has no cache file; there is nothing to fetch it into.
    const std::optional<std::string> file = FCommon.Cache.fileName(job.NumIid);
    if (!file)
        return false;
    std::error_code error;
    if (std::filesystem::exists(*file, error)) {
        FRefreshItem(job.NumIid);
        return true;
    }
    try {
        Buffer = Http->get(job.PicUrl + job.PicSuffix);
        if (Stopped)
            return false;
        Jpeg.LoadFromBuffer({reinterpret_cast<const std::uint8_t *>(Buffer.data()), Buffer.size()});
    } catch (const std::exception &) {
        return false;
    }
    if (Jpeg.Width() > kMaxPictureSide || Jpeg.Height() > kMaxPictureSide ||
        std::int64_t(Jpeg.Width()) * Jpeg.Height() > kMaxPicturePixels)
        return false;
    // Written under a temporary name and renamed into place, so no reader ever takes a
    // half-written file for the item's picture.
    if (!writeFileAtomically(*file, Buffer, WriteSync::Unsynced))
        return false;
    FRefreshItem(job.NumIid);
    return true;
}

}  // namespace quenbo
