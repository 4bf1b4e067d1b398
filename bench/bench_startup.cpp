#include "core/ucommon.h"
#include "interface_pictures.h"
#include "sandbox/sandbox_server.h"
#include "ui/skin.h"
#include "ui/uItemTree.h"
#include "ui/ufrmmain.h"
#include "ui/uleftTree.h"
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
#include <iterator>
#include <memory>

// The main window's start-up beside a reference measured in the same run: creating the window
// with all its objects until its first paint against a bare window of the same size painting
// the same captions in the same faces, in one process and (startupProcess) from process start,
// where bench/run.sh also measures peak memory. See bench_shutdown for the shutdown.

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

// The faces the main window writes in, after installFontSubstitutions: the window's own (menus,
// labels, boxes and page buttons), the keyword box's, the sort label's and status line's, and
// the lists' rows.
enum class Face { Window, Keyword, Caption, Row, RowValue };

QFont faceFont(Face face)
{
    const auto pixels = [](const char *family, int size) {
        QFont font(QString::fromUtf8(family));
        font.setPixelSize(size);
        return font;
    };
    const auto points = [](int size, bool bold) {
        QFont font(QStringLiteral("新宋体"));
        font.setPointSize(size);
        font.setBold(bold);
        return font;
    };
    switch (face) {
    case Face::Window:
        return pixels("Tahoma", 11);
    case Face::Keyword:
        return pixels("Arial", 14);
    case Face::Caption:
        return pixels("新宋体", 12);
    case Face::Row:
        return points(9, false);
    case Face::RowValue:
        return points(15, true);
    }
    return {};
}

// A text of the main window's first screen where the window shows it: the box it is drawn in
// (window coordinates) and how it sits there.
struct Caption {
    Face face;
    QRect box;
    int flags;
    const char *text;
};

constexpr int kLeft = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic;
constexpr int kCentre = Qt::AlignCenter;
constexpr int kTop = Qt::AlignLeft | Qt::AlignTop;

const Caption kCaptions[] = {
    {Face::Window, {16, 0, 66, 22}, kLeft, "文   件(&F)"},
    {Face::Window, {90, 0, 66, 22}, kLeft, "设   置(&S)"},
    {Face::Window, {164, 0, 66, 22}, kLeft, "帮   助(&H)"},
    {Face::Window, {219, 33, 100, 22}, kLeft, "默认排序"},
    {Face::Window, {341, 38, 48, 13}, kLeft, "关键字："},
    {Face::Caption, {218, 75, 60, 12}, kLeft, "排序切换："},
    {Face::Caption, {209, 627, 462, 24}, kLeft, "正在载入推荐商品 …"},
    {Face::Window, {677, 627, 65, 23}, kCentre, "上一页"},
    {Face::Window, {749, 627, 60, 20}, kLeft, "1"},
    {Face::Window, {829, 627, 65, 23}, kCentre, "下一页"},
};

// The category panel's top-level rows, as the sandbox lists them.
constexpr QPoint kCategoryOrigin{3, 88};
const char *const kCategories[] = {"女装",     "男装",     "鞋靴",     "箱包",     "数码配件",
                                   "家用电器", "美妆护肤", "母婴用品", "食品特产", "家居日用",
                                   "床上用品", "运动户外", "珠宝饰品", "图书音像", "汽车用品"};

// A screen of item rows, as the sandbox's start-up list fills them.
constexpr QRect kItemViewport{209, 93, 687, 529};
struct ItemTexts {
    const char *title, *seller, *price, *cashBack, *sales;
};
const ItemTexts kItems[] = {
    {"秒杀全套绘本 限时折扣", "老橙家", "143.00", "17.88", "21105"},
    {"包邮特级散装饼干 正品&包邮", "老桃家", "109.90", "4.4", "20650"},
    {"Mini真皮迷你脚垫 热卖&推荐", "tb_24057", "890.80", "53.45", "20632"},
    {"正品记忆棉被子 限时折扣", "阿云杂货铺", "589.00", "38.28", "20508"},
    {"清仓美白保湿面霜 品质保证", "快乐熊家", "20.50", "1.02", "20160"},
    {"秒杀简约毛巾 Plus", "淘果精品屋", "96.90", "3.88", "19942"},
    {"Mini记忆棉磨毛凉席 品质保证", "快乐果家", "678.80", "81.46", "19503"},
};

