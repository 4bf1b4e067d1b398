#include "core/ucommon.h"
#include "gateway/gateway.h"
#include "gateway/gateway_exchanges.h"
#include "gui_test_support.h"
#include "interface_pictures.h"
#include "platform/http_client.h"
#include "received_requests.h"
#include "sandbox/sandbox_server.h"
#include "ui/skin.h"
#include "ui/ufrmmain.h"
#include "ui/uleftTree.h"
#include "window_controls.h"

#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTest>
#include <QTimer>

#include <httplib.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>

using namespace quenbo;
using namespace quenbo::testsupport;

namespace {

// The middle of the node's row; for a node not on screen (or none) a point above every row,
// where a press finds nothing, so that the test fails at its checks instead of crashing.
QPoint rowPoint(VirtualTree *tree, VirtualTree::Node *node)
{
    return QPoint(40, tree->rowTop(node).value_or(-100) + 12);
}

TShopClass category(const std::string &cid, const std::string &name, const std::string &isParent)
{
    TShopClass record;
    record.Cid = cid;
    record.Name = name;
    record.IsParent = isParent;
    return record;
}

QStringList nodeNames(VirtualTree *tree, VirtualTree::Node *parent)
{
    QStringList names;
    const int count = parent ? VirtualTree::childCount(parent) : tree->topLevelCount();
    for (int i = 0; i < count; ++i) {
        VirtualTree::Node *node = parent ? VirtualTree::child(parent, i) : tree->topLevelNode(i);
        names << QString::fromStdString(VirtualTree::nodeData<TShopClass>(node)->Name);
    }
    return names;
}

// Leftmost x in the row band [top, top + height) whose colour passes the test, or -1.
int leftmost(const QImage &image, int top, int height, const std::function<bool(QColor)> &test)
{
    for (int x = 0; x < image.width(); ++x)
        for (int y = top; y < top + height && y < image.height(); ++y)
            if (test(image.pixelColor(x, y)))
                return x;
    return -1;
}

}  // namespace

class CategoryTreeTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void firstLoadingFillsTheTopLevelAfterShowing();
    void firstClickQueriesOnceAndOpensSecondCloses();
    void failedQueryLeavesTheCategoryToAskAgain_data();
    void failedQueryLeavesTheCategoryToAskAgain();
    void leafCategoryIsAskedOnceAndMarkedLoaded();
    void arrowKeysMoveTheFocusedRowAndOpenIt();
    void everyButtonActsAlike_data();
    void everyButtonActsAlike();
    void doubleClickStartsTheCategorySearch();
    void categoriesGoUnderTheRequestedParent();
    void rowsAreIndentedByLevel();
    void hotRowRepaintsOnlyTheRowsItLeavesAndEnters();
    void hotAndSelectedRowsHaveTheirColours();
    void findCategoryNodeSearchesCollapsedSubtrees();
    void badAnswersAddNothingAndSaySo_data();
    void badAnswersAddNothingAndSaySo();
    void screenshotOfTheMainWindow();

private:
    void postFault(const std::string &form);
    // Shows the window with the top-level categories, as the first loading leaves it.
    void showTopLevel();

    std::unique_ptr<sandbox::SandboxServer> m_sandbox;
    std::unique_ptr<ReceivedLog> m_received;
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<RecordedMessages> m_messages;
    std::unique_ptr<Tfrm_main> m_window;
};

void CategoryTreeTest::initTestCase()
{
    m_sandbox = startSuiteSandbox();
    m_received = std::make_unique<ReceivedLog>(*m_sandbox);
    m_folder = std::make_unique<ProgramFolder>();
    writeSandboxArchive(*m_folder, m_sandbox->baseUrl());
}

void CategoryTreeTest::init()
{
    m_messages = std::make_unique<RecordedMessages>();
    m_window = std::make_unique<Tfrm_main>(appDir(*m_folder));
}

void CategoryTreeTest::cleanup()
{
    finishWindowTest(m_window, m_messages, m_sandbox->baseUrl());
}

void CategoryTreeTest::postFault(const std::string &form)
{
    QVERIFY(postSandboxFault(m_sandbox->baseUrl(), form));
}

void CategoryTreeTest::showTopLevel()
{
    QVERIFY(showWithoutStartup(*m_window));
    m_window->LoadCategoryLevel("0");
    QVERIFY(waitForGateway(*m_window));
    QVERIFY(ui(m_window).vlefttree->topLevelCount() > 1);
    m_received->mark();
}

