#include "gui_test_support.h"
#include "sandbox/sandbox_server.h"
#include "ui/picture_button.h"
#include "ui/skin.h"
#include "ui/ufrmmain.h"
#include "window_controls.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <memory>
#include <utility>
#include <vector>

using namespace quenbo;
using namespace quenbo::testsupport;

namespace {

// A control as drawn, named for the failure messages.
using Shots = std::vector<std::pair<QString, QImage>>;

// The kinds of control a desktop theme may give palettes of their own.
constexpr const char *kThemedClasses[] = {"QAbstractButton", "QComboBox", "QAbstractItemView",
                                          "QScrollBar"};

// A dark desktop palette, as a dark theme gives the program.
QPalette darkPalette()
{
    const QColor text(225, 225, 225);
    QPalette palette(text, QColor(60, 60, 60), QColor(90, 90, 90), QColor(25, 25, 25),
                     QColor(40, 40, 40), text, Qt::white, QColor(35, 35, 35), QColor(50, 50, 50));
    palette.setColor(QPalette::Highlight, QColor(42, 90, 140));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    return palette;
}

// The share of the image's pixels that are light, as the skin's greys and whites are; a dark
// theme's colours are far below.
double lightShare(const QImage &image)
{
    qsizetype light = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).lightness() >= 180)
                ++light;
    return double(light) / double(qMax<qsizetype>(1, qsizetype(image.width()) * image.height()));
}

qsizetype differingPixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return qsizetype(qMax(a.width(), b.width())) * qMax(a.height(), b.height());
    qsizetype differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                ++differing;
    return differing;
}

}  // namespace

// The skin under the desktop's palette: the page strip, the page list and the scroll bars of
// both lists keep the skin's light colours whatever palette the desktop gives the program, and
// are drawn exactly as under the light palette the suite starts with.
class SkinTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void controlsKeepTheSkinUnderAnyDesktopPalette_data();
    void controlsKeepTheSkinUnderAnyDesktopPalette();

private:
    // Opens a window under the application palette of the moment, lets it load the start-up
    // list and the categories, searches and opens the page list, and draws the skinned
    // controls on the way; writes a screenshot of the searched window when a name is given.
    void drawControls(Shots &shots, const QString &screenshot = QString());

    std::unique_ptr<sandbox::SandboxServer> m_sandbox;
    std::unique_ptr<ProgramFolder> m_folder;
    QPalette m_lightPalette;
    Shots m_lightShots;
};

void SkinTest::initTestCase()
{
    m_sandbox = startSuiteSandbox();
    m_folder = std::make_unique<ProgramFolder>();
    writeSandboxArchive(*m_folder, m_sandbox->baseUrl());
    m_lightPalette = QApplication::palette();
    QVERIFY(m_lightPalette.color(QPalette::Window).lightness() > 200);
    drawControls(m_lightShots);
}

void SkinTest::cleanup()
{
    // A palette set for a class stays until replaced; the light one takes its place.
    QApplication::setPalette(m_lightPalette);
    for (const char *className : kThemedClasses)
        QApplication::setPalette(m_lightPalette, className);
    verifyNoWindowLeft();
}

