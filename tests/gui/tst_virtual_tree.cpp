#include "ui/virtual_tree.h"

#include "gui_test_support.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <map>

using quenbo::VirtualTree;

namespace {

struct Row {
    int key = 0;
    int order = 0;
};

void sendMouse(QWidget *target, QEvent::Type type, QPoint pos, Qt::MouseButton button)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease || type == QEvent::MouseMove
                                      ? Qt::NoButton
                                      : Qt::MouseButtons(button);
    QMouseEvent event(type, pos, target->mapToGlobal(pos), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

// Waits until pending paints have run.
void settle(QWidget *widget)
{
    QCoreApplication::processEvents();
    QVERIFY(QTest::qWaitForWindowExposed(widget->window()));
    QCoreApplication::processEvents();
}

}  // namespace

class VirtualTreeTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void expandingAndCollapsingChangesTheVisibleRows();
    void nodeAtAndRowTopFollowScrolling();
    void sortIsStableInBothDirections_data();
    void sortIsStableInBothDirections();
    void paintsOnlyTheRowsOnScreen();
    void refillingInOneUpdateStartsAtTheTopWithTheNewRange();
    void pressReportsFirstAndLeftButtonSelects();
    void deletingANodeDropsItsSelection();
    void keysMoveTheSelectionAndKeepItOnScreen();
};

void VirtualTreeTest::cleanup()
{
    quenbo::testsupport::verifyNoWindowLeft();
}

void VirtualTreeTest::expandingAndCollapsingChangesTheVisibleRows()
{
    VirtualTree tree;
    VirtualTree::Node *a = tree.addChild(nullptr, Row{1});
    VirtualTree::Node *b = tree.addChild(nullptr, Row{2});
    VirtualTree::Node *a1 = tree.addChild(a, Row{11});
    VirtualTree::Node *a11 = tree.addChild(a1, Row{111});
    QCOMPARE(tree.visibleRowCount(), 2);
    QCOMPARE(tree.totalCount(), 4);
    QCOMPARE(VirtualTree::nodeLevel(a11), 2);
    QVERIFY(!tree.rowTop(a1).has_value());

    tree.setExpanded(a1, true);  // inside a collapsed parent: still hidden
    QCOMPARE(tree.visibleRowCount(), 2);
    tree.toggleNode(a);
    QCOMPARE(tree.visibleRowCount(), 4);
    QCOMPARE(tree.visibleRow(1), a1);
    QCOMPARE(tree.visibleRow(2), a11);
    QCOMPARE(tree.visibleRow(3), b);
    tree.toggleNode(a);
    QCOMPARE(tree.visibleRowCount(), 2);
    QCOMPARE(tree.visibleRow(1), b);

    QCOMPARE(tree.findNode(
                 [](VirtualTree::Node *n) { return VirtualTree::nodeData<Row>(n)->key == 111; }),
             a11);
    QVERIFY(!VirtualTree::nodeData<int>(a));
}

void VirtualTreeTest::nodeAtAndRowTopFollowScrolling()
{
    VirtualTree tree;
    tree.setDefaultNodeHeight(84);
    tree.resize(300, 200);
    std::vector<VirtualTree::Node *> nodes;
    for (int i = 0; i < 10; ++i)
        nodes.push_back(tree.addChild(nullptr, Row{i}));
    tree.show();
    settle(&tree);
    QCOMPARE(tree.nodeAt(QPoint(5, 0)), nodes[0]);
    QCOMPARE(tree.nodeAt(QPoint(5, 83)), nodes[0]);
    QCOMPARE(tree.nodeAt(QPoint(5, 84)), nodes[1]);
    QCOMPARE(*tree.rowTop(nodes[2]), 168);

    tree.verticalScrollBar()->setValue(100);
    QCOMPARE(tree.nodeAt(QPoint(5, 0)), nodes[1]);
    QCOMPARE(*tree.rowTop(nodes[2]), 68);
    QCOMPARE(tree.nodeRect(nodes[2]), QRect(0, 68, tree.viewport()->width(), 84));

    tree.verticalScrollBar()->setValue(tree.verticalScrollBar()->maximum());
    QCOMPARE(tree.verticalScrollBar()->maximum(), 10 * 84 - tree.viewport()->height());
    QVERIFY(!tree.nodeAt(QPoint(5, tree.viewport()->height() + 1)));
}

