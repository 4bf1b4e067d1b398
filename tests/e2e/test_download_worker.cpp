#include "core/uDownimg.h"
#include "core/ucommon.h"
#include "local_http_server.h"
#include "pictures/picture_writers.h"
#include "program_folder.h"
#include "sandbox/sandbox_server.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <mutex>
#include <thread>

namespace quenbo {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A worker's transfers run side by side and end in any order.
std::vector<std::string> sorted(std::vector<std::string> ids)
{
    std::sort(ids.begin(), ids.end());
    return ids;
}

// The application's core object in a temporary program directory, a sandbox on a free
// loopback port, and the repaint requests and failure reports that workers make.
class DownloadWorkerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir.writeStandardArchive();
        m_zip = m_dir.openArchive();
        m_common = std::make_unique<TCommon>(*m_zip, m_dir.appPath());
        m_sandbox = std::make_unique<sandbox::SandboxServer>(sandbox::SandboxConfig{});
        m_sandbox->start();
        m_control = std::make_unique<httplib::Client>("127.0.0.1", m_sandbox->port());
    }

    void TearDown() override
    {
        m_common->ReleaseWorkers();
        m_common.reset();
    }

    std::string itemId(std::size_t index) const
    {
        return m_sandbox->catalogue().items()[index].numIid;
    }
    TDownPic job(std::size_t index) const
    {
        const std::string id = itemId(index);
        return {id, m_sandbox->baseUrl() + "/pic/" + id};
    }

    void setFault(const std::string &id, const std::string &kind, const std::string &extra = "")
    {
        const auto result =
            m_control->Post("/__control/fault", "picture=" + id + "&kind=" + kind + extra,
                            "application/x-www-form-urlencoded");
        ASSERT_TRUE(result && result->status == 200);
    }

    // Makes, registers, fills and starts a worker the way the item answer parser does.
    TImgDown *startWorker(const std::vector<TDownPic> &jobs, bool start = true)
    {
        auto worker = std::make_unique<TImgDown>(*m_common, [this](const std::string &id) {
            const std::lock_guard lock(m_mutex);
            m_refreshed.push_back(id);
        });
        worker->SetFailureHook([this](const std::string &id) {
            const std::lock_guard lock(m_mutex);
            m_failed.push_back(id);
        });
        TImgDown *raw = worker.get();
        m_common->AddWorker({raw->ThreadId(), std::move(worker)});
        for (const TDownPic &j : jobs)
            raw->AddJob(j);
        if (start)
            raw->Start();
        return raw;
    }

    // Waits, within a generous bound, until every worker has left the registry.
    bool waitForWorkers()
    {
        for (int i = 0; i < 1000 && m_common->Workers.size() > 0; ++i)
            std::this_thread::sleep_for(10ms);
        return m_common->Workers.size() == 0;
    }

    std::vector<std::string> refreshed()
    {
        const std::lock_guard lock(m_mutex);
        return m_refreshed;
    }
    std::vector<std::string> failed()
    {
        const std::lock_guard lock(m_mutex);
        return m_failed;
    }

    fs::path cacheFile(const std::string &id) const { return m_dir.tempDir() / (id + ".jpg"); }
    std::string servedPicture(const std::string &id)
    {
        const auto result = m_control->Get("/pic/" + id + "_b.jpg");
        return result ? result->body : std::string();
    }
    std::string fileBytes(const fs::path &path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::size_t cacheEntries() const
    {
        return std::size_t(std::distance(fs::directory_iterator(m_dir.tempDir()), {}));
    }

    testsupport::ProgramFolder m_dir;
    std::unique_ptr<TZipFile> m_zip;
    std::unique_ptr<TCommon> m_common;
    std::unique_ptr<sandbox::SandboxServer> m_sandbox;
    std::unique_ptr<httplib::Client> m_control;
    std::mutex m_mutex;
    std::vector<std::string> m_refreshed;
    std::vector<std::string> m_failed;
};

TEST_F(DownloadWorkerTest, StoresEachPictureAndAsksForItsRepaint)
{
    startWorker({job(0), job(1), job(2)});
    ASSERT_TRUE(waitForWorkers());
    EXPECT_EQ(sorted(refreshed()), sorted({itemId(0), itemId(1), itemId(2)}));
    EXPECT_TRUE(failed().empty());
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(fileBytes(cacheFile(itemId(i))), servedPicture(itemId(i))) << i;
    EXPECT_EQ(cacheEntries(), 3u);  // no temporary file left behind
}

