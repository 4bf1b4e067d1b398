#include "core/ucommon.h"
#include "interface_pictures.h"
#include "sandbox/sandbox_server.h"
#include "ui/skin.h"
#include "ui/ufrmmain.h"
#include "window_controls.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

// The main window's start-up beside a reference measured in the same run: creating the window
// with all its objects until its first paint against a bare Qt Widgets window of the same
// size. See startupProcess for the start-up of a whole process (also the one whose peak memory
// bench/run.sh measures), and bench_shutdown for the shutdown.

namespace {

using namespace quenbo;
using testsupport::ui;
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

// A bare window that paints one line of Chinese text in a face the program substitutes: the
// share of start-up that finding, loading and drawing the CJK font takes by itself.
class TextWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        QFont font(QStringLiteral("新宋体"));
        font.setPixelSize(12);
        painter.setFont(font);
        painter.drawText(20, 30, QStringLiteral("商品分类 排序切换：淘宝价 购物返现 30天销售记录"));
    }
};

void textWindowUntilPainted()
{
    TextWindow window;
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
    ui(window).trm_load->stop();
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

}  // namespace

// Process-level start-up, timed from outside (bench/run.sh runs it under hyperfine):
// --prepare=DIR writes a program folder whose gateway is unreachable (the first loading comes
// a second after the first paint, so it is never reached); --first-paint=bare|text|main DIR
// starts the application, shows the window, and leaves at once after its first paint.
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
    } else if (mode == "--first-paint=text") {
        textWindowUntilPainted();
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

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