void VirtualTreeTest::sortIsStableInBothDirections_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<bool>("ascending");
    QTest::addColumn<QList<int>>("order");
    QTest::newRow("ascending keeps equal keys in order")
        << QList<int>{20, 3, 20} << true << QList<int>{1, 0, 2};
    QTest::newRow("descending keeps equal keys in order")
        << QList<int>{20, 3, 20} << false << QList<int>{0, 2, 1};
    QTest::newRow("all equal") << QList<int>{5, 5, 5, 5} << false << QList<int>{0, 1, 2, 3};
    QTest::newRow("empty") << QList<int>{} << true << QList<int>{};
}

void VirtualTreeTest::sortIsStableInBothDirections()
{
    QFETCH(QList<int>, keys);
    QFETCH(bool, ascending);
    QFETCH(QList<int>, order);
    VirtualTree tree;
    for (int i = 0; i < keys.size(); ++i)
        tree.addChild(nullptr, Row{keys[i], i});
    tree.setCompareHandler([](VirtualTree::Node *a, VirtualTree::Node *b) {
        return VirtualTree::nodeData<Row>(a)->key - VirtualTree::nodeData<Row>(b)->key;
    });
    tree.sortTree(ascending);
    QList<int> sorted;
    for (int row = 0; row < tree.visibleRowCount(); ++row)
        sorted << VirtualTree::nodeData<Row>(tree.visibleRow(row))->order;
    QCOMPARE(sorted, order);
}

void VirtualTreeTest::paintsOnlyTheRowsOnScreen()
{
    VirtualTree tree;
    tree.setDefaultNodeHeight(84);
    tree.resize(400, 500);
    for (int i = 0; i < 10000; ++i)
        tree.addChild(nullptr, Row{i});
    std::map<int, int> painted;
    tree.setDrawHandler([&](QPainter &painter, VirtualTree::Node *node, const QRect &cell, bool) {
        ++painted[VirtualTree::nodeData<Row>(node)->key];
        QCOMPARE(cell, QRect(0, 0, tree.viewport()->width(), 84));
        QCOMPARE(painter.transform().dy(), double(*tree.rowTop(node)));
    });
    tree.show();
    settle(&tree);
    painted.clear();
    tree.verticalScrollBar()->setValue(84 * 5000 + 10);
    settle(&tree);
    QVERIFY(!painted.empty());
    QCOMPARE(painted.begin()->first, 5000);
    QVERIFY(painted.rbegin()->first <= 5000 + 500 / 84 + 1);

    painted.clear();
    tree.repaintNode(tree.nodeAt(QPoint(0, 100)));
    settle(&tree);
    QCOMPARE(painted.size(), std::size_t(1));
    QCOMPARE(painted.begin()->first, 5001);
}

void VirtualTreeTest::refillingInOneUpdateStartsAtTheTopWithTheNewRange()
{
    VirtualTree tree;
    tree.setDefaultNodeHeight(84);
    tree.resize(300, 200);
    for (int i = 0; i < 40; ++i)
        tree.addChild(nullptr, Row{i});
    tree.show();
    settle(&tree);
    tree.verticalScrollBar()->setValue(84 * 30);
    std::map<int, int> painted;
    tree.setDrawHandler([&](QPainter &, VirtualTree::Node *node, const QRect &, bool) {
        ++painted[VirtualTree::nodeData<Row>(node)->key];
    });

    std::vector<VirtualTree::Node *> nodes;
    {
        const VirtualTree::UpdateScope batch(&tree);
        tree.clear();
        for (int i = 100; i < 120; ++i)
            nodes.push_back(tree.addChild(nullptr, Row{i}));
        // Rows are placed at once; only the range and the repaint wait for the batch's end.
        QCOMPARE(tree.visibleRowCount(), 20);
        QCOMPARE(tree.nodeAt(QPoint(5, 84)), nodes[1]);
    }
    QCOMPARE(tree.verticalScrollBar()->value(), 0);
    QCOMPARE(tree.verticalScrollBar()->maximum(), 20 * 84 - tree.viewport()->height());
    settle(&tree);
    QVERIFY(!painted.empty());
    QCOMPARE(painted.begin()->first, 100);
    for (const auto &[key, count] : painted)
        QCOMPARE(count, 1);

    tree.clear();  // outside a batch the range follows at once
    QCOMPARE(tree.verticalScrollBar()->maximum(), 0);
}

