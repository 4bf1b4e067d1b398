#include "core/ucommon.h"
#include "interface_pictures.h"
#include "local_http_server.h"
#include "sandbox/sandbox_server.h"
#include "ui/skin.h"
#include "ui/ufrmmain.h"
#include "window_controls.h"

#include <QApplication>
#include <QTimer>

#include <dlfcn.h>
#include <httplib.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

// The main window's shutdown while it waits on the network, beside a shutdown with nothing
// out measured in the same run: three picture workers stalled in the middle of a download (the
// sandbox holds their picture back), three workers waiting in a name lookup that never
// answers, and a search waiting on a gateway that never answers. The second needs the hanging
// resolver preloaded (tests/support/hang_resolver): LD_PRELOAD=.../libquenbo_hang_resolver.so
// bench_shutdown.

namespace {

using namespace quenbo;
using testsupport::ui;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kStallMs = 1500;
constexpr int kWorkers = 3;

enum Holdup { kNone, kStalledDownload, kHangingLookup, kSilentGateway };

struct Setup {
    std::unique_ptr<sandbox::SandboxServer> sandbox;
    std::unique_ptr<testsupport::LocalHttpServer> hangingList;
    // Serves "/silent", which answers only once the benchmarks are over.
    std::unique_ptr<testsupport::LocalHttpServer> silentGateway;
    std::mutex silentMutex;
    std::condition_variable silentWake;
    bool silentReleased = false;
    std::unique_ptr<testsupport::ProgramFolder> folder;
    std::string firstPicture;  // the first picture of the start-up list
};
Setup *g_setup = nullptr;

int hangingLookups()
{
    using Count = int (*)();
    static const auto count =
        reinterpret_cast<Count>(::dlsym(RTLD_DEFAULT, "quenbo_hanging_lookups"));
    return count ? count() : -1;
}

void postControl(const std::string &path, const std::string &form)
{
    httplib::Client(g_setup->sandbox->baseUrl())
        .Post(path.c_str(), form, "application/x-www-form-urlencoded");
}

// Destroys a window that has kWorkers workers held up as the argument says, or none; only the
// destruction is timed.
void BM_Shutdown(benchmark::State &state)
{
    const auto holdup = Holdup(state.range(0));
    if (holdup == kHangingLookup && hangingLookups() < 0) {
        state.SkipWithError("the hanging resolver is not preloaded");
        return;
    }
    if (holdup == kStalledDownload)
        postControl("/__control/fault", "picture=" + g_setup->firstPicture +
                                            "&kind=slow&delay_ms=" + std::to_string(kStallMs));
    for (auto _ : state) {
        auto window = std::make_unique<Tfrm_main>(testsupport::appDir(*g_setup->folder));
        ui(window).trm_load->stop();
        for (const auto &entry : fs::directory_iterator(window->Common().Cache.folder()))
            fs::remove(entry.path());
        const int hangingBefore = hangingLookups();
        const std::string list = holdup == kHangingLookup
                                     ? g_setup->hangingList->baseUrl() + "/index.xml"
                                     : window->Common().Settings.IndexUrl;
        // Each page is listed before the next is asked for, which would otherwise supersede
        // it; the pages' workers start once the event loop runs.
        if (holdup == kSilentGateway)
            window->LoadItemPage(g_setup->silentGateway->baseUrl() + "/silent");
        for (int i = 0; (holdup == kStalledDownload || holdup == kHangingLookup) && i < kWorkers;
             ++i) {
            window->LoadItemPage(list);
            while (!window->GatewayIdle()) {
                QCoreApplication::processEvents();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        QCoreApplication::processEvents();
        if (holdup == kHangingLookup) {
            const auto bound = Clock::now() + std::chrono::seconds(10);
            while (hangingLookups() < hangingBefore + kWorkers && Clock::now() < bound)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            if (hangingLookups() < hangingBefore + kWorkers) {
                state.SkipWithError("the workers' name lookups did not start");
                break;
            }
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }

        const auto start = Clock::now();
        window.reset();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        // The sandbox's held-back answers end before the next round needs its threads.
        if (holdup == kStalledDownload)
            std::this_thread::sleep_for(std::chrono::milliseconds(kStallMs));
    }
    postControl("/__control/clear", "");
}
BENCHMARK(BM_Shutdown)
    ->Arg(kNone)
    ->Arg(kStalledDownload)
    ->Arg(kHangingLookup)
    ->Arg(kSilentGateway)
    ->Iterations(4)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

std::string fetch(const std::string &base, const std::string &path)
{
    const auto answer = httplib::Client(base).Get(path.c_str());
    return answer ? answer->body : std::string();
}

std::string firstPictureId(const std::string &startList)
{
    const std::size_t at = startList.find("<num_iid>");
    if (at == std::string::npos)
        return {};
    const std::size_t from = at + std::strlen("<num_iid>");
    return startList.substr(from, startList.find('<', from) - from);
}

// The sandbox's start-up list with every picture on the host whose lookups hang.
std::string onHangingHost(std::string list, const std::string &base)
{
    const std::string hanging = "http://hang.quenbo.test";
    for (std::size_t at = list.find(base); at != std::string::npos;
         at = list.find(base, at + hanging.size()))
        list.replace(at, base.size(), hanging);
    return list;
}

}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installFontSubstitutions();

    Setup setup;
    setup.sandbox = std::make_unique<sandbox::SandboxServer>(sandbox::SandboxConfig{});
    setup.sandbox->start();
    const std::string base = setup.sandbox->baseUrl();
    const std::string startList = fetch(base, "/index.xml");
    setup.firstPicture = firstPictureId(startList);
    setup.hangingList = std::make_unique<testsupport::LocalHttpServer>();
    setup.hangingList->server().Get(
        "/index.xml", [list = onHangingHost(startList, base)](const auto &, auto &res) {
            res.set_content(list, "text/xml; charset=utf-8");
        });
    setup.hangingList->start();
    setup.silentGateway = std::make_unique<testsupport::LocalHttpServer>();
    setup.silentGateway->server().Get("/silent", [&setup](const auto &, auto &) {
        std::unique_lock lock(setup.silentMutex);
        setup.silentWake.wait(lock, [&setup] { return setup.silentReleased; });
    });
    setup.silentGateway->start();
    setup.folder = std::make_unique<testsupport::ProgramFolder>();
    testsupport::writeSandboxArchive(*setup.folder, base);
    g_setup = &setup;

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    {
        const std::lock_guard lock(setup.silentMutex);
        setup.silentReleased = true;
    }
    setup.silentWake.notify_all();
    return 0;
}
