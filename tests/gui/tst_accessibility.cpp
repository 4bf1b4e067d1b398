#include "core/ucommon.h"
#include "gui_test_support.h"
#include "sandbox/sandbox_server.h"
#include "ui/browser_opener.h"
#include "ui/category_model.h"
#include "ui/picture_button.h"
#include "ui/skin.h"
#include "ui/uItemTree.h"
#include "ui/ufrmmain.h"
#include "window_controls.h"

#include <QAccessible>
#include <QListView>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

using namespace quenbo;
using namespace quenbo::testsupport;

// What assistive technology finds in the window: a name and a hint for every picture button,
// the rows of both lists with their texts, and the row buttons as actions of a row.
class AccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void pictureButtonsHaveNamesAndHints_data();
    void pictureButtonsHaveNamesAndHints();
    void itemRowsReadTitlePriceAndSellerAndOfferTheButtons();
    void categoryRowsReadTheirNamesAsATree();

private:
    SandboxedWindow m_fixture;
    std::unique_ptr<RecordedAddresses> m_addresses;
};

void AccessibilityTest::initTestCase()
{
    m_fixture.startSuite();
}

void AccessibilityTest::init()
{
    m_addresses = std::make_unique<RecordedAddresses>();
    QVERIFY(m_fixture.openWindow());
}

void AccessibilityTest::cleanup()
{
    m_fixture.finishTest();
    m_addresses.reset();
}

void AccessibilityTest::pictureButtonsHaveNamesAndHints_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("hint");
    const auto row = [](const char *button, const char *name, const char *hint) {
        QTest::newRow(button) << QString::fromLatin1(button) << QString::fromUtf8(name)
                              << QString::fromUtf8(hint);
    };
    row("b_sc", "我的收藏", "列出收藏的商品");
    row("b_Srech", "搜索", "按关键字搜索商品");
    row("b_xin", "信用排序", "信用升降排序");
    row("b_jiage", "价格排序", "价格升降排序");
    row("b_xiao", "销量排序", "销量升降排序");
    row("b_fan", "返现排序", "返现金额升降排序");
    row("b_fshop", "返回", "离开收藏，回到商品列表");
}

void AccessibilityTest::pictureButtonsHaveNamesAndHints()
{
    QFETCH(QString, button);
    QFETCH(QString, name);
    QFETCH(QString, hint);
    auto *widget = m_fixture.window().findChild<PictureButton *>(button);
    QVERIFY(widget);
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(face);
    QCOMPARE(face->role(), QAccessible::Button);
    QCOMPARE(face->text(QAccessible::Name), name);
    QCOMPARE(widget->toolTip(), hint);
    // A picture button is pressed with the mouse only; the keys reach its command elsewhere.
    QCOMPARE(widget->focusPolicy(), Qt::NoFocus);
}

void AccessibilityTest::itemRowsReadTitlePriceAndSellerAndOfferTheButtons()
{
    m_fixture.window().LoadItemPage(m_fixture.window().Common().Settings.IndexUrl);
    QVERIFY(waitForGateway(m_fixture.window()));
    QListView *list = ui(m_fixture.window()).itemTree;
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(list);
    QVERIFY(face);
    QCOMPARE(face->role(), QAccessible::List);
    QCOMPARE(face->text(QAccessible::Name), QStringLiteral("商品列表"));
    QCOMPARE(face->childCount(), list->model()->rowCount());

    QAccessibleInterface *row = face->child(1);
    QVERIFY(row && row->isValid());
    QCOMPARE(row->role(), QAccessible::ListItem);
    QCOMPARE(row->parent(), face);
    QCOMPARE(face->indexOfChild(row), 1);
    const TTaoBaoData record = itemRows(list).row(1).record;
    const QString expected = QString::fromStdString(record.Title) + QStringLiteral("，价格 ") +
                             QString::fromStdString(record.Price) + QStringLiteral(" 元，掌柜 ") +
                             QString::fromStdString(record.Nick);
    QCOMPARE(row->text(QAccessible::Name), expected);
    qInfo("a screen reader reads the row as: %s", qPrintable(row->text(QAccessible::Name)));
    QVERIFY(row->rect().intersects(
        QRect(list->viewport()->mapToGlobal(QPoint()), list->viewport()->size())));

    // The row buttons are the row's actions; running one acts as the button does.
    QAccessibleActionInterface *actions = row->actionInterface();
    QVERIFY(actions);
    QCOMPARE(actions->actionNames(),
             (QStringList{QStringLiteral("返现"), QStringLiteral("去看看"),
                          QStringLiteral("加入或取消收藏"), QStringLiteral("店铺菜单")}));
    QCOMPARE(actions->keyBindingsForAction(QStringLiteral("去看看")),
             QStringList{QStringLiteral("Return")});
    actions->doAction(QStringLiteral("去看看"));
    QCOMPARE(m_addresses->opened, std::vector<std::string>{record.ClickUrl});
    actions->doAction(QStringLiteral("加入或取消收藏"));
    QVERIFY(m_fixture.window().Common().IsFavourite(record.NumIid));
    QVERIFY(row->text(QAccessible::Name).endsWith(QStringLiteral("，已收藏")));

    // The focused row is the focus child.
    list->setFocus();
    list->setCurrentIndex(list->model()->index(1, 0));
    QCOMPARE(face->focusChild(), row);
    QVERIFY(row->state().focused && row->state().selected);

    // A new page drops the old rows' interfaces: none is left pointing at a removed row.
    const QAccessible::Id id = QAccessible::uniqueId(row);
    m_fixture.window().LoadItemPage(m_fixture.window().Common().Settings.IndexUrl);
    QVERIFY(!QAccessible::accessibleInterface(id));
    QVERIFY(waitForGateway(m_fixture.window()));
    QVERIFY(waitForWorkers(m_fixture.window()));
}

