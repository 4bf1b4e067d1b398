#include "core/ucommon.h"
#include "gateway/gateway.h"
#include "gateway/gateway_exchanges.h"
#include "gui_test_support.h"
#include "interface_pictures.h"
#include "platform/http_client.h"
#include "received_requests.h"
#include "sandbox/sandbox_server.h"
#include "ui/category_model.h"
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
#include <QStyledItemDelegate>
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

// The category in row of parent (the top level when invalid); invalid when there is none.
QModelIndex node(QTreeView *tree, int row, const QModelIndex &parent = {})
{
    return tree->model()->index(row, 0, parent);
}

int childCount(QTreeView *tree, const QModelIndex &parent)
{
    return tree->model()->rowCount(parent);
}

// The record a row of the tree holds; none for an invalid index, so that the test fails at its
// checks instead of crashing.
const TShopClass &record(const QModelIndex &index)
{
    static const TShopClass none;
    const TShopClass *category = CategoryModel::category(index);
    return category ? *category : none;
}

// 0 for a top-level category, 1 for its children, and so on.
int level(QModelIndex index)
{
    int depth = -1;
    for (; index.isValid(); index = index.parent())
        ++depth;
    return depth;
}

// The middle of the category's row; for a category not on screen (or none) a point above every
// row, where a press finds nothing, so that the test fails at its checks instead of crashing.
QPoint rowPoint(QTreeView *tree, const QModelIndex &index)
{
    const QRect row = tree->visualRect(index);
    return QPoint(40, row.isValid() ? row.top() + 12 : -100);
}

TShopClass category(const std::string &cid, const std::string &name, const std::string &isParent)
{
    TShopClass record;
    record.Cid = cid;
    record.Name = name;
    record.IsParent = isParent;
    return record;
}

QStringList nodeNames(QTreeView *tree, const QModelIndex &parent)
{
    QStringList names;
    for (int i = 0; i < childCount(tree, parent); ++i)
        names << QString::fromStdString(record(node(tree, i, parent)).Name);
    return names;
}

// Counts the paints of each category's row and has the tree's own delegate draw them.
class CountingDelegate : public QStyledItemDelegate {
public:
    CountingDelegate(QAbstractItemDelegate *drawing, std::map<std::string, int> &painted)
        : m_drawing(drawing)
        , m_painted(painted)
    {
    }
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        ++m_painted[record(index).Cid];
        m_drawing->paint(painter, option, index);
    }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return m_drawing->sizeHint(option, index);
    }

private:
    QAbstractItemDelegate *m_drawing;
    std::map<std::string, int> &m_painted;
};

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
    QVERIFY(childCount(ui(m_window).vlefttree, {}) > 1);
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
    QCOMPARE(nodeNames(ui(m_window).vlefttree, {}), expected);
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
    QTreeView *tree = ui(m_window).vlefttree;
    const QModelIndex first = node(tree, 0);
    QVERIFY(first.isValid());
    const std::size_t before = m_window->Common().Categories.size();
    const auto cid = std::stoull(record(first).Cid);
    const std::size_t children = m_sandbox->catalogue().children(cid).size();
    QVERIFY(children > 0);

    click(tree->viewport(), rowPoint(tree, first));
    // The category opens when its subcategories arrive.
    QVERIFY(!tree->isExpanded(first));
    QVERIFY(waitForGateway(*m_window));
    QVERIFY(record(first).Loaded);
    QVERIFY(tree->isExpanded(first));
    QCOMPARE(std::size_t(childCount(tree, first)), children);
    // One query's worth of categories: a second query would have added them again.
    QCOMPARE(m_window->Common().Categories.size(), before + children);
    QVERIFY(!m_window->Common().Categories.back().Loaded);

    click(tree->viewport(), rowPoint(tree, first));
    QVERIFY(!tree->isExpanded(first));
    QCOMPARE(m_window->Common().Categories.size(), before + children);
    QCOMPARE(std::size_t(childCount(tree, first)), children);
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
    QTreeView *tree = ui(m_window).vlefttree;
    const QModelIndex first = node(tree, 0);
    QVERIFY(first.isValid());
    const TShopClass &category = record(first);
    postFault("path=/router/rest&method=taobao.itemcats.get&kind=" + fault.toStdString());

    click(tree->viewport(), rowPoint(tree, first));
    QVERIFY(waitForGateway(*m_window));
    QVERIFY(!category.Loaded);
    QCOMPARE(childCount(tree, first), 0);
    QVERIFY(!tree->isExpanded(first));
    QVERIFY(ui(m_window).L_Status->text().startsWith(QStringLiteral("分类载入失败：")));
    postFault("clear=1");
    // The next press asks again and opens the category with what the gateway answers now.
    click(tree->viewport(), rowPoint(tree, first));
    QVERIFY(waitForGateway(*m_window));
    QVERIFY(category.Loaded);
    QVERIFY(childCount(tree, first) > 0);
    QVERIFY(tree->isExpanded(first));
    QVERIFY(ui(m_window).L_Status->text().isEmpty());
    // A dropped connection may be tried again by the transport; each press still asks.
    QVERIFY(m_received->gateway().size() >= 2);
    for (const ReceivedRequest &request : m_received->gateway())
        QCOMPARE(request.param("parent_cid"), category.Cid);
}