void CategoryTreeTest::firstLoadingFillsTheTopLevelAfterShowing()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QVERIFY(ui(m_window).trm_load->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(ui(m_window).pnl_load->isHidden(), 20000);
    QVERIFY(!ui(m_window).trm_load->isActive());

    QStringList expected;
    for (const std::uint32_t index : m_sandbox->catalogue().children(0))
        expected << QString::fromStdString(m_sandbox->catalogue().categories()[index].name);
    QVERIFY(!expected.isEmpty());
    QCOMPARE(nodeNames(ui(m_window).vlefttree, nullptr), expected);
    QCOMPARE(m_window->Common().Categories.size(), std::size_t(expected.size()));
    QCOMPARE(m_window->Session().lastAddress(), m_window->Common().Settings.IndexUrl);
    QCOMPARE(m_window->Session().mode(), SearchMode::None);
    QVERIFY(!ui(m_window).pnl_PageControls->isEnabled());
}

void CategoryTreeTest::firstClickQueriesOnceAndOpensSecondCloses()
{
    m_window->show();
    m_window->LoadCategoryLevel("0");
    QVERIFY(waitForGateway(*m_window));
    VirtualTree *tree = ui(m_window).vlefttree;
    VirtualTree::Node *first = tree->topLevelNode(0);
    QVERIFY(first);
    const std::size_t before = m_window->Common().Categories.size();
    const auto cid = std::stoull(VirtualTree::nodeData<TShopClass>(first)->Cid);
    const std::size_t children = m_sandbox->catalogue().children(cid).size();
    QVERIFY(children > 0);

    click(tree->viewport(), rowPoint(tree, first));
    // The category opens when its subcategories arrive.
    QVERIFY(!VirtualTree::isExpanded(first));
    QVERIFY(waitForGateway(*m_window));
    QVERIFY(VirtualTree::nodeData<TShopClass>(first)->Loaded);
    QVERIFY(VirtualTree::isExpanded(first));
    QCOMPARE(std::size_t(VirtualTree::childCount(first)), children);
    // One query's worth of categories: a second query would have added them again.
    QCOMPARE(m_window->Common().Categories.size(), before + children);
    QVERIFY(!m_window->Common().Categories.back().Loaded);

    click(tree->viewport(), rowPoint(tree, first));
    QVERIFY(!VirtualTree::isExpanded(first));
    QCOMPARE(m_window->Common().Categories.size(), before + children);
    QCOMPARE(std::size_t(VirtualTree::childCount(first)), children);
}