void SkinTest::drawControls(Shots &shots, const QString &screenshot)
{
    RecordedMessages messages;
    auto window = openWindow(*m_folder);
    QVERIFY(window);
    window->trm_loadTimer();
    QVERIFY(waitForGateway(*window));
    QVERIFY(waitForWorkers(*window));
    // Two categories opened make the category tree longer than its panel.
    QTreeView *categories = ui(window).vlefttree;
    for (int row : {1, 0}) {
        const QModelIndex category = categories->model()->index(row, 0);
        QVERIFY(category.isValid());
        click(categories->viewport(), categories->visualRect(category).center());
        QVERIFY(waitForGateway(*window));
        QVERIFY(categories->isExpanded(category));
    }
    QScrollBar *itemBar = ui(window).itemTree->verticalScrollBar();
    QScrollBar *categoryBar = categories->verticalScrollBar();
    // A scroll bar shows once the events its new range posted are handled.
    QTRY_VERIFY(itemBar->isVisible());
    QTRY_VERIFY(categoryBar->isVisible());
    QVERIFY(!ui(window).pnl_PageControls->isEnabled());
    shots.emplace_back("上一页, before a search", ui(window).B_PFrist->grab().toImage());
    shots.emplace_back("page list, before a search", ui(window).cbox_pagecount->grab().toImage());
    shots.emplace_back("下一页, before a search", ui(window).b_Pnext->grab().toImage());
    shots.emplace_back("scroll bar of the start-up list", itemBar->grab().toImage());
    shots.emplace_back("scroll bar of the categories", categoryBar->grab().toImage());

    ui(window).E_Serch->setText(QStringLiteral("连衣裙"));
    QTest::mouseClick(ui(window).b_Srech, Qt::LeftButton);
    QVERIFY(waitForGateway(*window));
    QVERIFY(waitForWorkers(*window));
    QVERIFY(ui(window).pnl_PageControls->isEnabled());
    QTRY_VERIFY(itemBar->isVisible());
    shots.emplace_back("上一页", ui(window).B_PFrist->grab().toImage());
    shots.emplace_back("page list", ui(window).cbox_pagecount->grab().toImage());
    shots.emplace_back("下一页", ui(window).b_Pnext->grab().toImage());
    shots.emplace_back("scroll bar of the found items", itemBar->grab().toImage());
    if (!screenshot.isEmpty()) {
        const QString folder = qEnvironmentVariable("QUENBO_SCREENSHOT_DIR");
        QVERIFY(!folder.isEmpty());
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(window->grab().save(folder + QLatin1Char('/') + screenshot));
    }

    QTest::mouseClick(ui(window).cbox_pagecount, Qt::LeftButton);
    QTRY_VERIFY(ui(window).cbox_pagecount->view()->isVisible());
    QWidget *list = ui(window).cbox_pagecount->view()->window();
    QVERIFY(QTest::qWaitForWindowExposed(list));
    shots.emplace_back("open page list", list->grab().toImage());
    QTest::keyClick(ui(window).cbox_pagecount->view(), Qt::Key_Escape);
    QTRY_VERIFY(!list->isVisible());
    QVERIFY(waitForGateway(*window));
    QVERIFY(waitForWorkers(*window));
    if (!messages.texts.empty())
        QFAIL(qPrintable(messages.texts.front()));
}

void SkinTest::controlsKeepTheSkinUnderAnyDesktopPalette_data()
{
    QTest::addColumn<bool>("dark");
    QTest::addColumn<bool>("darkControls");  // the theme's own palettes for kinds of control
    QTest::addColumn<QString>("screenshot");
    QTest::newRow("light desktop") << false << false << QString();
    QTest::newRow("dark desktop") << true << false << QStringLiteral("dark_theme.png");
    QTest::newRow("dark desktop and dark controls") << true << true << QString();
}

void SkinTest::controlsKeepTheSkinUnderAnyDesktopPalette()
{
    QFETCH(bool, dark);
    QFETCH(bool, darkControls);
    QFETCH(QString, screenshot);
    if (dark)
        QApplication::setPalette(darkPalette());
    if (darkControls)
        for (const char *className : kThemedClasses)
            QApplication::setPalette(darkPalette(), className);

    Shots shots;
    drawControls(shots, screenshot);
    if (QTest::currentTestFailed())
        return;

    QCOMPARE(shots.size(), m_lightShots.size());
    for (std::size_t i = 0; i < shots.size(); ++i) {
        const auto &[name, image] = shots[i];
        const double share = lightShare(image);
        QVERIFY2(
            share >= 0.8,
            qPrintable(
                QStringLiteral("%1: only %2% of it is light").arg(name).arg(qRound(share * 100))));
        const qsizetype differing = differingPixels(image, m_lightShots[i].second);
        QVERIFY2(differing == 0, qPrintable(QStringLiteral("%1: %2 pixels differ from the light "
                                                           "desktop's")
                                                .arg(name)
                                                .arg(differing)));
    }
}

QTEST_MAIN(SkinTest)
#include "tst_skin.moc"
