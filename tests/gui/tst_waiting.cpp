#include "core/ucommon.h"
#include "gui_test_support.h"
#include "received_requests.h"
#include "sandbox/sandbox_server.h"
#include "ui/category_model.h"
#include "ui/picture_button.h"
#include "ui/skin.h"
#include "ui/uItemTree.h"
#include "ui/ufrmmain.h"
#include "ui/uleftTree.h"
#include "window_controls.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

using namespace quenbo;
using namespace quenbo::testsupport;

namespace {

constexpr const char *kItemsMethod = "taobao.taobaoke.items.get";

}  // namespace

// The window while the gateway takes its time: the sandbox holds answers back, and the window
// must go on working, show that it is waiting, and show only the newest answer.
class WaitingTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void windowWorksWhileAnAnswerIsHeldBack();
    void newerSearchesSupersedeOlderOnes();
    void categoryWhoseLevelIsOutIsNotAskedAgain();
    void closingDoesNotWaitForTheAnswer();
    void screenshotOfTheStatusLine();

private:
    void holdItems(int ms, int times = 0);
    // Types text into the search box and presses the search button, as a user does.
    void search(const QString &text);

    SandboxedWindow m_fixture;
    std::unique_ptr<ReceivedLog> m_received;
};

void WaitingTest::initTestCase()
{
    m_fixture.startSuite();
    m_received = std::make_unique<ReceivedLog>(m_fixture.sandbox());
}

void WaitingTest::init()
{
    QVERIFY(m_fixture.openWindow());
}

void WaitingTest::cleanup()
{
    m_fixture.finishTest();
}

void WaitingTest::holdItems(int ms, int times)
{
    std::string form = "path=/router/rest&method=" + std::string(kItemsMethod) +
                       "&kind=slow&delay_ms=" + std::to_string(ms);
    if (times > 0)
        form += "&times=" + std::to_string(times);
    QVERIFY(postSandboxFault(m_fixture.sandbox().baseUrl(), form));
}

void WaitingTest::search(const QString &text)
{
    ui(m_fixture.window()).E_Serch->setText(text);
    QTest::mouseClick(ui(m_fixture.window()).b_Srech, Qt::LeftButton);
}

void WaitingTest::windowWorksWhileAnAnswerIsHeldBack()
{
    holdItems(3000);
    QElapsedTimer clock;
    clock.start();
    search(QStringLiteral("连衣裙"));
    QVERIFY(clock.elapsed() < 2000);  // the press came back long before the answer

    // Waiting shows: the list is empty under the busy cursor and the status line says why.
    QVERIFY(m_fixture.window().Session().loading());
    QCOMPARE(ui(m_fixture.window()).itemTree->model()->rowCount(), 0);
    QCOMPARE(ui(m_fixture.window()).itemTree->cursor().shape(), Qt::BusyCursor);
    QCOMPARE(ui(m_fixture.window()).L_Status->text(), QStringLiteral("正在搜索 …"));

    // Meanwhile the event loop runs: a timer fires and the File menu opens and closes.
    bool fired = false;
    QTimer::singleShot(10, &m_fixture.window(), [&fired] { fired = true; });
    QTRY_VERIFY_WITH_TIMEOUT(fired, 1000);
    m_fixture.window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_fixture.window()));
    QTest::keyClick(&m_fixture.window(), Qt::Key_F, Qt::AltModifier);
    QMenu *file = ui(m_fixture.window()).N1->menu();
    QCOMPARE(QApplication::activePopupWidget(), file);
    QVERIFY(m_fixture.window().Session().loading());
    QTest::keyClick(file, Qt::Key_Escape);
    QVERIFY(!file->isVisible());

    // Then the rows arrive, and the waiting signs go.
    QVERIFY(waitForGateway(m_fixture.window()));
    QVERIFY(clock.elapsed() >= 2500);
    QVERIFY(ui(m_fixture.window()).itemTree->model()->rowCount() > 0);
    QCOMPARE(ui(m_fixture.window()).itemTree->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(ui(m_fixture.window()).L_Status->text().isEmpty());
    QVERIFY(waitForWorkers(m_fixture.window()));
}

void WaitingTest::newerSearchesSupersedeOlderOnes()
{
    // The first search is held; the second, answered at once, is the one shown, and the
    // first's answer never replaces it.
    holdItems(1500, 1);
    search(QStringLiteral("衬衫"));
    QTRY_VERIFY(!m_received->gateway().empty());
    search(QStringLiteral("连衣裙"));
    QVERIFY(waitForGateway(m_fixture.window()));
    const std::vector<std::string> shown = rowIds(ui(m_fixture.window()).itemTree);
    QVERIFY(!shown.empty());
    QTest::qWait(2000);
    QCOMPARE(rowIds(ui(m_fixture.window()).itemTree), shown);
    TTaoBaoData record;
    record = shownRecord(ui(m_fixture.window()).itemTree, shown.front());
    QVERIFY(record.Title.find("连衣裙") != std::string::npos);

    // Presses on 下一页 while a page loads act on the newest page: two presses load page 3.
    holdItems(800);
    m_received->mark();
    QTest::mouseClick(ui(m_fixture.window()).b_Pnext, Qt::LeftButton);
    QTest::mouseClick(ui(m_fixture.window()).b_Pnext, Qt::LeftButton);
    QCOMPARE(ui(m_fixture.window()).cbox_pagecount->currentText(), QStringLiteral("3"));
    QVERIFY(waitForGateway(m_fixture.window()));
    const std::vector<ReceivedRequest> asked = m_received->gateway();
    QVERIFY(!asked.empty());
    QCOMPARE(asked.back().param("page_no"), std::string("3"));
    QCOMPARE(m_fixture.window().Session().pageNo(), 3);
    QVERIFY(m_fixture.window().Session().lastAddress().find("&page_no=3&") != std::string::npos);
    QVERIFY(waitForWorkers(m_fixture.window()));
}

