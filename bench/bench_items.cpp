#include "core/uDownimg.h"
#include "core/ucommon.h"
#include "interface_pictures.h"
#include "pictures/jpeg_image.h"
#include "platform/http_client.h"
#include "platform/xml_document.h"
#include "sandbox/sandbox_server.h"
#include "ui/item_thumbnails.h"
#include "ui/picture_button.h"
#include "ui/skin.h"
#include "ui/uItemTree.h"
#include "ui/ufrmmain.h"
#include "window_controls.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

// The item list's figures, each beside a reference measured in the same run: loading a 40-item
// page against libcurl fetching the same address, one worker fetching 40 pictures against
// libcurl fetching them on one connection, a search until its 40 pictures are painted against
// libcurl fetching the answer and the pictures, and painting and scrolling the list.

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
    std::vector<std::string> searchPictures;     // their bodies
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
void waitForWorkers(TCommon &common)
{
    waitForPage(*g_setup->window);
    while (common.Workers.size() > 0 || !g_setup->window->Thumbnails().idle()) {
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

// What a user waits for after a search: from the search command to the list painted with all
// 40 pictures in their rows, none of them cached. Each screen of rows is painted in turn, as
// scrolling through the list shows them.
const QString kSearchWord = QStringLiteral("连衣裙");

void paintEveryRow(VirtualTree &tree, QImage &frame)
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

void BM_SearchUntilPicturesPainted(benchmark::State &state)
{
    Tfrm_main &window = *g_setup->window;
    TCommon &common = window.Common();
    VirtualTree &tree = *ui(window).itemTree;
    QImage frame(tree.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    ui(window).E_Serch->setText(kSearchWord);
    for (auto _ : state) {
        state.PauseTiming();
        clearCache(common);
        state.ResumeTiming();
        ui(window).b_Srech->click();
        waitForWorkers(common);
        paintEveryRow(tree, frame);
    }
    if (tree.topLevelCount() != int(g_setup->searchPictureUrls.size()))
        state.SkipWithError("the search did not list the expected rows");
}
BENCHMARK(BM_SearchUntilPicturesPainted)->UseRealTime();

// The transport's share of the same wait: the answer and its 40 pictures on one connection.
void BM_CurlFetchesSearchAndPictures(benchmark::State &state)
{
    Curl curl;
    Tfrm_main &window = *g_setup->window;
    const std::string keyword = kSearchWord.toStdString();
    for (auto _ : state) {
        curl.get(window.BuildItemQuery(SearchMode::Keyword, keyword, "0", 1));
        for (const std::string &url : g_setup->searchPictureUrls)
            curl.get(url + "_b.jpg");
    }
}
BENCHMARK(BM_CurlFetchesSearchAndPictures)->UseRealTime();

// The decoder's share of the same wait: the 40 thumbnails decoded reduced from memory, one
// after another, with nothing fetched, written or painted.
void BM_DecodeSearchThumbnails(benchmark::State &state)
{
    for (auto _ : state) {
        for (const std::string &body : g_setup->searchPictures) {
            TJpegImage picture;
            picture.LoadFromBuffer(
                {reinterpret_cast<const std::uint8_t *>(body.data()), body.size()});
            benchmark::DoNotOptimize(
                picture.DecodeReduced(TItemTree::kThumbnailSide, TItemTree::kThumbnailSide));
        }
    }
}
BENCHMARK(BM_DecodeSearchThumbnails)->UseRealTime();

// Fills the list with rows of the 40 cached items, repeated up to the count.
void fillRows(int count)
{
    Tfrm_main &window = *g_setup->window;
    window.LoadItemPage(window.Common().Settings.IndexUrl);
    waitForWorkers(window.Common());
    for (int i = ui(window).itemTree->topLevelCount(); i < count; ++i)
        window.ItemTree().AddItem(g_setup->ids[std::size_t(i) % g_setup->ids.size()]);
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
    VirtualTree *tree = ui(g_setup->window).itemTree;
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
    for (const std::string &url : setup.searchPictureUrls)
        setup.searchPictures.push_back(http.get(url + "_b.jpg"));
    g_setup = &setup;
    fillRows(0);

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    setup.window.reset();
    return 0;
}