void CategoryTreeTest::leafCategoryIsAskedOnceAndMarkedLoaded()
{
    showTopLevel();
    QTreeView *tree = ui(m_window).vlefttree;
    m_window->CategoryTree().AddCategory(category("990001", "叶子类目", "false"), 0);
    const QModelIndex leaf = node(tree, childCount(tree, {}) - 1);
    QVERIFY(leaf.isValid());
    // The gateway answers a category without subcategories with an empty list: it is loaded,
    // so later presses ask nothing.
    for (int press = 0; press < 3; ++press) {
        click(tree->viewport(), rowPoint(tree, leaf));
        QVERIFY(waitForGateway(*m_window));
    }
    QVERIFY(record(leaf).Loaded);
    QCOMPARE(childCount(tree, leaf), 0);
    const std::vector<ReceivedRequest> requests = m_received->gateway();
    QCOMPARE(requests.size(), std::size_t(1));
    QCOMPARE(requests[0].param("parent_cid"), std::string("990001"));
}

void CategoryTreeTest::arrowKeysMoveTheFocusedRowAndOpenIt()
{
    showTopLevel();
    QTreeView *tree = ui(m_window).vlefttree;
    const QModelIndex first = node(tree, 0);
    const QModelIndex second = node(tree, 1);
    QVERIFY(first.isValid() && second.isValid());
    // The first category's children are loaded by a press; the second's are not.
    click(tree->viewport(), rowPoint(tree, first));
    QVERIFY(waitForGateway(*m_window));
    click(tree->viewport(), rowPoint(tree, first));
    QVERIFY(!tree->isExpanded(first));
    QVERIFY(childCount(tree, first) > 0);
    m_received->mark();

    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Up);
    QCOMPARE(tree->currentIndex(), first);
    // A focused row with loaded children opens; the next Down walks into them.
    QVERIFY(tree->isExpanded(first));
    QTest::keyClick(tree, Qt::Key_Down);
    QCOMPARE(tree->currentIndex(), node(tree, 0, first));
    QTest::keyClick(tree, Qt::Key_Left);
    QCOMPARE(tree->currentIndex(), first);
    QTest::keyClick(tree, Qt::Key_Left);
    QVERIFY(!tree->isExpanded(first));
    QTest::keyClick(tree, Qt::Key_Down);
    QCOMPARE(tree->currentIndex(), second);
    // Keys only move the focus: no query, no search.
    QVERIFY(!tree->isExpanded(second));
    QVERIFY(!record(second).Loaded);
    QVERIFY(m_received->pages().empty());
    QCOMPARE(m_window->Session().mode(), SearchMode::None);

    // The focused row is drawn as selected.
    ui(m_window).pnl_load->hide();
    const QImage image = tree->viewport()->grab().toImage();
    QCOMPARE(image.pixelColor(1, tree->visualRect(second).top() + 1), QColor(187, 228, 255));
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
    QTreeView *tree = ui(m_window).vlefttree;
    const QModelIndex second = node(tree, 1);
    QVERIFY(second.isValid());
    click(tree->viewport(), rowPoint(tree, second), Qt::MouseButton(button));
    QVERIFY(waitForGateway(*m_window));
    QVERIFY(record(second).Loaded);
    QVERIFY(tree->isExpanded(second));
    QVERIFY(childCount(tree, second) > 0);
    // Only the left button chooses the row; the others leave none current.
    QCOMPARE(tree->currentIndex() == second, button == int(Qt::LeftButton));
    QCOMPARE(tree->currentIndex().isValid(), button == int(Qt::LeftButton));
}

