#include "gui_test_support.h"
#include "ui/skin.h"
#include "ui/ufrmmain.h"

#include <QScreen>
#include <QTest>

#include <memory>

using namespace quenbo;
using namespace quenbo::testsupport;

// Where the main window opens: centred on the screen's available area, and with its caption and
// menu on the screen even when a high scale makes it larger than the screen. The suite runs at
// scale 2 (set before the application starts), where the offscreen screen is smaller than the
// window.
class PlacementTest : public QObject {
    Q_OBJECT

private slots:
    void placeOnScreen_data();
    void placeOnScreen();
    void windowOpensWithItsCaptionOnTheScreenAtScaleTwo();
};

void PlacementTest::placeOnScreen_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QPoint>("placed");
    QTest::newRow("fits: centred")
        << QSize(900, 650) << QRect(0, 0, 1920, 1080) << QPoint(510, 215);
    QTest::newRow("panel at the top: centred in what is left")
        << QSize(900, 650) << QRect(0, 40, 1920, 1040) << QPoint(510, 235);
    QTest::newRow("taller than the screen: top edge kept")
        << QSize(1800, 1300) << QRect(0, 0, 1280, 900) << QPoint(0, 0);
    QTest::newRow("wider only: left edge kept, centred down")
        << QSize(1400, 500) << QRect(0, 0, 1280, 900) << QPoint(0, 200);
    QTest::newRow("second screen to the right")
        << QSize(900, 650) << QRect(1920, 0, 1280, 1024) << QPoint(2110, 187);
    QTest::newRow("second screen, too small")
        << QSize(1800, 1300) << QRect(1920, 24, 1280, 876) << QPoint(1920, 24);
}

void PlacementTest::placeOnScreen()
{
    QFETCH(QSize, size);
    QFETCH(QRect, available);
    QFETCH(QPoint, placed);
    QCOMPARE(Tfrm_main::PlaceOnScreen(size, available), placed);
}

void PlacementTest::windowOpensWithItsCaptionOnTheScreenAtScaleTwo()
{
    installFontSubstitutions();
    ProgramFolder folder;
    writeSandboxArchive(folder, "http://127.0.0.1:1");
    auto window = openWindow(folder);
    QVERIFY(window);
    const QRect available = window->screen()->availableGeometry();
    QVERIFY2(available.width() < window->frameGeometry().width() ||
                 available.height() < window->frameGeometry().height(),
             "the window should not fit on the screen at this scale");
    const QPoint topLeft = window->frameGeometry().topLeft();
    QVERIFY2(available.contains(topLeft),
             qPrintable(QStringLiteral("placed at (%1, %2)").arg(topLeft.x()).arg(topLeft.y())));
    window.reset();
    verifyNoWindowLeft();
}

int main(int argc, char *argv[])
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    PlacementTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_placement.moc"
