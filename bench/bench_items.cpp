#include "core/uDownimg.h"
#include "core/ucommon.h"
#include "gateway/item_page.h"
#include "interface_pictures.h"
#include "pictures/jpeg_image.h"
#include "platform/file_io.h"
#include "platform/http_client.h"
#include "platform/xml_document.h"
#include "sandbox/addresses.h"
#include "sandbox/sandbox_server.h"
#include "ui/page_pictures.h"
#include "ui/picture_button.h"
#include "ui/skin.h"
#include "ui/uItemTree.h"
#include "ui/ufrmmain.h"
#include "window_controls.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QScrollBar>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <httplib.h>

#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <thread>

// The item list's figures, each beside a reference measured in the same run: loading a 40-item
// page against libcurl fetching the same address; one worker fetching 40 pictures against
// libcurl fetching them on one connection; a search until its first screen shows its pictures,
// over a link with and without a round trip, against the curl program fetching the answer and
// those pictures in parallel; a search until all its 40 pictures are painted against libcurl
// writing the answer and the pictures to files and decoding the thumbnails on as many threads
// as the window uses; and painting and scrolling the list.

extern char **environ;

namespace {

using namespace quenbo;
using testsupport::ui;
namespace fs = std::filesystem;

struct Setup {
    std::unique_ptr<sandbox::SandboxServer> sandbox;
    std::unique_ptr<testsupport::ProgramFolder> folder;
    std::unique_ptr<Tfrm_main> window;
    std::vector<std::string> ids;
    std::vector<std::string> pictureUrls;
    std::vector<std::string> searchPictureUrls;  // of the first page of the search
    int firstScreenRows = 0;                     // rows whose tops lie in the list's viewport
};
Setup *g_setup = nullptr;

// Until the page asked for is listed: its answer has come back and its rows are added.
void waitForPage(const Tfrm_main &window)
{
    // The answer comes back as an event, which wakes the loop as it would the running program.
    while (!window.GatewayIdle())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Until the page asked for is listed, its picture workers have ended and the thumbnails of
// their pictures are in the rows.
void waitForWorkers(TCommon &)
{
    waitForPage(*g_setup->window);
    while (!g_setup->window->ItemListPresenter().Pictures().idle()) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    QCoreApplication::processEvents();
}

void clearCache(const TCommon &common)
{
    for (const auto &entry : fs::directory_iterator(common.Cache.folder()))
        fs::remove(entry.path());
}

size_t keepBody(char *data, size_t size, size_t count, void *body)
{
    static_cast<std::string *>(body)->append(data, size * count);
    return size * count;
}

// One libcurl handle reused for every transfer: the transport's own limit.
class Curl {
public:
    Curl()
        : m_handle(curl_easy_init())
    {
        curl_easy_setopt(m_handle, CURLOPT_WRITEFUNCTION, keepBody);
        curl_easy_setopt(m_handle, CURLOPT_WRITEDATA, &m_body);
    }
    ~Curl() { curl_easy_cleanup(m_handle); }
    std::size_t get(const std::string &address)
    {
        m_body.clear();
        curl_easy_setopt(m_handle, CURLOPT_URL, address.c_str());
        curl_easy_perform(m_handle);
        return m_body.size();
    }
    const std::string &body() const { return m_body; }

private:
    CURL *m_handle;
    std::string m_body;
};

void BM_LoadItemPage(benchmark::State &state)
{
    Tfrm_main &window = *g_setup->window;
    const std::string address = window.Common().Settings.IndexUrl;
    for (auto _ : state) {
        window.LoadItemPage(address);
        waitForPage(window);
        state.PauseTiming();
        waitForWorkers(window.Common());
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadItemPage)->UseRealTime();

void BM_CurlFetchItemPage(benchmark::State &state)
{
    Curl curl;
    const std::string address = g_setup->window->Common().Settings.IndexUrl;
    for (auto _ : state)
        benchmark::DoNotOptimize(curl.get(address));
}
BENCHMARK(BM_CurlFetchItemPage)->UseRealTime();

// The same fetch in the state LoadItemPage meets in its benchmark: right after a page has been
// loaded and painted, whose work has pushed the transport's code and data out of the caches.
void BM_CurlFetchItemPageAfterLoad(benchmark::State &state)
{
    Curl curl;
    Tfrm_main &window = *g_setup->window;
    const std::string address = window.Common().Settings.IndexUrl;
    for (auto _ : state) {
        benchmark::DoNotOptimize(curl.get(address));
        state.PauseTiming();
        window.LoadItemPage(address);
        waitForWorkers(window.Common());
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CurlFetchItemPageAfterLoad)->UseRealTime();

void BM_WorkerFetches40Pictures(benchmark::State &state)
{
    TCommon &common = g_setup->window->Common();
    std::atomic<int> done{0};
    for (auto _ : state) {
        state.PauseTiming();
        clearCache(common);
        state.ResumeTiming();
        auto worker = std::make_unique<TImgDown>(common, [&](const std::string &) { ++done; });
        TImgDown *raw = worker.get();
        common.AddWorker({raw->ThreadId(), std::move(worker)});
        for (std::size_t i = 0; i < g_setup->ids.size(); ++i)
            raw->AddJob({g_setup->ids[i], g_setup->pictureUrls[i]});
        raw->Start();
        while (common.Workers.size() > 0)
            std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    if (done != int(state.iterations() * g_setup->ids.size()))
        state.SkipWithError("a picture was not fetched");
}
BENCHMARK(BM_WorkerFetches40Pictures)->UseRealTime();

// As "curl -o" does it: each body fetched on the one connection and written to its own file.
void BM_CurlFetches40Pictures(benchmark::State &state)
{
    Curl curl;
    const std::string folder = g_setup->folder->path().string() + "/curl-";
    for (auto _ : state) {
        state.PauseTiming();
        for (const std::string &id : g_setup->ids)
            fs::remove(folder + id + ".jpg");
        state.ResumeTiming();
        for (std::size_t i = 0; i < g_setup->pictureUrls.size(); ++i) {
            curl.get(g_setup->pictureUrls[i] + "_b.jpg");
            std::ofstream(folder + g_setup->ids[i] + ".jpg", std::ios::binary) << curl.body();
        }
    }
}
BENCHMARK(BM_CurlFetches40Pictures)->UseRealTime();

// Sets the sandbox's latency, each gateway and picture answer's wait before its first byte,
// through its control address, for as long as this object lives; then puts back its own (none).
class SandboxLatency {
public:
    explicit SandboxLatency(int ms)
        : m_set(control(sandbox::kFaultControlPath, "latency_ms=" + std::to_string(ms)))
    {
    }
    ~SandboxLatency() { control(sandbox::kFaultClearPath, ""); }
    bool set() const { return m_set; }

private:
    static bool control(std::string_view path, const std::string &form)
    {
        httplib::Client client("127.0.0.1", g_setup->sandbox->port());
        const httplib::Result answer =
            client.Post(std::string(path), form, "application/x-www-form-urlencoded");
        return answer && answer->status == 200;
    }

    const bool m_set;
};

// Runs the curl program with the arguments and waits for it; true when it exits with 0.
bool runCurlProgram(const std::vector<std::string> &arguments)
{
    std::vector<char *> argv{const_cast<char *>("curl")};
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "curl", nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// What a user waits for after a search: from the search command to the list painted with
// pictures in its rows, none of them cached. The sandbox lists a whole page of 40 items for
// this word.
const QString kSearchWord = QStringLiteral("纯棉");
constexpr std::size_t kSearchRows = 40;

// The signed address of the search's first page as the window sends it: signed afresh, since
// the gateway refuses a stale timestamp, with its blanks and other bytes percent-encoded.
std::string searchAnswerAddress()
{
    return HttpClient::wireAddress(
        g_setup->window->BuildItemQuery(SearchMode::Keyword, kSearchWord.toStdString(), "0", 1));
}

// The rows whose tops lie inside the item list's viewport at its current scroll position.
int rowsOnScreen(const QListView &view)
{
    int rows = 0;
    while (rows < view.model()->rowCount() &&
           view.visualRect(view.model()->index(rows, 0)).top() < view.viewport()->height())
        ++rows;
    return rows;
}

// Whether each of the first rows holds the thumbnail made of its own picture.
bool rowsHaveThumbnails(const QListView &view, int rows)
{
    const auto *model = static_cast<const ItemListModel *>(view.model());
    for (int i = 0; i < rows; ++i)
        if (i >= model->rowCount() || model->row(i).picture != ItemListModel::Picture::Shown)
            return false;
    return true;
}

// Until each of the first rows of the listed page holds its thumbnail; false when the
// pictures have all been dealt with and one of them still has none.
bool waitForThumbnails(Tfrm_main &window, int rows)
{
    const QListView &tree = *ui(window).itemTree;
    for (;;) {
        // Whether everything had ended is read before the events that hand over its results.
        const bool ended = window.ItemListPresenter().Pictures().idle();
        QCoreApplication::processEvents();
        if (rowsHaveThumbnails(tree, rows))
            return true;
        if (ended)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
}

// Empties the picture cache out of the timing, then presses the search button for the search
// word, as a user does.
void pressSearchWithNothingCached(benchmark::State &state)
{
    Tfrm_main &window = *g_setup->window;
    state.PauseTiming();
    clearCache(window.Common());
    ui(window).E_Serch->setText(kSearchWord);
    state.ResumeTiming();
    ui(window).b_Srech->click();
}

// The search until the rows of its first screen show their own pictures, painted once; the
// pictures of the rows below come in afterwards, out of the timing. At the argument's latency.
void BM_SearchUntilFirstScreenPainted(benchmark::State &state)
{
    const SandboxLatency latency(int(state.range(0)));
    Tfrm_main &window = *g_setup->window;
    TCommon &common = window.Common();
    QListView &tree = *ui(window).itemTree;
    QImage frame(tree.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        pressSearchWithNothingCached(state);
        waitForPage(window);
        const bool shown = tree.model()->rowCount() == int(g_setup->searchPictureUrls.size()) &&
                           rowsOnScreen(tree) == g_setup->firstScreenRows &&
                           waitForThumbnails(window, g_setup->firstScreenRows);
        tree.viewport()->render(&frame);
        state.PauseTiming();
        waitForWorkers(common);
        state.ResumeTiming();
        if (!latency.set() || !shown) {
            state.SkipWithError("the first screen did not show the search's pictures");
            break;
        }
    }
    state.counters["rows"] = g_setup->firstScreenRows;
}
BENCHMARK(BM_SearchUntilFirstScreenPainted)->Arg(50)->Arg(0)->UseRealTime();

// The same wait by the curl program: the signed answer, then the first screen's pictures with
// --parallel, each written to its own file, from the same sandbox at the same latency.
void BM_CurlProgramFetchesFirstScreen(benchmark::State &state)
{
    const SandboxLatency latency(int(state.range(0)));
    const fs::path folder = g_setup->folder->path() / "curl-first-screen";
    fs::create_directories(folder);
    // With --parallel, -s alone still leaves the progress meter on.
    std::vector<std::string> pictures{"-s",         "--no-progress-meter", "-f",
                                      "--parallel", "--parallel-max",      "6"};
    for (int i = 0; i < g_setup->firstScreenRows; ++i)
        pictures.insert(pictures.end(), {"-o", (folder / (std::to_string(i) + ".jpg")).string(),
                                         g_setup->searchPictureUrls[std::size_t(i)] + "_b.jpg"});
    for (auto _ : state) {
        state.PauseTiming();
        for (const auto &entry : fs::directory_iterator(folder))
            fs::remove(entry.path());
        state.ResumeTiming();
        if (!latency.set() ||
            !runCurlProgram({"-s", "-f", "-o", "/dev/null", searchAnswerAddress()}) ||
            !runCurlProgram(pictures)) {
            state.SkipWithError("curl did not fetch the first screen");
            break;
        }
    }
}
BENCHMARK(BM_CurlProgramFetchesFirstScreen)->Arg(50)->Arg(0)->UseRealTime();

// Each screen of rows painted in turn, as scrolling through the list shows them.
void paintEveryRow(QListView &tree, QImage &frame)
{
    QScrollBar *bar = tree.verticalScrollBar();
    for (int y = 0;; y += tree.viewport()->height()) {
        bar->setValue(std::min(y, bar->maximum()));
        tree.viewport()->render(&frame);
        if (y >= bar->maximum())
            break;
    }
    bar->setValue(0);
}

// The search until all 40 pictures are in their rows and every row has been painted.
void BM_SearchUntilPicturesPainted(benchmark::State &state)
{
    QListView &tree = *ui(g_setup->window).itemTree;
    QImage frame(tree.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        pressSearchWithNothingCached(state);
        waitForWorkers(g_setup->window->Common());
        paintEveryRow(tree, frame);
    }
    if (tree.model()->rowCount() != int(g_setup->searchPictureUrls.size()) ||
        !rowsHaveThumbnails(tree, tree.model()->rowCount()))
        state.SkipWithError("the search did not list the expected rows with their pictures");
}
BENCHMARK(BM_SearchUntilPicturesPainted)->UseRealTime();

// A libcurl multi handle kept for the whole run, as a client keeps its connections: fetches a
// list of addresses, each into its own file, on up to six connections to the host.
class CurlTransfers {
public:
    CurlTransfers()
        : m_multi(curl_multi_init())
    {
        curl_multi_setopt(m_multi, CURLMOPT_MAX_HOST_CONNECTIONS, 6L);
    }
    ~CurlTransfers() { curl_multi_cleanup(m_multi); }
    CurlTransfers(const CurlTransfers &) = delete;
    CurlTransfers &operator=(const CurlTransfers &) = delete;

    // True when every address gave a 2xx answer that was written whole.
    bool fetch(const std::vector<std::pair<std::string, fs::path>> &transfers)
    {
        std::vector<std::pair<CURL *, FILE *>> started;
        for (const auto &[address, file] : transfers) {
            FILE *out = std::fopen(file.c_str(), "wb");
            if (!out)
                continue;  // counted as failed below
            CURL *handle = curl_easy_init();
            curl_easy_setopt(handle, CURLOPT_URL, address.c_str());
            curl_easy_setopt(handle, CURLOPT_WRITEDATA, out);
            curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
            curl_multi_add_handle(m_multi, handle);
            started.emplace_back(handle, out);
        }
        for (int running = 1; running > 0;) {
            curl_multi_perform(m_multi, &running);
            if (running > 0)
                curl_multi_poll(m_multi, nullptr, 0, 1000, nullptr);
        }
        std::size_t succeeded = 0;
        int left = 0;
        while (CURLMsg *message = curl_multi_info_read(m_multi, &left))
            if (message->msg == CURLMSG_DONE && message->data.result == CURLE_OK)
                ++succeeded;
        bool written = true;
        for (const auto &[handle, out] : started) {
            curl_multi_remove_handle(m_multi, handle);
            curl_easy_cleanup(handle);
            written = std::fclose(out) == 0 && written;
        }
        return written && succeeded == transfers.size();
    }

private:
    CURLM *m_multi;
};

// Makes the thumbnails of the picture files as the list's thumbnails are made (read whole,
// decoded reduced, scaled), on the given number of threads that each take the next file;
// returns how many could be made.
int makeThumbnails(const std::vector<fs::path> &files, int threads)
{
    std::atomic<std::size_t> next{0};
    std::atomic<int> made{0};
    {
        std::vector<std::jthread> pool;
        for (int t = 0; t < threads; ++t)
            pool.emplace_back([&] {
                for (std::size_t i = next++; i < files.size(); i = next++) {
                    std::vector<std::uint8_t> bytes;
                    if (!readWholeFile(files[i].string(), 32u << 20, bytes))
                        continue;
                    try {
                        TJpegImage picture;
                        picture.LoadFromBuffer(bytes);
                        if (!MakeItemThumbnail(picture, TItemTree::kThumbnailSide).isNull())
                            ++made;
                    } catch (const std::exception &) {
                    }
                }
            });
    }
    return made;
}

// The plainest means to the same end: libcurl writes the signed answer and the 40 pictures to
// files, then the 40 thumbnails are decoded on as many threads as the window makes them on.
void BM_CurlFetchesSearchAndMakesThumbnails(benchmark::State &state)
{
    const int threads = std::min(QThread::idealThreadCount(), int(TCommon::kMaxDownloadThreads));
    const fs::path folder = g_setup->folder->path() / "curl-search";
    fs::create_directories(folder);
    std::vector<std::pair<std::string, fs::path>> pictures;
    std::vector<fs::path> files;
    for (std::size_t i = 0; i < g_setup->searchPictureUrls.size(); ++i) {
        files.push_back(folder / (std::to_string(i) + ".jpg"));
        pictures.emplace_back(g_setup->searchPictureUrls[i] + "_b.jpg", files.back());
    }
    CurlTransfers curl;
    for (auto _ : state) {
        state.PauseTiming();
        for (const auto &entry : fs::directory_iterator(folder))
            fs::remove(entry.path());
        state.ResumeTiming();
        if (!curl.fetch({{searchAnswerAddress(), folder / "answer.xml"}}) ||
            !curl.fetch(pictures) || makeThumbnails(files, threads) != int(files.size())) {
            state.SkipWithError("libcurl did not fetch the search's pictures");
            break;
        }
    }
    state.counters["decode_threads"] = threads;
}
BENCHMARK(BM_CurlFetchesSearchAndMakesThumbnails)->UseRealTime();

// Fills the list with rows of the 40 cached items, repeated up to the count.
void fillRows(int count)
{
    Tfrm_main &window = *g_setup->window;
    window.LoadItemPage(window.Common().Settings.IndexUrl);
    waitForWorkers(window.Common());
    QCoreApplication::processEvents();
    // The rows past the page repeat its items; a row shows the picture of the first with its
    // id, so those show the stand-by square, drawn as a thumbnail is.
    const ItemListModel &model = window.ItemListPresenter().Model();
    if (model.rowCount() >= count)
        return;
    ItemPage page;
    const int listed = model.rowCount();
    std::vector<TDownPic> &jobs = page.batches.emplace_back();
    for (int i = 0; i < count; ++i) {
        page.records.push_back(model.row(i % listed).record);
        if (i < listed)
            jobs.push_back({page.records.back().NumIid, page.records.back().PicUrl});
    }
    window.ItemListPresenter().ShowPage(std::move(page));
    waitForWorkers(window.Common());
    QCoreApplication::processEvents();
}

void BM_PaintScreenOfRows(benchmark::State &state)
{
    fillRows(40);
    QWidget *viewport = ui(g_setup->window).itemTree->viewport();
    QImage frame(viewport->size(), QImage::Format_ARGB32_Premultiplied);
    viewport->render(&frame);  // the first paint loads the pictures from the cache
    for (auto _ : state)
        viewport->render(&frame);
    state.counters["rows"] = double(viewport->height()) / TItemTree::kRowHeight;
}
BENCHMARK(BM_PaintScreenOfRows)->UseRealTime();

void BM_ScrollAndPaint(benchmark::State &state)
{
    fillRows(int(state.range(0)));
    QListView *tree = ui(g_setup->window).itemTree;
    QWidget *viewport = tree->viewport();
    QImage frame(viewport->size(), QImage::Format_ARGB32_Premultiplied);
    QScrollBar *bar = tree->verticalScrollBar();
    // The same stretch of scrolling in both lists: the first rows, a row at a time.
    const int span = std::min(bar->maximum(), 20 * TItemTree::kRowHeight);
    for (int y = 0; y <= span; y += TItemTree::kRowHeight) {
        bar->setValue(y);
        viewport->render(&frame);
    }
    int y = 0;
    for (auto _ : state) {
        y = y + TItemTree::kRowHeight > span ? 0 : y + TItemTree::kRowHeight;
        bar->setValue(y);
        viewport->render(&frame);
    }
}
BENCHMARK(BM_ScrollAndPaint)->Arg(40)->Arg(10000)->UseRealTime();

}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installFontSubstitutions();
    benchmark::Initialize(&argc, argv);

    Setup setup;
    setup.sandbox = std::make_unique<sandbox::SandboxServer>(sandbox::SandboxConfig{});
    setup.sandbox->start();
    setup.folder = std::make_unique<testsupport::ProgramFolder>();
    testsupport::writeSandboxArchive(*setup.folder, setup.sandbox->baseUrl());
    setup.window = std::make_unique<Tfrm_main>(testsupport::appDir(*setup.folder));
    setup.window->show();
    ui(setup.window).trm_load->stop();
    HttpClient http;
    XmlDocument xml;
    xml.load(http, setup.window->Common().Settings.IndexUrl);
    for (const XmlElement &items : xml.documentElement().children("taobaoke_items"))
        for (const XmlElement &item : items.children("taobaoke_item")) {
            setup.ids.push_back(item.children("num_iid").front().text());
            setup.pictureUrls.push_back(item.children("pic_url").front().text());
        }
    xml.load(http,
             setup.window->BuildItemQuery(SearchMode::Keyword, kSearchWord.toStdString(), "0", 1));
    for (const XmlElement &items : xml.documentElement().children("taobaoke_items"))
        for (const XmlElement &item : items.children("taobaoke_item"))
            setup.searchPictureUrls.push_back(item.children("pic_url").front().text());
    if (setup.searchPictureUrls.size() != kSearchRows) {
        std::cerr << "the search lists " << setup.searchPictureUrls.size() << " items, not "
                  << kSearchRows << "\n";
        return 1;
    }
    const int viewportHeight = ui(setup.window).itemTree->viewport()->height();
    setup.firstScreenRows = (viewportHeight + TItemTree::kRowHeight - 1) / TItemTree::kRowHeight;
    g_setup = &setup;
    fillRows(0);

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    setup.window.reset();
    return 0;
}