void CategoryTreeTest::doubleClickStartsTheCategorySearch()
{
    m_window->show();
    m_window->LoadCategoryLevel("0");
    // The page that paging goes on from is 3, as the page list chose it.
    ui(m_window).cbox_pagecount->setCurrentIndex(2);
    emit ui(m_window).cbox_pagecount->closeUp();
    QVERIFY(waitForGateway(*m_window));
    QTreeView *tree = ui(m_window).vlefttree;
    const QModelIndex first = node(tree, 0);
    QVERIFY(first.isValid());
    const std::string cid = record(first).Cid;
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
    QVERIFY(!tree->isExpanded(first));  // toggled once for each press
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
    QTreeView *tree = ui(m_window).vlefttree;
    const int topLevel = childCount(tree, {});
    QVERIFY(topLevel > 1);
    const QModelIndex first = node(tree, 0);
    const std::string firstCid = record(first).Cid;
    const std::string secondCid = record(node(tree, 1)).Cid;
    // The first category's children arrive with parent_cid = first, yet go under the second
    // when the second was asked for.
    m_window->CategoryTree().AddCategory(category("990001", "x", "false"), 0);
    m_window->LoadCategoryLevel(firstCid);
    QVERIFY(waitForGateway(*m_window));
    QVERIFY(childCount(tree, first) > 0);
    QVERIFY(!tree->isExpanded(first));
    QCOMPARE(record(node(tree, 0, first)).ParentCid, firstCid);
    QVERIFY(secondCid != firstCid);
    // A parent id that is not a number sends its text unchanged and lands at the top level.
    ui(m_window).pnl_load->show();
    m_window->LoadCategoryLevel("abc");
    QVERIFY(waitForGateway(*m_window));
    QVERIFY(ui(m_window).pnl_load->isHidden());
    QCOMPARE(childCount(tree, {}), topLevel + 1);
}

void CategoryTreeTest::rowsAreIndentedByLevel()
{
    TleftTree &presenter = m_window->CategoryTree();
    QTreeView *tree = ui(m_window).vlefttree;
    // Loaded, so that opening them asks the gateway for nothing.
    TShopClass first = category("1", "一级类目", "true");
    TShopClass second = category("2", "二级类目", "true");
    first.Loaded = second.Loaded = true;
    presenter.AddCategory(first, 0);
    presenter.AddCategory(second, 1);
    presenter.AddCategory(category("3", "三级类目", "true"), 2);
    presenter.AddCategory(category("4", "Capital", "True"), 0);
    tree->setExpanded(presenter.FindCategoryNode(1), true);
    tree->setExpanded(presenter.FindCategoryNode(2), true);
    ui(m_window).pnl_load->hide();
    // The keyword box keeps the focus, so that no row of the tree is current or selected.
    ui(m_window).E_Serch->setFocus();
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
    TleftTree &presenter = m_window->CategoryTree();
    QTreeView *tree = ui(m_window).vlefttree;
    for (int i = 1; i <= 5; ++i)
        presenter.AddCategory(category(std::to_string(i), "类目" + std::to_string(i), "false"), 0);
    ui(m_window).pnl_load->hide();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    std::map<std::string, int> painted;
    QAbstractItemDelegate *drawing = tree->itemDelegate();
    CountingDelegate counting(drawing, painted);
    tree->setItemDelegate(&counting);
    // The new delegate repaints the whole tree once.
    QTest::qWait(50);
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
    QVERIFY(!presenter.HotNode().isValid());
    QCOMPARE(painted, (std::map<std::string, int>{{"3", 1}}));
    tree->setItemDelegate(drawing);
}