void CategoryTreeTest::failedQueryLeavesTheCategoryToAskAgain_data()
{
    QTest::addColumn<QString>("fault");
    for (const char *kind : {"not_found", "drop", "malformed", "html"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

void CategoryTreeTest::failedQueryLeavesTheCategoryToAskAgain()
{
    QFETCH(QString, fault);
    showTopLevel();
    VirtualTree *tree = ui(m_window).vlefttree;
    VirtualTree::Node *first = tree->topLevelNode(0);
    QVERIFY(first);
    TShopClass *category = VirtualTree::nodeData<TShopClass>(first);
    postFault("path=/router/rest&method=taobao.itemcats.get&kind=" + fault.toStdString());

    click(tree->viewport(), rowPoint(tree, first));
    QVERIFY(waitForGateway(*m_window));
    QVERIFY(!category->Loaded);
    QCOMPARE(VirtualTree::childCount(first), 0);
    QVERIFY(!VirtualTree::isExpanded(first));
    QVERIFY(ui(m_window).L_Status->text().startsWith(QStringLiteral("分类载入失败：")));
    postFault("clear=1");
    // The next press asks again and opens the category with what the gateway answers now.
    click(tree->viewport(), rowPoint(tree, first));
    QVERIFY(waitForGateway(*m_window));
    QVERIFY(category->Loaded);
    QVERIFY(VirtualTree::childCount(first) > 0);
    QVERIFY(VirtualTree::isExpanded(first));
    QVERIFY(ui(m_window).L_Status->text().isEmpty());
    // A dropped connection may be tried again by the transport; each press still asks.
    QVERIFY(m_received->gateway().size() >= 2);
    for (const ReceivedRequest &request : m_received->gateway())
        QCOMPARE(request.param("parent_cid"), category->Cid);
}

void CategoryTreeTest::leafCategoryIsAskedOnceAndMarkedLoaded()
{
    showTopLevel();
    VirtualTree *tree = ui(m_window).vlefttree;
    m_window->LeftTree().AddCategory(category("990001", "叶子类目", "false"), 0);
    VirtualTree::Node *leaf = tree->topLevelNode(tree->topLevelCount() - 1);
    QVERIFY(leaf);
    TShopClass *record = VirtualTree::nodeData<TShopClass>(leaf);
    // The gateway answers a category without subcategories with an empty list: it is loaded,
    // so later presses ask nothing.
    for (int press = 0; press < 3; ++press) {
        click(tree->viewport(), rowPoint(tree, leaf));
        QVERIFY(waitForGateway(*m_window));
    }
    QVERIFY(record->Loaded);
    QCOMPARE(VirtualTree::childCount(leaf), 0);
    const std::vector<ReceivedRequest> requests = m_received->gateway();
    QCOMPARE(requests.size(), std::size_t(1));
    QCOMPARE(requests[0].param("parent_cid"), std::string("990001"));
}

void CategoryTreeTest::arrowKeysMoveTheFocusedRowAndOpenIt()
{
    showTopLevel();
    VirtualTree *tree = ui(m_window).vlefttree;
    VirtualTree::Node *first = tree->topLevelNode(0);
    VirtualTree::Node *second = tree->topLevelNode(1);
    QVERIFY(first && second);
    // The first category's children are loaded by a press; the second's are not.
    click(tree->viewport(), rowPoint(tree, first));
    QVERIFY(waitForGateway(*m_window));
    click(tree->viewport(), rowPoint(tree, first));
    QVERIFY(!VirtualTree::isExpanded(first));
    QVERIFY(VirtualTree::childCount(first) > 0);
    m_received->mark();

    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Up);
    QCOMPARE(tree->selectedNode(), first);
    // A focused row with loaded children opens; the next Down walks into them.
    QVERIFY(VirtualTree::isExpanded(first));
    QTest::keyClick(tree, Qt::Key_Down);
    QCOMPARE(tree->selectedNode(), VirtualTree::child(first, 0));
    QTest::keyClick(tree, Qt::Key_Left);
    QCOMPARE(tree->selectedNode(), first);
    QTest::keyClick(tree, Qt::Key_Left);
    QVERIFY(!VirtualTree::isExpanded(first));
    QTest::keyClick(tree, Qt::Key_Down);
    QCOMPARE(tree->selectedNode(), second);
    // Keys only move the focus: no query, no search.
    QVERIFY(!VirtualTree::isExpanded(second));
    QVERIFY(!VirtualTree::nodeData<TShopClass>(second)->Loaded);
    QVERIFY(m_received->pages().empty());
    QCOMPARE(m_window->Session().mode(), SearchMode::None);

    // The focused row is drawn as selected.
    ui(m_window).pnl_load->hide();
    const QImage image = tree->viewport()->grab().toImage();
    QCOMPARE(image.pixelColor(1, *tree->rowTop(second) + 1), QColor(187, 228, 255));
}

void CategoryTreeTest::everyButtonActsAlike_data()
{
    QTest::addColumn<int>("button");
    QTest::newRow("left") << int(Qt::LeftButton);
    QTest::newRow("right") << int(Qt::RightButton);
    QTest::newRow("middle") << int(Qt::MiddleButton);
}

void CategoryTreeTest::everyButtonActsAlike()
{
    QFETCH(int, button);
    m_window->show();
    m_window->LoadCategoryLevel("0");
    QVERIFY(waitForGateway(*m_window));
    VirtualTree *tree = ui(m_window).vlefttree;
    VirtualTree::Node *second = tree->topLevelNode(1);
    QVERIFY(second);
    click(tree->viewport(), rowPoint(tree, second), Qt::MouseButton(button));
    QVERIFY(waitForGateway(*m_window));
    QVERIFY(VirtualTree::nodeData<TShopClass>(second)->Loaded);
    QVERIFY(VirtualTree::isExpanded(second));
    QVERIFY(VirtualTree::childCount(second) > 0);
    QCOMPARE(tree->selectedNode() == second, button == int(Qt::LeftButton));
}

void CategoryTreeTest::doubleClickStartsTheCategorySearch()
{
    m_window->show();
    m_window->LoadCategoryLevel("0");
    // The page that paging goes on from is 3, as the page list chose it.
    ui(m_window).cbox_pagecount->setCurrentIndex(2);
    emit ui(m_window).cbox_pagecount->closeUp();
    QVERIFY(waitForGateway(*m_window));
    VirtualTree *tree = ui(m_window).vlefttree;
    VirtualTree::Node *first = tree->topLevelNode(0);
    QVERIFY(first);
    const std::string cid = VirtualTree::nodeData<TShopClass>(first)->Cid;
    const std::size_t before = m_window->Common().Categories.size();
    m_received->mark();

    doubleClick(tree->viewport(), rowPoint(tree, first));
    QVERIFY(waitForGateway(*m_window));
    // Both presses reach the press handler: one subcategory query and the search, which go
    // out side by side.
    std::vector<std::string> methods;
    std::optional<ReceivedRequest> search;
    for (const ReceivedRequest &request : m_received->gateway()) {
        methods.push_back(request.param("method"));
        if (methods.back() == "taobao.taobaoke.items.get")
            search = request;
    }
    std::sort(methods.begin(), methods.end());
    QCOMPARE(methods,
             (std::vector<std::string>{"taobao.itemcats.get", "taobao.taobaoke.items.get"}));
    QVERIFY(search);
    QCOMPARE(search->param("cid"), cid);
    QCOMPARE(search->param("page_no"), std::string("1"));
    QVERIFY(!VirtualTree::isExpanded(first));  // toggled once for each press
    QVERIFY(m_window->Common().Categories.size() > before);
    QCOMPARE(m_window->Session().mode(), SearchMode::Category);
    QCOMPARE(m_window->Session().categoryId(), cid);
    // The category's first page: the page list starts again at 1.
    QCOMPARE(m_window->Session().pageNo(), 1);
    QCOMPARE(ui(m_window).cbox_pagecount->currentIndex(), 0);
    QVERIFY(ui(m_window).pnl_PageControls->isEnabled());
}

void CategoryTreeTest::categoriesGoUnderTheRequestedParent()
{
    m_window->LoadCategoryLevel("0");
    QVERIFY(waitForGateway(*m_window));
    const int topLevel = ui(m_window).vlefttree->topLevelCount();
    QVERIFY(topLevel > 1);
    VirtualTree::Node *first = ui(m_window).vlefttree->topLevelNode(0);
    const std::string firstCid = VirtualTree::nodeData<TShopClass>(first)->Cid;
    const std::string secondCid =
        VirtualTree::nodeData<TShopClass>(ui(m_window).vlefttree->topLevelNode(1))->Cid;
    // The first category's children arrive with parent_cid = first, yet go under the second
    // when the second was asked for.
    m_window->LeftTree().AddCategory(category("990001", "x", "false"), 0);
    m_window->LoadCategoryLevel(firstCid);
    QVERIFY(waitForGateway(*m_window));
    QVERIFY(VirtualTree::childCount(first) > 0);
    QVERIFY(!VirtualTree::isExpanded(first));
    QCOMPARE(
        std::string(VirtualTree::nodeData<TShopClass>(VirtualTree::child(first, 0))->ParentCid),
        firstCid);
    QVERIFY(secondCid != firstCid);
    // A parent id that is not a number sends its text unchanged and lands at the top level.
    ui(m_window).pnl_load->show();
    m_window->LoadCategoryLevel("abc");
    QVERIFY(waitForGateway(*m_window));
    QVERIFY(ui(m_window).pnl_load->isHidden());
    QCOMPARE(ui(m_window).vlefttree->topLevelCount(), topLevel + 1);
}

void CategoryTreeTest::rowsAreIndentedByLevel()
{
    TleftTree &presenter = m_window->LeftTree();
    VirtualTree *tree = ui(m_window).vlefttree;
    presenter.AddCategory(category("1", "一级类目", "true"), 0);
    presenter.AddCategory(category("2", "二级类目", "true"), 1);
    presenter.AddCategory(category("3", "三级类目", "true"), 2);
    presenter.AddCategory(category("4", "Capital", "True"), 0);
    tree->setExpanded(presenter.FindCategoryNode(1), true);
    tree->setExpanded(presenter.FindCategoryNode(2), true);
    ui(m_window).pnl_load->hide();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    const QImage image = tree->viewport()->grab().toImage();

    const QColor marker(int(markerColour() >> 16), int((markerColour() >> 8) & 0xFF),
                        int(markerColour() & 0xFF));
    const auto isMarker = [&](QColor c) { return c.rgb() == marker.rgb(); };
    const auto isInk = [&](QColor c) { return c.lightness() < 230 && !isMarker(c); };
    const struct {
        int row, markerX, textX;
    } rows[] = {{0, 3, 12}, {1, 10, 22}, {2, 20, 32}, {3, -1, 12}};
    for (const auto &r : rows) {
        const int top = r.row * TleftTree::kRowHeight;
        QCOMPARE(leftmost(image, top, TleftTree::kRowHeight, isMarker), r.markerX);
        if (r.markerX >= 0)
            QCOMPARE(image.pixelColor(r.markerX, top + 7).rgb(), marker.rgb());
        // Glyph edges are smoothed, so the first ink may fall one pixel either side.
        const int ink = leftmost(image, top, TleftTree::kRowHeight, isInk);
        QVERIFY2(ink >= r.textX - 1 && ink <= r.textX + 2, qPrintable(QString::number(ink)));
    }
}

void CategoryTreeTest::hotRowRepaintsOnlyTheRowsItLeavesAndEnters()
{
    TleftTree &presenter = m_window->LeftTree();
    VirtualTree *tree = ui(m_window).vlefttree;
    for (int i = 1; i <= 5; ++i)
        presenter.AddCategory(category(std::to_string(i), "类目" + std::to_string(i), "false"), 0);
    ui(m_window).pnl_load->hide();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    std::map<std::string, int> painted;
    const VirtualTree::DrawHandler draw = tree->drawHandler();
    tree->setDrawHandler(
        [&](QPainter &painter, VirtualTree::Node *node, const QRect &cell, bool selected) {
            ++painted[VirtualTree::nodeData<TShopClass>(node)->Cid];
            draw(painter, node, cell, selected);
        });
    const auto moveTo = [&](int row, int y) {
        painted.clear();
        sendMouse(tree->viewport(), QEvent::MouseMove, QPoint(30, row * 24 + y));
        QCoreApplication::processEvents();
    };
    moveTo(1, 3);
    QCOMPARE(presenter.HotNode(), presenter.FindCategoryNode(2));
    moveTo(1, 20);
    QVERIFY(painted.empty());
    moveTo(2, 5);
    QCOMPARE(painted, (std::map<std::string, int>{{"2", 1}, {"3", 1}}));
    QCOMPARE(tree->viewport()->grab().toImage().pixelColor(1, 2 * 24 + 1), QColor(254, 240, 183));
    moveTo(9, 5);
    QVERIFY(!presenter.HotNode());
    QCOMPARE(painted, (std::map<std::string, int>{{"3", 1}}));
}

void CategoryTreeTest::hotAndSelectedRowsHaveTheirColours()
{
    TleftTree &presenter = m_window->LeftTree();
    VirtualTree *tree = ui(m_window).vlefttree;
    for (int i = 1; i <= 3; ++i)
        presenter.AddCategory(category(std::to_string(i), "类目" + std::to_string(i), "false"), 0);
    ui(m_window).pnl_load->hide();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    const QColor hot(254, 240, 183);
    const QColor selected(187, 228, 255);
    const auto background = [&](int row) {
        return tree->viewport()->grab().toImage().pixelColor(1, row * TleftTree::kRowHeight + 1);
    };

    sendMouse(tree->viewport(), QEvent::MouseMove, QPoint(30, 5));
    click(tree->viewport(), QPoint(30, 5));
    QCOMPARE(presenter.HotNode(), tree->topLevelNode(0));
    QCOMPARE(tree->selectedNode(), tree->topLevelNode(0));
    QCOMPARE(background(0), selected);
    sendMouse(tree->viewport(), QEvent::MouseMove, QPoint(30, TleftTree::kRowHeight + 5));
    QCOMPARE(background(1), hot);
    QCOMPARE(background(0), selected);
    QCOMPARE(background(2), QColor(Qt::white));
}

void CategoryTreeTest::findCategoryNodeSearchesCollapsedSubtrees()
{
    TleftTree &presenter = m_window->LeftTree();
    presenter.AddCategory(category("10", "a", "true"), 0);
    presenter.AddCategory(category("20", "b", "true"), 10);
    presenter.AddCategory(category("30", "c", "false"), 20);
    presenter.AddCategory(category("30", "duplicate", "false"), 0);
    presenter.AddCategory(category("x", "not a number", "false"), 0);
    VirtualTree::Node *found = presenter.FindCategoryNode(30);
    QVERIFY(found);
    QCOMPARE(VirtualTree::nodeData<TShopClass>(found)->Name, std::string("c"));
    QCOMPARE(VirtualTree::nodeLevel(found), 2);
    QCOMPARE(VirtualTree::nodeData<TShopClass>(presenter.FindCategoryNode(0))->Name,
             std::string("not a number"));
    QVERIFY(!presenter.FindCategoryNode(40));
    presenter.AddCategory(category("50", "orphan", "false"), 77);
    QCOMPARE(ui(m_window).vlefttree->topLevelCount(), 4);
}

void CategoryTreeTest::badAnswersAddNothingAndSaySo_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("maxBody");
    const char *kinds[] = {"not_found", "html",          "truncated", "empty",
                           "drop",      "redirect_loop", "malformed"};
    for (const char *kind : kinds)
        QTest::newRow(kind) << QString::fromLatin1(kind) << 0;
    QTest::newRow("silent gateway") << "slow" << 0;
    QTest::newRow("huge body") << "" << 64;
}

void CategoryTreeTest::badAnswersAddNothingAndSaySo()
{
    QFETCH(QString, fault);
    QFETCH(int, maxBody);
    if (!fault.isEmpty())
        postFault("path=/router/rest&method=taobao.itemcats.get&kind=" + fault.toStdString() +
                  "&delay_ms=5000");
    m_window->Exchanges().setTransferLimits(
        2000, 500, maxBody > 0 ? std::size_t(maxBody) : Gateway::kMaxAnswerBytes);
    QVERIFY(showWithoutStartup(*m_window));
    m_window->LoadCategoryLevel("0");
    QVERIFY(waitForGateway(*m_window));
    QVERIFY(ui(m_window).pnl_load->isHidden());
    QCOMPARE(ui(m_window).vlefttree->totalCount(), 0);
    QVERIFY(m_window->Common().Categories.empty());
    QVERIFY(m_window->isEnabled());
    // No message box, but the status line says what failed.
    QVERIFY2(ui(m_window).L_Status->text().startsWith(QStringLiteral("分类载入失败：")),
             qPrintable(ui(m_window).L_Status->text()));
    postFault("clear=1");
    m_window->Exchanges().setTransferLimits(HttpClient::kConnectTimeoutMs,
                                            HttpClient::kTotalTimeoutMs, Gateway::kMaxAnswerBytes);
    // A press on the empty panel asks for the top level again.
    click(ui(m_window).vlefttree->viewport(), QPoint(30, 5));
    QVERIFY(!ui(m_window).pnl_load->isHidden());
    QVERIFY(waitForGateway(*m_window));
    QVERIFY(ui(m_window).vlefttree->totalCount() > 0);
    QVERIFY(ui(m_window).L_Status->text().isEmpty());
}

void CategoryTreeTest::screenshotOfTheMainWindow()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QTRY_VERIFY_WITH_TIMEOUT(ui(m_window).pnl_load->isHidden(), 20000);
    QVERIFY(waitForGateway(*m_window));
    VirtualTree *tree = ui(m_window).vlefttree;
    QVERIFY(tree->topLevelCount() > 3);
    click(tree->viewport(), rowPoint(tree, tree->topLevelNode(1)));
    QVERIFY(waitForGateway(*m_window));
    VirtualTree::Node *child = VirtualTree::child(tree->topLevelNode(1), 0);
    QVERIFY(child);
    click(tree->viewport(), rowPoint(tree, child));
    QVERIFY(waitForGateway(*m_window));

    sendMouse(tree->viewport(), QEvent::MouseMove, rowPoint(tree, tree->topLevelNode(3)));
    ui(m_window).E_Serch->setText(QStringLiteral("连衣裙"));
    QCoreApplication::processEvents();

    const QString folder = qEnvironmentVariable("QUENBO_SCREENSHOT_DIR");
    QVERIFY(!folder.isEmpty());
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(m_window->grab().save(folder + QStringLiteral("/main_window.png")));
}

QTEST_MAIN(CategoryTreeTest)
#include "tst_category_tree.moc"
