#include "uDownimg.h"

#include "file_io.h"
#include "ucommon.h"

#include <filesystem>

namespace quenbo {

namespace {

std::uint32_t NextThreadId()
{
    static std::atomic<std::uint32_t> next{1};
    return next++;
}

}  // namespace

TImgDown::TImgDown(TCommon &common, RefreshHook refreshItem)
    : FCommon(common)
    , FRefreshItem(std::move(refreshItem))
    , FThreadId(NextThreadId())
{
    Http.setAbortFlag(&Stopped);
}

TImgDown::~TImgDown()
{
    Stopped = true;
    if (FThread.joinable())
        FThread.join();
}

void TImgDown::AddJob(TDownPic job)
{
    if (!FThread.joinable())
        Jobs.push_back(std::move(job));
}

void TImgDown::Start()
{
    if (!FThread.joinable() && !Stopped)
        FThread = std::thread([this] { Execute(); });
}

void TImgDown::StopWork()
{
    Stopped = true;
    if (!FThread.joinable())
        Jobs.clear();
}

void TImgDown::Execute()
{
    while (!Jobs.empty()) {
        if (Stopped)
            break;
        // A job that fails fails only itself: its row keeps the stand-by picture, and the
        // pictures of the later items are still fetched.
        DoJob(Jobs.front());
        if (Stopped)
            break;
        Jobs.pop_front();
    }
    if (Stopped) {
        // Stopped at shutdown: the registry has let go of this worker already.
        Jobs.clear();
        return;
    }
    FCommon.RemoveWorker(FThreadId);
}

void TImgDown::DoJob(const TDownPic &job)
{
    // An id that is not a plain number has no cache file; there is nothing to fetch it into.
    const std::optional<std::string> file = FCommon.CacheFileName(job.NumIid);
    if (!file)
        return;
    std::error_code error;
    if (std::filesystem::exists(*file, error)) {
        FRefreshItem(job.NumIid);
        return;
    }
    try {
        Buffer = Http.get(job.PicUrl + "_b.jpg");
        if (Stopped)
            return;
        Jpeg.LoadFromBuffer({reinterpret_cast<const std::uint8_t *>(Buffer.data()), Buffer.size()});
    } catch (const std::exception &) {
        return;
    }
    // Written under a temporary name and renamed into place, so no reader ever takes a
    // half-written file for the item's picture.
    if (!writeFileAtomically(*file, Buffer, WriteSync::Unsynced))
        return;
    FRefreshItem(job.NumIid);
}

}  // namespace quenbo