TEST_F(DownloadWorkerTest, CachedPicturesMakeNoRequest)
{
    // Addresses on a port nobody listens on: any request would fail and end the worker.
    std::vector<TDownPic> jobs;
    for (const char *id : {"11", "22", "33"}) {
        std::ofstream(cacheFile(id)) << "cached";
        jobs.push_back({id, "http://127.0.0.1:9/pic/" + std::string(id)});
    }
    startWorker(jobs);
    ASSERT_TRUE(waitForWorkers());
    EXPECT_EQ(refreshed(), (std::vector<std::string>{"11", "22", "33"}));
    EXPECT_TRUE(failed().empty());
    EXPECT_EQ(fileBytes(cacheFile("22")), "cached");
}

TEST_F(DownloadWorkerTest, FailedJobFailsOnlyItself)
{
    const struct {
        const char *kind;
        const char *extra;
    } faults[] = {
        {"not_found", ""},
        {"html", ""},
        {"redirect_loop", ""},
        {"drop", ""},
    };
    for (const auto &fault : faults) {
        SCOPED_TRACE(fault.kind);
        m_refreshed.clear();
        m_failed.clear();
        for (const fs::directory_entry &entry : fs::directory_iterator(m_dir.tempDir()))
            fs::remove(entry.path());
        setFault(itemId(11), fault.kind, fault.extra);
        startWorker({job(10), job(11), job(12)});
        ASSERT_TRUE(waitForWorkers());
        EXPECT_EQ(sorted(refreshed()), sorted({itemId(10), itemId(12)}));
        EXPECT_EQ(failed(), std::vector<std::string>{itemId(11)});
        EXPECT_TRUE(fs::exists(cacheFile(itemId(10))));
        EXPECT_FALSE(fs::exists(cacheFile(itemId(11))));
        EXPECT_TRUE(fs::exists(cacheFile(itemId(12))));
        EXPECT_EQ(cacheEntries(), 2u);
        ASSERT_TRUE(m_control->Post("/__control/clear", "", "text/plain"));
    }
}

TEST_F(DownloadWorkerTest, CacheThatCannotBeWrittenIsAFailure)
{
    fs::remove_all(m_dir.tempDir());
    startWorker({job(13), job(14)});
    ASSERT_TRUE(waitForWorkers());
    EXPECT_TRUE(refreshed().empty());
    EXPECT_EQ(sorted(failed()), sorted({itemId(13), itemId(14)}));
}

TEST_F(DownloadWorkerTest, FailureReportGoesToTheHookGivenAtCreation)
{
    std::vector<std::string> reported;
    auto worker = std::make_unique<TImgDown>(
        *m_common, [](const std::string &) {},
        [&reported](const std::string &id) { reported.push_back(id); });
    TImgDown *raw = worker.get();
    m_common->AddWorker({raw->ThreadId(), std::move(worker)});
    setFault(itemId(15), "not_found");
    raw->AddJob(job(15));
    raw->Start();
    ASSERT_TRUE(waitForWorkers());
    EXPECT_EQ(reported, std::vector<std::string>{itemId(15)});
}

TEST_F(DownloadWorkerTest, EmptyBodyIsStoredAsAnEmptyFile)
{
    setFault(itemId(3), "empty");
    startWorker({job(3)});
    ASSERT_TRUE(waitForWorkers());
    EXPECT_EQ(refreshed(), std::vector<std::string>{itemId(3)});
    EXPECT_TRUE(failed().empty());
    ASSERT_TRUE(fs::exists(cacheFile(itemId(3))));
    EXPECT_EQ(fs::file_size(cacheFile(itemId(3))), 0u);
}

TEST_F(DownloadWorkerTest, DownloadAddressIsThePictureAddressWithSuffix)
{
    // "_b.jpg" is appended whatever the address ends with; the sandbox knows no picture
    // "abc.jpg_b.jpg", so that job fails, and the next one is still done.
    const std::size_t before = m_sandbox->receivedCount();
    startWorker({{itemId(4), m_sandbox->baseUrl() + "/pic/abc.jpg"}, job(5)});
    ASSERT_TRUE(waitForWorkers());
    EXPECT_EQ(sorted(m_sandbox->receivedSince(before)),
              sorted({"/pic/abc.jpg_b.jpg", "/pic/" + itemId(5) + "_b.jpg"}));
    EXPECT_EQ(refreshed(), std::vector<std::string>{itemId(5)});
    EXPECT_EQ(failed(), std::vector<std::string>{itemId(4)});
    EXPECT_FALSE(fs::exists(cacheFile(itemId(4))));
}

