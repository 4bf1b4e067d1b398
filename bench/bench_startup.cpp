#include "interface_pictures.h"
#include "sandbox_server.h"
#include "skin.h"
#include "ucommon.h"
#include "ufrmmain.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

// The main window's start-up beside a reference measured in the same run: creating the window
// with all its objects until its first paint against a bare Qt Widgets window of the same
// size. With --peak-memory=bare|main the program instead makes one window, paints it once and
// prints its peak resident memory (VmHWM, kB), so each figure comes from a process of its own.
// See startupProcess for the start-up of a whole process, and bench_shutdown for the shutdown.

namespace {

using namespace quenbo;
namespace fs = std::filesystem;
// Notes the first paint of the widget it watches.
class FirstPaint : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

void showUntilPainted(QWidget &window)
{
    FirstPaint watch;
    window.installEventFilter(&watch);
    window.show();
    while (!watch.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    window.removeEventFilter(&watch);
}

void bareWindowUntilPainted()
{
    QWidget window;
    window.resize(Tfrm_main::kOuterWidth, Tfrm_main::kOuterHeight);
    showUntilPainted(window);
}

struct Setup {
    std::unique_ptr<sandbox::SandboxServer> sandbox;
    std::unique_ptr<testsupport::ProgramFolder> folder;
};
Setup *g_setup = nullptr;

void mainWindowUntilPainted()
{
    Tfrm_main window(testsupport::appDir(*g_setup->folder));
    showUntilPainted(window);
    window.trm_load->stop();
}

void BM_BareWindowFirstPaint(benchmark::State &state)
{
    for (auto _ : state)
        bareWindowUntilPainted();
}
BENCHMARK(BM_BareWindowFirstPaint)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_MainWindowFirstPaint(benchmark::State &state)
{
    for (auto _ : state)
        mainWindowUntilPainted();
}
BENCHMARK(BM_MainWindowFirstPaint)->UseRealTime()->Unit(benchmark::kMillisecond);

long peakResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

}  // namespace

// Process-level start-up, timed from outside (bench/run.sh runs it under hyperfine):
// --prepare=DIR writes a program folder whose gateway is unreachable (the first loading comes
// a second after the first paint, so it is never reached); --first-paint=bare|main DIR starts
// the application, shows the window, and leaves at once after its first paint.
int startupProcess(int argc, char **argv)
{
    const std::string_view mode = argv[1];
    QApplication app(argc, argv);
    installFontSubstitutions();
    if (mode.starts_with("--prepare=")) {
        const fs::path dir(std::string(mode.substr(std::strlen("--prepare="))));
        testsupport::ProgramFolder folder;
        testsupport::writeSandboxArchive(folder, "http://127.0.0.1:9");
        fs::create_directories(dir / "data");
        fs::copy_file(folder.archiveFile(), dir / "data" / "skin.isn",
                      fs::copy_options::overwrite_existing);
        return 0;
    }
    if (mode == "--first-paint=bare") {
        bareWindowUntilPainted();
    } else {
        Tfrm_main window(QString::fromLocal8Bit(argv[2]) + u'/');
        showUntilPainted(window);
    }
    // Both kinds leave without tearing down, so only the start-up is timed.
    std::cout.flush();
    std::_Exit(0);
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 2 && (std::string_view(argv[1]).starts_with("--prepare=") ||
                      (argc == 3 && std::string_view(argv[1]).starts_with("--first-paint="))))
        return startupProcess(argc, argv);
    QApplication app(argc, argv);
    installFontSubstitutions();

    Setup setup;
    setup.sandbox = std::make_unique<sandbox::SandboxServer>(sandbox::SandboxConfig{});
    setup.sandbox->start();
    setup.folder = std::make_unique<testsupport::ProgramFolder>();
    testsupport::writeSandboxArchive(*setup.folder, setup.sandbox->baseUrl());
    g_setup = &setup;

    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--peak-memory=bare" || arg == "--peak-memory=main") {
            if (arg.ends_with("bare"))
                bareWindowUntilPainted();
            else
                mainWindowUntilPainted();
            std::cout << peakResidentKb() << '\n';
            return 0;
        }
    }

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