void VirtualTreeTest::pressReportsFirstAndLeftButtonSelects()
{
    VirtualTree tree;
    tree.setDefaultNodeHeight(24);
    tree.resize(200, 200);
    VirtualTree::Node *first = tree.addChild(nullptr, Row{1});
    VirtualTree::Node *second = tree.addChild(nullptr, Row{2});
    tree.show();
    settle(&tree);
    VirtualTree::Node *selectedAtSignal = nullptr;
    std::vector<bool> doubles;
    connect(&tree, &VirtualTree::mouseDown, this,
            [&](Qt::MouseButton, Qt::KeyboardModifiers, bool doubleClick, QPoint) {
                selectedAtSignal = tree.selectedNode();
                doubles.push_back(doubleClick);
            });
    sendMouse(tree.viewport(), QEvent::MouseButtonPress, QPoint(10, 30), Qt::RightButton);
    QVERIFY(!tree.selectedNode());
    sendMouse(tree.viewport(), QEvent::MouseButtonPress, QPoint(10, 30), Qt::LeftButton);
    QVERIFY(!selectedAtSignal);
    QCOMPARE(tree.selectedNode(), second);
    sendMouse(tree.viewport(), QEvent::MouseButtonRelease, QPoint(10, 5), Qt::LeftButton);
    sendMouse(tree.viewport(), QEvent::MouseButtonDblClick, QPoint(10, 5), Qt::LeftButton);
    QCOMPARE(selectedAtSignal, second);
    QCOMPARE(tree.selectedNode(), first);
    QCOMPARE(doubles, (std::vector<bool>{false, false, true}));
    sendMouse(tree.viewport(), QEvent::MouseButtonPress, QPoint(10, 150), Qt::LeftButton);
    QCOMPARE(tree.selectedNode(), first);
}

void VirtualTreeTest::deletingANodeDropsItsSelection()
{
    VirtualTree tree;
    VirtualTree::Node *a = tree.addChild(nullptr, Row{1});
    VirtualTree::Node *a1 = tree.addChild(a, Row{2});
    VirtualTree::Node *b = tree.addChild(nullptr, Row{3});
    tree.setExpanded(a, true);
    tree.setSelectedNode(a1);
    tree.deleteNode(a);
    QVERIFY(!tree.selectedNode());
    QCOMPARE(tree.totalCount(), 1);
    QCOMPARE(tree.visibleRowCount(), 1);
    QCOMPARE(tree.visibleRow(0), b);
    tree.clear();
    QCOMPARE(tree.visibleRowCount(), 0);
    QVERIFY(!tree.nodeAt(QPoint(0, 0)));
}

void VirtualTreeTest::keysMoveTheSelectionAndKeepItOnScreen()
{
    VirtualTree tree;
    tree.setDefaultNodeHeight(20);
    tree.resize(120, 100);  // five rows on screen
    std::vector<VirtualTree::Node *> rows;
    for (int i = 0; i < 30; ++i)
        rows.push_back(tree.addChild(nullptr, Row{i}));
    VirtualTree::Node *child = tree.addChild(rows[0], Row{100});
    tree.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tree));
    const auto onScreen = [&](VirtualTree::Node *node) {
        return tree.nodeRect(node).top() >= 0 && tree.nodeRect(node).bottom() < 100;
    };

    const struct {
        Qt::Key key;
        int row;  // the selected row afterwards, counted among the visible rows
    } steps[] = {{Qt::Key_Down, 0},    {Qt::Key_Down, 1}, {Qt::Key_End, 29}, {Qt::Key_Down, 29},
                 {Qt::Key_PageUp, 24}, {Qt::Key_Home, 0}, {Qt::Key_Up, 0},   {Qt::Key_PageDown, 5}};
    for (const auto &step : steps) {
        QTest::keyClick(&tree, step.key);
        QCOMPARE(tree.selectedNode(), tree.visibleRow(step.row));
        QVERIFY(onScreen(tree.selectedNode()));
    }
    // Right opens a node with children and Left closes it; opening is not done by moving
    // onto the node unless asked for.
    QTest::keyClick(&tree, Qt::Key_Home);
    QVERIFY(!VirtualTree::isExpanded(rows[0]));
    QTest::keyClick(&tree, Qt::Key_Right);
    QVERIFY(VirtualTree::isExpanded(rows[0]));
    QTest::keyClick(&tree, Qt::Key_Down);
    QCOMPARE(tree.selectedNode(), child);
    QTest::keyClick(&tree, Qt::Key_Left);
    QCOMPARE(tree.selectedNode(), rows[0]);
    QTest::keyClick(&tree, Qt::Key_Left);
    QVERIFY(!VirtualTree::isExpanded(rows[0]));
}

QTEST_MAIN(VirtualTreeTest)
#include "tst_virtual_tree.moc"