TEST_F(DownloadWorkerTest, AtMostFourWorkerThreadsRunAtOnce)
{
    // Twelve batches of slow pictures: the later batches wait for a free slot, then every
    // picture arrives.
    std::vector<std::string> expected;
    for (std::size_t batch = 0; batch < 12; ++batch) {
        std::vector<TDownPic> jobs;
        for (std::size_t k = 0; k < 2; ++k) {
            const std::size_t index = 20 + batch * 2 + k;
            setFault(itemId(index), "slow", "&delay_ms=60");
            jobs.push_back(job(index));
            expected.push_back(itemId(index));
        }
        startWorker(jobs);
    }
    EXPECT_LE(m_common->DownloadSlots.running(), TCommon::kMaxDownloadThreads);
    ASSERT_TRUE(waitForWorkers());
    std::vector<std::string> got = refreshed();
    std::sort(got.begin(), got.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(got, expected);
    EXPECT_EQ(m_common->DownloadSlots.peak(), TCommon::kMaxDownloadThreads);
    EXPECT_EQ(m_common->DownloadSlots.running(), 0u);
}

TEST_F(DownloadWorkerTest, ShutdownDropsTheWorkersWaitingForASlot)
{
    for (std::size_t batch = 0; batch < 8; ++batch) {
        setFault(itemId(60 + batch), "slow", "&delay_ms=2000");
        startWorker({job(60 + batch)});
    }
    EXPECT_EQ(m_common->DownloadSlots.running(), TCommon::kMaxDownloadThreads);
    m_common->ReleaseWorkers();
    EXPECT_TRUE(refreshed().empty());
    EXPECT_TRUE(failed().empty());
    EXPECT_EQ(cacheEntries(), 0u);
    EXPECT_EQ(m_common->DownloadSlots.running(), 0u);
}

TEST_F(DownloadWorkerTest, PicturesLargerThanAnItemPictureAreNotCached)
{
    // Small files whose headers claim sizes around the caps for downloaded pictures.
    const struct {
        int width, height;
        bool cached;
    } cases[] = {{4096, 8, true},
                 {4097, 8, false},
                 {8, 4097, false},
                 {4000, 4000, true},
                 {4096, 4000, false}};
    testsupport::LocalHttpServer server;
    std::map<std::string, std::string> bodies;
    std::vector<TDownPic> jobs;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string id = std::to_string(700 + i);
        RgbaImage picture;
        picture.allocate(cases[i].width, cases[i].height);
        const std::vector<std::uint8_t> jpeg = EncodeJpeg(picture);
        bodies["/pic/" + id + "_b.jpg"] = std::string(jpeg.begin(), jpeg.end());
        jobs.push_back({id, "/pic/" + id});
    }
    server.server().Get(R"(/pic/.*)", [&](const httplib::Request &req, httplib::Response &res) {
        res.set_content(bodies.at(req.path), "image/jpeg");
    });
    server.start();
    for (TDownPic &job : jobs)
        job.PicUrl = server.baseUrl() + job.PicUrl;
    startWorker(jobs);
    ASSERT_TRUE(waitForWorkers());
    std::vector<std::string> refused;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(fs::exists(cacheFile(jobs[i].NumIid)), cases[i].cached)
            << cases[i].width << " x " << cases[i].height;
        if (!cases[i].cached)
            refused.push_back(jobs[i].NumIid);
    }
    EXPECT_EQ(sorted(failed()), sorted(refused));
}

TEST_F(DownloadWorkerTest, IdThatIsNotANumberGetsNoFile)
{
    startWorker({{"../escape", m_sandbox->baseUrl() + "/pic/" + itemId(6)}, job(7)});
    ASSERT_TRUE(waitForWorkers());
    EXPECT_EQ(refreshed(), std::vector<std::string>{itemId(7)});
    // Its row would wait for ever for a picture that has nowhere to go.
    EXPECT_EQ(failed(), std::vector<std::string>{"../escape"});
    EXPECT_FALSE(fs::exists(m_dir.path() / "escape.jpg"));
    EXPECT_EQ(cacheEntries(), 1u);
}

TEST_F(DownloadWorkerTest, EmptyBatchLeavesTheRegistry)
{
    startWorker({});
    EXPECT_TRUE(waitForWorkers());
    EXPECT_TRUE(refreshed().empty());
    EXPECT_TRUE(failed().empty());
}

TEST_F(DownloadWorkerTest, NeverStartedWorkerIsReleasedAtShutdown)
{
    startWorker({job(0), job(1)}, false);
    EXPECT_EQ(m_common->Workers.size(), 1u);
    m_common->ReleaseWorkers();
    EXPECT_EQ(m_common->Workers.size(), 0u);
    EXPECT_TRUE(refreshed().empty());
    EXPECT_TRUE(failed().empty());
    EXPECT_EQ(cacheEntries(), 0u);
}