void CategoryTreeTest::hotAndSelectedRowsHaveTheirColours()
{
    TleftTree &presenter = m_window->CategoryTree();
    QTreeView *tree = ui(m_window).vlefttree;
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
    QCOMPARE(presenter.HotNode(), node(tree, 0));
    QCOMPARE(tree->currentIndex(), node(tree, 0));
    QCOMPARE(background(0), selected);
    sendMouse(tree->viewport(), QEvent::MouseMove, QPoint(30, TleftTree::kRowHeight + 5));
    QCOMPARE(background(1), hot);
    QCOMPARE(background(0), selected);
    QCOMPARE(background(2), QColor(Qt::white));
}

void CategoryTreeTest::findCategoryNodeSearchesCollapsedSubtrees()
{
    TleftTree &presenter = m_window->CategoryTree();
    presenter.AddCategory(category("10", "a", "true"), 0);
    presenter.AddCategory(category("20", "b", "true"), 10);
    presenter.AddCategory(category("30", "c", "false"), 20);
    presenter.AddCategory(category("30", "duplicate", "false"), 0);
    presenter.AddCategory(category("x", "not a number", "false"), 0);
    const QModelIndex found = presenter.FindCategoryNode(30);
    QVERIFY(found.isValid());
    QVERIFY(!ui(m_window).vlefttree->isExpanded(found.parent()));
    QCOMPARE(record(found).Name, std::string("c"));
    QCOMPARE(level(found), 2);
    QCOMPARE(record(presenter.FindCategoryNode(0)).Name, std::string("not a number"));
    QVERIFY(!presenter.FindCategoryNode(40).isValid());
    presenter.AddCategory(category("50", "orphan", "false"), 77);
    QCOMPARE(childCount(ui(m_window).vlefttree, {}), 4);
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
    QCOMPARE(childCount(ui(m_window).vlefttree, {}), 0);
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
    QVERIFY(childCount(ui(m_window).vlefttree, {}) > 0);
    QVERIFY(ui(m_window).L_Status->text().isEmpty());
}

void CategoryTreeTest::screenshotOfTheMainWindow()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QTRY_VERIFY_WITH_TIMEOUT(ui(m_window).pnl_load->isHidden(), 20000);
    QVERIFY(waitForGateway(*m_window));
    QTreeView *tree = ui(m_window).vlefttree;
    QVERIFY(childCount(tree, {}) > 3);
    click(tree->viewport(), rowPoint(tree, node(tree, 1)));
    QVERIFY(waitForGateway(*m_window));
    const QModelIndex child = node(tree, 0, node(tree, 1));
    QVERIFY(child.isValid());
    click(tree->viewport(), rowPoint(tree, child));
    QVERIFY(waitForGateway(*m_window));

    sendMouse(tree->viewport(), QEvent::MouseMove, rowPoint(tree, node(tree, 3)));
    ui(m_window).E_Serch->setText(QStringLiteral("连衣裙"));
    QCoreApplication::processEvents();

    const QString folder = qEnvironmentVariable("QUENBO_SCREENSHOT_DIR");
    QVERIFY(!folder.isEmpty());
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(m_window->grab().save(folder + QStringLiteral("/main_window.png")));
}

QTEST_MAIN(CategoryTreeTest)
#include "tst_category_tree.moc"