// A bare window of the main window's size that paints the texts of its first screen, filled,
// in the same faces, sizes and places: menus, labels, the sort box, the page strip, the status
// line, the categories and a screen of item rows. No archive, no skin pictures, no child
// controls: the share of start-up that the fonts and the texts take by themselves.
class CaptionsWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setPen(QColor(76, 76, 76));
        for (const Caption &caption : kCaptions) {
            painter.setFont(faceFont(caption.face));
            painter.drawText(caption.box, caption.flags, QString::fromUtf8(caption.text));
        }
        // The keyword box is empty at start; it still measures its face to place the cursor.
        benchmark::DoNotOptimize(QFontMetrics(faceFont(Face::Keyword)).height());
        painter.setFont(faceFont(Face::Row));
        painter.setPen(Qt::black);
        for (std::size_t i = 0; i < std::size(kCategories); ++i)
            painter.drawText(QRect(kCategoryOrigin + QPoint(12, 5 + TleftTree::kRowHeight * int(i)),
                                   QSize(190, TleftTree::kRowHeight - 5)),
                             kTop | Qt::TextSingleLine, QString::fromUtf8(kCategories[i]));
        painter.setClipRect(kItemViewport);
        for (std::size_t i = 0; i < std::size(kItems); ++i) {
            painter.save();
            painter.translate(kItemViewport.topLeft() + QPoint(0, TItemTree::kRowHeight * int(i)));
            paintItemRow(painter, kItems[i]);
            painter.restore();
        }
    }

private:
    // The texts of one row where the item list draws them, each at its top plus its ascent.
    void paintItemRow(QPainter &painter, const ItemTexts &item)
    {
        const auto text = [&](int x, int y, Face face, QColor colour, const char *content) {
            painter.setFont(face == Face::Row ? m_row : m_value);
            painter.setPen(colour);
            const QFontMetrics &metrics = face == Face::Row ? m_rowMetrics : m_valueMetrics;
            painter.drawText(x, y + metrics.ascent(), QString::fromUtf8(content));
            return metrics.horizontalAdvance(QString::fromUtf8(content));
        };
        text(85, 5, Face::Row, QColor(37, 61, 223), item.title);
        const int seller = text(85, 50, Face::Row, Qt::black, "掌柜：");
        text(85 + seller, 50, Face::Row, QColor(255, 20, 20), item.seller);
        text(304, 10, Face::Row, Qt::black, "淘宝价：");
        text(349, 5, Face::RowValue, QColor(9, 139, 200), item.price);
        text(304, 50, Face::Row, Qt::black, "信  誉：");
        text(460, 10, Face::Row, Qt::black, "购物返现：");
        text(518, 5, Face::RowValue, QColor(9, 139, 200), item.cashBack);
        text(460, 50, Face::Row, Qt::black, "30天销售记录：");
        text(540, 45, Face::RowValue, QColor(249, 59, 39), item.sales);
        painter.setPen(QColor(168, 168, 168));
        painter.drawLine(0, TItemTree::kRowHeight - 1, kItemViewport.width(),
                         TItemTree::kRowHeight - 1);
    }

    const QFont m_row = faceFont(Face::Row);
    const QFont m_value = faceFont(Face::RowValue);
    const QFontMetrics m_rowMetrics{m_row};
    const QFontMetrics m_valueMetrics{m_value};
};

struct Setup {
    std::unique_ptr<sandbox::SandboxServer> sandbox;
    std::unique_ptr<testsupport::ProgramFolder> folder;
};
Setup *g_setup = nullptr;

// Makes a window, shows it until its first paint and destroys it out of the timing: the main
// window's teardown joins its threads and saves its settings, which is no part of the start-up.
template <class MakeWindow> void firstPaints(benchmark::State &state, MakeWindow make)
{
    for (auto _ : state) {
        std::unique_ptr<QWidget> window = make();
        showUntilPainted(*window);
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}

void BM_CaptionsWindowFirstPaint(benchmark::State &state)
{
    firstPaints(state, [] {
        auto window = std::make_unique<CaptionsWindow>();
        window->resize(Tfrm_main::kOuterWidth, Tfrm_main::kOuterHeight);
        return window;
    });
}
BENCHMARK(BM_CaptionsWindowFirstPaint)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_MainWindowFirstPaint(benchmark::State &state)
{
    firstPaints(state, [] {
        auto window = std::make_unique<Tfrm_main>(testsupport::appDir(*g_setup->folder));
        ui(*window).trm_load->stop();
        return window;
    });
}
BENCHMARK(BM_MainWindowFirstPaint)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

// Process-level start-up, timed from outside (bench/run.sh runs it under hyperfine):
// --prepare=DIR writes a program folder whose gateway is unreachable (the first loading comes
// a second after the first paint, so it is never reached); --first-paint=bare|captions|main DIR
// starts the application, shows that window, and leaves at once after its first paint.
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
    std::unique_ptr<QWidget> window;
    if (mode == "--first-paint=bare" || mode == "--first-paint=captions") {
        window = mode == "--first-paint=bare" ? std::make_unique<QWidget>()
                                              : std::make_unique<CaptionsWindow>();
        window->resize(Tfrm_main::kOuterWidth, Tfrm_main::kOuterHeight);
    } else {
        window = std::make_unique<Tfrm_main>(QString::fromLocal8Bit(argv[2]) + u'/');
    }
    showUntilPainted(*window);
    // Every kind leaves with its window still up: tearing it down (the main window joins its
    // threads and saves its settings) is no part of the start-up.
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