TEST_F(DownloadWorkerTest, StopAbandonsTheTransferInFlight)
{
    setFault(itemId(8), "slow", "&delay_ms=20000");
    setFault(itemId(9), "slow", "&delay_ms=20000");
    startWorker({job(8), job(9)});
    std::this_thread::sleep_for(200ms);
    const auto before = std::chrono::steady_clock::now();
    m_common->ReleaseWorkers();
    // The abort reaches a stalled transfer within the transfer library's progress interval,
    // far sooner than the answer would come.
    EXPECT_LT(std::chrono::steady_clock::now() - before, 10s);
    // The abandoned transfer is no failure of its picture: a stopped worker reports nothing.
    EXPECT_TRUE(refreshed().empty());
    EXPECT_TRUE(failed().empty());
    EXPECT_EQ(cacheEntries(), 0u);
}

TEST_F(DownloadWorkerTest, RowsOnScreenAreFetchedFirstThenTheRestInOrder)
{
    // A latency that holds each transfer long enough to see which ones were asked for
    // together; the sandbox logs a request before it waits.
    ASSERT_TRUE(
        m_control->Post("/__control/fault", "latency_ms=300", "application/x-www-form-urlencoded"));
    constexpr std::size_t kJobs = 14;
    std::vector<TDownPic> jobs;
    for (std::size_t i = 0; i < kJobs; ++i)
        jobs.push_back(job(30 + i));
    const auto pictureOf = [&](std::size_t i) { return "/pic/" + itemId(30 + i) + "_b.jpg"; };
    const auto requested = [&](std::size_t before, std::size_t from, std::size_t to) {
        const std::vector<std::string> got = m_sandbox->receivedSince(before);
        return sorted({got.begin() + std::ptrdiff_t(from), got.begin() + std::ptrdiff_t(to)});
    };
    const auto pictures = [&](std::initializer_list<std::size_t> indexes) {
        std::vector<std::string> targets;
        for (const std::size_t i : indexes)
            targets.push_back(pictureOf(i));
        return sorted(targets);
    };
    const std::size_t parallel = TImgDown::kParallelDownloads;
    ASSERT_EQ(parallel, 6u);

    // The rows in view when the worker starts come first, then the others in list order.
    m_common->OnScreen.set({itemId(30 + 8), itemId(30 + 9)});
    const std::size_t before = m_sandbox->receivedCount();
    startWorker(jobs);
    for (int i = 0; i < 500 && m_sandbox->receivedCount() - before < parallel; ++i)
        std::this_thread::sleep_for(2ms);
    ASSERT_EQ(m_sandbox->receivedCount() - before, parallel);
    EXPECT_EQ(requested(before, 0, parallel), pictures({8, 9, 0, 1, 2, 3}));

    // Scrolled further while those are in flight: the rows now in view go to the front, so
    // they come with the next round of transfers, ahead of the rows above them.
    m_common->OnScreen.set({itemId(30 + 13), itemId(30 + 12), itemId(30 + 1)});
    ASSERT_TRUE(waitForWorkers());
    EXPECT_EQ(requested(before, parallel, 2 * parallel), pictures({12, 13, 4, 5, 6, 7}));
    EXPECT_EQ(requested(before, 2 * parallel, kJobs), pictures({10, 11}));
    EXPECT_EQ(refreshed().size(), kJobs);
}

TEST_F(DownloadWorkerTest, AnItemListedTwiceIsStoredOnce)
{
    // Both transfers are in flight together; the one that ends second finds the file stored
    // and leaves it as it is.
    ASSERT_TRUE(
        m_control->Post("/__control/fault", "latency_ms=200", "application/x-www-form-urlencoded"));
    const std::string id = itemId(40);
    const std::string file = cacheFile(id).string();
    std::mutex mutex;
    std::vector<ino_t> stored;  // the cache file's inode at each repaint request
    auto worker = std::make_unique<TImgDown>(*m_common, [&](const std::string &) {
        struct stat info {};
        const std::lock_guard lock(mutex);
        stored.push_back(::stat(file.c_str(), &info) == 0 ? info.st_ino : 0);
    });
    TImgDown *raw = worker.get();
    m_common->AddWorker({raw->ThreadId(), std::move(worker)});
    raw->AddJob(job(40));
    raw->AddJob(job(40));
    raw->Start();
    ASSERT_TRUE(waitForWorkers());
    const std::lock_guard lock(mutex);
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_NE(stored[0], ino_t(0));
    EXPECT_EQ(stored[1], stored[0]);
    EXPECT_EQ(fileBytes(cacheFile(id)), servedPicture(id));
    EXPECT_EQ(cacheEntries(), 1u);
}

TEST_F(DownloadWorkerTest, TwoBatchesRunSideBySide)
{
    startWorker({job(20), job(21), job(22)});
    startWorker({job(22), job(23)});
    ASSERT_TRUE(waitForWorkers());
    for (std::size_t i = 20; i <= 23; ++i)
        EXPECT_EQ(fileBytes(cacheFile(itemId(i))), servedPicture(itemId(i))) << i;
}

}  // namespace
}  // namespace quenbo
