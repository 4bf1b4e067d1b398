#include "core/ucommon.h"
#include "gui_test_support.h"
#include "received_requests.h"
#include "sandbox/sandbox_server.h"
#include "ui/browser_opener.h"
#include "ui/category_model.h"
#include "ui/picture_button.h"
#include "ui/skin.h"
#include "ui/uItemTree.h"
#include "ui/ufrmmain.h"
#include "window_controls.h"

#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace quenbo;
using namespace quenbo::testsupport;

// The window driven by the keyboard alone: real key events on the real controls, the focus
// moved as a user moves it.
class KeyboardTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void enterInTheKeywordBoxSearches();
    void itemListKeysActOnTheFocusedRow();
    void categoryTreeKeysOpenCloseAndList();
    void focusedRowShowsAMarkOnlyWithTheFocus();

private:
    void search(const QString &text);

    SandboxedWindow m_fixture;
    std::unique_ptr<ReceivedLog> m_received;
    std::unique_ptr<RecordedAddresses> m_addresses;
};

void KeyboardTest::initTestCase()
{
    m_fixture.startSuite();
    m_received = std::make_unique<ReceivedLog>(m_fixture.sandbox());
}

void KeyboardTest::init()
{
    m_addresses = std::make_unique<RecordedAddresses>();
    QVERIFY(m_fixture.openWindow());
    m_fixture.window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_fixture.window()));
    m_received->mark();
}

void KeyboardTest::cleanup()
{
    m_fixture.finishTest();
    m_addresses.reset();
}

void KeyboardTest::search(const QString &text)
{
    ui(m_fixture.window()).E_Serch->setFocus();
    QTest::keyClicks(ui(m_fixture.window()).E_Serch, text);
    QTest::keyClick(ui(m_fixture.window()).E_Serch, Qt::Key_Return);
    QVERIFY(waitForGateway(m_fixture.window()));
}

void KeyboardTest::enterInTheKeywordBoxSearches()
{
    search(QStringLiteral("dress"));
    const std::vector<ReceivedRequest> asked = m_received->gateway();
    QCOMPARE(asked.size(), std::size_t(1));
    QCOMPARE(asked[0].param("keyword"), std::string("dress"));
    QVERIFY(ui(m_fixture.window()).pnl_PageControls->isEnabled());
    // Enter on the number pad too; an empty box searches nothing, as the button does.
    m_received->mark();
    QTest::keyClick(ui(m_fixture.window()).E_Serch, Qt::Key_Enter);
    QVERIFY(waitForGateway(m_fixture.window()));
    QCOMPARE(m_received->gateway().size(), std::size_t(1));
    ui(m_fixture.window()).E_Serch->clear();
    QTest::keyClick(ui(m_fixture.window()).E_Serch, Qt::Key_Return);
    QVERIFY(waitForGateway(m_fixture.window()));
    QCOMPARE(m_received->gateway().size(), std::size_t(1));
}

void KeyboardTest::itemListKeysActOnTheFocusedRow()
{
    m_fixture.window().LoadItemPage(m_fixture.window().Common().Settings.IndexUrl);
    QVERIFY(waitForGateway(m_fixture.window()));
    QListView *list = ui(m_fixture.window()).itemTree;
    QVERIFY(list->model()->rowCount() > 3);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Home);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentIndex().row(), 1);
    const ItemListModel &rows = itemRows(list);
    const std::string id = rows.row(1).record.NumIid;
    const TTaoBaoData record = rows.row(1).record;

    // Enter opens the item's page, as "去看看" does.
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(m_addresses->opened, std::vector<std::string>{record.ClickUrl});

    // Space stores the favourite; once the repeat gap has passed, Space removes it, and its row
    // with it, as the third button does; the focus moves to the row now in its place.
    QTest::keyClick(list, Qt::Key_Space);
    QVERIFY(m_fixture.window().Common().IsFavourite(id));
    QCOMPARE(storedFavouriteIds(m_fixture.folder().databaseFile()), std::vector<std::string>{id});
    QTest::qWait(TItemTree::kFavouritePressGapMs + 50);
    QTest::keyClick(list, Qt::Key_Space);
    QVERIFY(!m_fixture.window().Common().IsFavourite(id));
    QVERIFY(storedFavouriteIds(m_fixture.folder().databaseFile()).empty());
    // Outside the favourites view the row stays, its button turned back.
    QCOMPARE(rows.row(1).record.NumIid, id);
    QCOMPARE(list->currentIndex().row(), 1);

    // In the favourites view the row goes, and the focus moves to the row now in its place.
    QTest::qWait(TItemTree::kFavouritePressGapMs + 50);
    QTest::keyClick(list, Qt::Key_Space);
    QTest::keyClick(list, Qt::Key_Down);
    QVERIFY(list->currentIndex().isValid());
    const std::string next = rows.row(list->currentIndex().row()).record.NumIid;
    QTest::keyClick(list, Qt::Key_Space);
    QTest::mouseClick(ui(m_fixture.window()).b_sc, Qt::LeftButton);
    QCOMPARE(rowIds(list), (std::vector<std::string>{id, next}));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Home);
    QTest::qWait(TItemTree::kFavouritePressGapMs + 50);
    QTest::keyClick(list, Qt::Key_Space);
    QCOMPARE(rowIds(list), std::vector<std::string>{next});
    QVERIFY(list->currentIndex().isValid());
    QCOMPARE(rows.row(list->currentIndex().row()).record.NumIid, next);

    // The Menu key and Shift+F10 open the shop menu for the focused row, beside it.
    for (const auto &[key, modifiers] :
         {std::pair{Qt::Key_Menu, Qt::NoModifier}, std::pair{Qt::Key_F10, Qt::ShiftModifier}}) {
        QTest::keyClick(list, key, modifiers);
        QMenu *menu = ui(m_fixture.window()).Pop_MShop;
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(m_fixture.window().SelectedItem().NumIid, next);
        const QRect row = list->visualRect(list->currentIndex());
        QVERIFY(QRect(list->viewport()->mapToGlobal(row.topLeft()), row.size())
                    .contains(menu->geometry().topLeft()));
        QTest::keyClick(menu, Qt::Key_Escape);
        QVERIFY(!menu->isVisible());
    }
    // Choosing from the menu by keys opens the shop.
    QTest::keyClick(list, Qt::Key_Menu);
    QMenu *menu = ui(m_fixture.window()).Pop_MShop;
    QTRY_VERIFY(menu->isVisible());
    QTest::keyClick(menu, Qt::Key_Up);
    QCOMPARE(menu->activeAction(), ui(m_fixture.window()).N_Goshop);
    QTest::keyClick(menu, Qt::Key_Return);
    QCOMPARE(m_addresses->opened.back(), m_fixture.window().SelectedItem().ShopClickUrl);
    QVERIFY(waitForWorkers(m_fixture.window()));
}