void WaitingTest::categoryWhoseLevelIsOutIsNotAskedAgain()
{
    m_fixture.window().LoadCategoryLevel("0");
    QVERIFY(waitForGateway(m_fixture.window()));
    QTreeView *tree = ui(m_fixture.window()).vlefttree;
    const QAbstractItemModel *model = tree->model();
    // The first category's subcategories are there, and it is closed; the second's are asked.
    const QModelIndex above = model->index(0, 0);
    const QModelIndex second = model->index(1, 0);
    QVERIFY(above.isValid() && second.isValid());
    for (int press = 0; press < 2; ++press) {
        click(tree->viewport(), tree->visualRect(above).center());
        QVERIFY(waitForGateway(m_fixture.window()));
    }
    QVERIFY(!tree->isExpanded(above) && model->rowCount(above) > 0);
    const std::string cid = CategoryModel::category(second)->Cid;
    QVERIFY(postSandboxFault(m_fixture.sandbox().baseUrl(),
                             "path=/router/rest&method=taobao.itemcats.get&kind=slow&delay_ms=3000"
                             "&times=1"));
    m_received->mark();

    // Three presses while the level is out: one question; the busy cursor over the tree.
    const QPoint secondRow(30, tree->visualRect(second).top() + TleftTree::kRowHeight / 2);
    for (int press = 0; press < 3; ++press) {
        click(tree->viewport(), secondRow);
        QTest::qWait(QApplication::doubleClickInterval() + 20);
    }
    QCOMPARE(tree->cursor().shape(), Qt::BusyCursor);
    // A row opened above it meanwhile moves its place; its level still lands under it.
    QVERIFY(postSandboxFault(m_fixture.sandbox().baseUrl(), "clear=1"));
    tree->expand(above);
    QVERIFY(tree->visualRect(second).top() > secondRow.y());
    QVERIFY(waitForGateway(m_fixture.window()));
    std::vector<std::string> parents;
    for (const ReceivedRequest &request : m_received->gateway())
        parents.push_back(request.param("parent_cid"));
    QCOMPARE(parents, std::vector<std::string>{cid});
    QVERIFY(CategoryModel::category(second)->Loaded);
    QVERIFY(model->rowCount(second) > 0);
    QCOMPARE(CategoryModel::category(model->index(0, 0, second))->ParentCid, cid);
    // Three presses open, close and open it, as they would have with the level there.
    QVERIFY(tree->isExpanded(second));
    QCOMPARE(tree->cursor().shape(), Qt::ArrowCursor);
}

void WaitingTest::closingDoesNotWaitForTheAnswer()
{
    holdItems(20000);
    search(QStringLiteral("连衣裙"));
    m_fixture.window().CheckForUpdate();
    QTRY_VERIFY(!m_received->gateway().empty());
    QTest::qWait(100);
    QElapsedTimer clock;
    clock.start();
    m_fixture.window().close();
    m_fixture.closeWindow();
    const qint64 closing = clock.elapsed();
    qInfo("closed %lld ms after the close while a search waited on a held answer", closing);
    // Far below the 20 s the answer is held: closing cancels the exchange instead of waiting.
    QVERIFY(closing < 5000);
}

void WaitingTest::screenshotOfTheStatusLine()
{
    // The start-up list is shown; the top-level categories fail and the status line says so,
    // in the free part of the page strip's row.
    QVERIFY(postSandboxFault(m_fixture.sandbox().baseUrl(),
                             "path=/router/rest&method=taobao.itemcats.get&kind=not_found"));
    ui(m_fixture.window()).pnl_load->show();
    m_fixture.window().trm_loadTimer();
    QVERIFY(waitForGateway(m_fixture.window()));
    QVERIFY(waitForWorkers(m_fixture.window()));
    QCOMPARE(ui(m_fixture.window()).L_Status->text(),
             QStringLiteral("分类载入失败：服务器返回 HTTP 404"));
    QVERIFY(ui(m_fixture.window()).pnl_load->isHidden());
    const QRect status = ui(m_fixture.window()).L_Status->geometry();
    const QRect strip = ui(m_fixture.window()).pnl_PageControls->geometry();
    QVERIFY(status.right() < strip.left());
    QCOMPARE(status.top(), strip.top());
    QVERIFY(status.width() >= 450);
    QCoreApplication::processEvents();

    const QString folder = qEnvironmentVariable("QUENBO_SCREENSHOT_DIR");
    QVERIFY(!folder.isEmpty());
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(m_fixture.window().grab().save(folder + QStringLiteral("/status_line.png")));
}

QTEST_MAIN(WaitingTest)
#include "tst_waiting.moc"
