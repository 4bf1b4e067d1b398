// The item list's model and the delegate's hit-tests, without a window.
#include "core/favourites_store.h"
#include "ui/item_delegate.h"
#include "ui/item_list_model.h"

#include <QSignalSpy>
#include <QTest>

using namespace quenbo;

namespace {

TTaoBaoData item(const std::string &id, std::int32_t credit, const std::string &price,
                 std::int32_t volume, double cashBack)
{
    TTaoBaoData record;
    record.NumIid = id;
    record.Title = "标题" + id;
    record.Nick = "掌柜" + id;
    record.CreditScore = credit;
    record.Price = price;
    record.Volume = volume;
    record.CashBack = cashBack;
    return record;
}

QStringList ids(const ItemListModel &model)
{
    QStringList shown;
    for (int row = 0; row < model.rowCount(); ++row)
        shown << QString::fromStdString(model.row(row).record.NumIid);
    return shown;
}

}  // namespace

class ItemListModelTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void aPageReplacesTheRowsInAnswerOrder();
    void sortKeys_data();
    void sortKeys();
    void aSortKeepsTheIndexesOfTheRowsItMoves();
    void pictureStates();
    void removingARowTakesOnlyTheFirstWithTheId();
    void buttonHitTests_data();
    void buttonHitTests();
    void thumbnailArea_data();
    void thumbnailArea();

private:
    std::unique_ptr<FavouritesStore> m_favourites;
    std::unique_ptr<ItemListModel> m_model;
};

void ItemListModelTest::init()
{
    // No file is opened: the ids alone say what is stored.
    m_favourites = std::make_unique<FavouritesStore>("/nonexistent/data.db");
    m_model = std::make_unique<ItemListModel>(*m_favourites);
    // Price "abc" counts as 0; cash-back 2.4 and 2.6 round to 2 and 3.
    m_model->setPage({item("1", 5, "30.00", 7, 2.4), item("2", 9, "abc", 7, 2.6),
                      item("3", 5, "10.50", 100, 0), item("4", 1, "30.40", 3, 1.6)});
}

void ItemListModelTest::aPageReplacesTheRowsInAnswerOrder()
{
    QSignalSpy reset(m_model.get(), &QAbstractItemModel::modelReset);
    m_favourites->ids().append("8");
    m_model->setPage({item("9", 0, "1", 0, 0), item("8", 0, "2.50", 0, 0)});
    QCOMPARE(reset.count(), 1);
    QCOMPARE(ids(*m_model), (QStringList{"9", "8"}));
    QCOMPARE(m_model->row(0).picture, ItemListModel::Picture::Waiting);
    QCOMPARE(m_model->rowOf("8"), 1);
    QCOMPARE(m_model->rowOf("1"), -1);
    QCOMPARE(m_model->data(m_model->index(0), Qt::DisplayRole).toString(), QStringLiteral("标题9"));
    QCOMPARE(m_model->data(m_model->index(0), Qt::AccessibleTextRole).toString(),
             QStringLiteral("标题9，价格 1 元，掌柜 掌柜9"));
    QCOMPARE(m_model->data(m_model->index(1), Qt::AccessibleTextRole).toString(),
             QStringLiteral("标题8，价格 2.50 元，掌柜 掌柜8，已收藏"));
    m_model->clear();
    QCOMPARE(m_model->rowCount(), 0);
}

void ItemListModelTest::sortKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("ascending");
    QTest::addColumn<QStringList>("order");
    // Equal rows keep their order both ways.
    QTest::newRow("credit up") << 0 << true << QStringList{"4", "1", "3", "2"};
    QTest::newRow("credit down") << 0 << false << QStringList{"2", "1", "3", "4"};
    QTest::newRow("price up, rounded, a non-number as 0")
        << 1 << true << QStringList{"2", "3", "1", "4"};
    QTest::newRow("price down") << 1 << false << QStringList{"1", "4", "3", "2"};
    QTest::newRow("sales up") << 2 << true << QStringList{"4", "1", "2", "3"};
    QTest::newRow("cash-back down, rounded") << 3 << false << QStringList{"2", "1", "4", "3"};
    QTest::newRow("no such key keeps the order") << 7 << true << QStringList{"1", "2", "3", "4"};
}

void ItemListModelTest::sortKeys()
{
    QFETCH(int, key);
    QFETCH(bool, ascending);
    QFETCH(QStringList, order);
    m_model->sortRows(ItemSortKey(key), ascending);
    QCOMPARE(ids(*m_model), order);
}