void KeyboardTest::categoryTreeKeysOpenCloseAndList()
{
    m_fixture.window().LoadCategoryLevel("0");
    QVERIFY(waitForGateway(m_fixture.window()));
    QTreeView *tree = ui(m_fixture.window()).vlefttree;
    const QModelIndex first = tree->model()->index(0, 0);
    const QModelIndex second = tree->model()->index(1, 0);
    QVERIFY(first.isValid() && second.isValid());
    const TShopClass *category = CategoryModel::category(first);
    m_received->mark();
    // The tree takes the focus: its first row becomes current at once.
    ui(m_fixture.window()).E_Serch->setFocus();
    tree->setFocus();
    QCOMPARE(tree->currentIndex(), first);

    // Right asks for the subcategories once and opens the category when they arrive.
    QTest::keyClick(tree, Qt::Key_Right);
    QTest::keyClick(tree, Qt::Key_Right);
    QVERIFY(waitForGateway(m_fixture.window()));
    QCOMPARE(m_received->gateway().size(), std::size_t(1));
    QCOMPARE(m_received->gateway()[0].param("parent_cid"), category->Cid);
    QVERIFY(category->Loaded && tree->model()->rowCount(first) > 0);
    QVERIFY(tree->isExpanded(first));
    // "-" and Left close it; Left on a closed category goes up to the parent; "+" opens.
    QTest::keyClick(tree, Qt::Key_Minus);
    QVERIFY(!tree->isExpanded(first));
    QTest::keyClick(tree, Qt::Key_Plus);
    QVERIFY(tree->isExpanded(first));
    QTest::keyClick(tree, Qt::Key_Down);
    QCOMPARE(tree->currentIndex(), tree->model()->index(0, 0, first));
    QTest::keyClick(tree, Qt::Key_Left);
    QCOMPARE(tree->currentIndex(), first);
    QTest::keyClick(tree, Qt::Key_Left);
    QVERIFY(!tree->isExpanded(first));
    QCOMPARE(m_received->gateway().size(), std::size_t(1));

    // Enter lists the category's items, page 1, as a double-click does.
    m_received->mark();
    QTest::keyClick(tree, Qt::Key_Return);
    QVERIFY(waitForGateway(m_fixture.window()));
    const std::vector<ReceivedRequest> asked = m_received->gateway();
    QCOMPARE(asked.size(), std::size_t(1));
    QCOMPARE(asked[0].param("cid"), category->Cid);
    QCOMPARE(asked[0].param("page_no"), std::string("1"));
    QCOMPARE(m_fixture.window().Session().mode(), SearchMode::Category);
    QVERIFY(ui(m_fixture.window()).pnl_PageControls->isEnabled());
    QVERIFY(waitForWorkers(m_fixture.window()));
}

void KeyboardTest::focusedRowShowsAMarkOnlyWithTheFocus()
{
    m_fixture.window().LoadItemPage(m_fixture.window().Common().Settings.IndexUrl);
    QVERIFY(waitForGateway(m_fixture.window()));
    m_fixture.window().LoadCategoryLevel("0");
    QVERIFY(waitForGateway(m_fixture.window()));
    QAbstractItemView *const views[] = {ui(m_fixture.window()).itemTree,
                                        ui(m_fixture.window()).vlefttree};
    for (QAbstractItemView *tree : views) {
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_Down);
        const QRect row = tree->visualRect(tree->currentIndex());
        QVERIFY(row.isValid());
        const auto darkDotsOnTheTopEdge = [&] {
            const QImage image = tree->viewport()->grab().toImage();
            int dark = 0;
            for (int x = 0; x < 40; ++x)
                dark += image.pixelColor(x, row.top()).lightness() < 100 ? 1 : 0;
            return dark;
        };
        QVERIFY2(darkDotsOnTheTopEdge() >= 10, tree->objectName().toLatin1());
        ui(m_fixture.window()).E_Serch->setFocus();
        QVERIFY(!tree->hasFocus());
        QCOMPARE(darkDotsOnTheTopEdge(), 0);
    }
    QVERIFY(waitForWorkers(m_fixture.window()));
}

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