void AccessibilityTest::categoryRowsReadTheirNamesAsATree()
{
    m_fixture.window().LoadCategoryLevel("0");
    QVERIFY(waitForGateway(m_fixture.window()));
    QTreeView *tree = ui(m_fixture.window()).vlefttree;
    const QAbstractItemModel *model = tree->model();
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(tree);
    QVERIFY(face);
    QCOMPARE(face->role(), QAccessible::Tree);
    QCOMPARE(face->text(QAccessible::Name), QStringLiteral("商品分类"));
    QCOMPARE(face->childCount(), model->rowCount());
    QAccessibleInterface *first = face->child(0);
    QVERIFY(first);
    QCOMPARE(first->role(), QAccessible::TreeItem);
    QCOMPARE(first->parent(), face);
    QCOMPARE(first->text(QAccessible::Name),
             QString::fromStdString(CategoryModel::category(model->index(0, 0))->Name));
    QVERIFY(!first->state().expanded);
    QCOMPARE(
        first->actionInterface()->actionNames(),
        (QStringList{QStringLiteral("展开"), QStringLiteral("收起"), QStringLiteral("列出商品")}));
    QCOMPARE(first->actionInterface()->keyBindingsForAction(QStringLiteral("列出商品")),
             QStringList{QStringLiteral("Return")});

    // "展开" asks for the level and opens the category when it arrives; the open category's
    // children become rows of the tree, right under it.
    first->actionInterface()->doAction(QStringLiteral("展开"));
    QVERIFY(waitForGateway(m_fixture.window()));
    QVERIFY(first->state().expanded && first->state().expandable);
    const int children = model->rowCount(model->index(0, 0));
    QVERIFY(children > 0);
    QCOMPARE(face->childCount(), model->rowCount() + children);
    QAccessibleInterface *child = face->child(1);
    QCOMPARE(child->text(QAccessible::Name),
             QString::fromStdString(
                 CategoryModel::category(model->index(0, 0, model->index(0, 0)))->Name));
    QCOMPARE(face->indexOfChild(child), 1);
    QCOMPARE(face->child(children + 1)->text(QAccessible::Name),
             QString::fromStdString(CategoryModel::category(model->index(1, 0))->Name));

    // The current row is the focus child while the tree has the focus.
    tree->setFocus();
    tree->setCurrentIndex(model->index(0, 0, model->index(0, 0)));
    QCOMPARE(face->focusChild(), child);
    QVERIFY(child->state().focused && child->state().selected);
    QVERIFY(!first->state().selected);
    QVERIFY(child->rect().intersects(
        QRect(tree->viewport()->mapToGlobal(QPoint()), tree->viewport()->size())));
    // "收起" closes it again: its children are no rows of the tree, and not on screen.
    first->actionInterface()->doAction(QStringLiteral("收起"));
    QVERIFY(!first->state().expanded && first->state().collapsed);
    QCOMPARE(face->childCount(), model->rowCount());
    QVERIFY(child->state().invisible);
}

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