void ItemListModelTest::aSortKeepsTheIndexesOfTheRowsItMoves()
{
    const QPersistentModelIndex third(m_model->index(2));
    m_model->setThumbnail("3", QImage(80, 80, QImage::Format_RGB32));
    m_model->sortRows(ItemSortKey::Sales, false);
    QCOMPARE(third.row(), 0);
    QCOMPARE(m_model->row(0).record.NumIid, std::string("3"));
    // Its picture went with it.
    QCOMPARE(m_model->row(0).picture, ItemListModel::Picture::Shown);
}

void ItemListModelTest::pictureStates()
{
    QSignalSpy changed(m_model.get(), &QAbstractItemModel::dataChanged);
    m_model->setThumbnail("2", QImage(80, 80, QImage::Format_RGB32));
    m_model->markNoPicture("2");  // another batch failed it after it came: it stays
    m_model->markNoPicture("3");
    m_model->setThumbnail("4", QImage());  // a picture that gives no thumbnail
    m_model->setThumbnail("99", QImage(80, 80, QImage::Format_RGB32));
    QCOMPARE(m_model->row(0).picture, ItemListModel::Picture::Waiting);
    QCOMPARE(m_model->row(1).picture, ItemListModel::Picture::Shown);
    QVERIFY(!m_model->row(1).thumbnail.isNull());
    QCOMPARE(m_model->row(2).picture, ItemListModel::Picture::None);
    QCOMPARE(m_model->row(3).picture, ItemListModel::Picture::None);
    QList<int> rows;
    for (const QList<QVariant> &signal : changed)
        rows << signal.at(0).toModelIndex().row();
    QCOMPARE(rows, (QList<int>{1, 2, 3}));
    // A later picture takes back a failure.
    m_model->setThumbnail("3", QImage(80, 80, QImage::Format_RGB32));
    QCOMPARE(m_model->row(2).picture, ItemListModel::Picture::Shown);
}

void ItemListModelTest::removingARowTakesOnlyTheFirstWithTheId()
{
    m_model->setPage({item("5", 0, "", 0, 0), item("6", 0, "", 0, 0), item("5", 1, "", 0, 0)});
    const QPersistentModelIndex last(m_model->index(2));
    QSignalSpy removed(m_model.get(), &QAbstractItemModel::rowsRemoved);
    QVERIFY(m_model->removeItem("5"));
    QVERIFY(!m_model->removeItem("7"));
    QCOMPARE(removed.count(), 1);
    QCOMPARE(ids(*m_model), (QStringList{"6", "5"}));
    QCOMPARE(m_model->row(1).record.CreditScore, 1);
    QCOMPARE(last.row(), 1);
}

void ItemListModelTest::buttonHitTests_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("button");
    // The three areas: x 601..659, y 5..25, 32..52 and 58..78, both ends included.
    QTest::newRow("left of the areas") << QPoint(600, 10) << -1;
    QTest::newRow("cash-back, top left") << QPoint(601, 5) << 0;
    QTest::newRow("cash-back, bottom right") << QPoint(659, 25) << 0;
    QTest::newRow("between the first two") << QPoint(630, 26) << -1;
    QTest::newRow("item page") << QPoint(630, 32) << 1;
    QTest::newRow("favourite") << QPoint(630, 78) << 2;
    QTest::newRow("below the last") << QPoint(630, 79) << -1;
    QTest::newRow("right of the areas") << QPoint(660, 10) << -1;
}

void ItemListModelTest::buttonHitTests()
{
    QFETCH(QPoint, point);
    QFETCH(int, button);
    QCOMPARE(ItemDelegate::buttonAt(point), button);
}

void ItemListModelTest::thumbnailArea_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<bool>("on");
    QTest::newRow("top left") << QPoint(2, 2) << true;
    QTest::newRow("bottom right") << QPoint(80, 80) << true;
    QTest::newRow("the frame's first pixel") << QPoint(1, 40) << false;
    QTest::newRow("past the picture") << QPoint(40, 81) << false;
}

void ItemListModelTest::thumbnailArea()
{
    QFETCH(QPoint, point);
    QFETCH(bool, on);
    QCOMPARE(ItemDelegate::onThumbnail(point), on);
}

QTEST_MAIN(ItemListModelTest)
#include "tst_item_list_model.moc"
