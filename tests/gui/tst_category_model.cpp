#include "ui/category_model.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

using namespace quenbo;

namespace {

TShopClass category(const std::string &cid, const std::string &name = "类目")
{
    TShopClass record;
    record.Cid = cid;
    record.Name = name;
    record.IsParent = "true";
    return record;
}

std::vector<TShopClass> categories(std::initializer_list<const char *> cids)
{
    std::vector<TShopClass> records;
    for (const char *cid : cids)
        records.push_back(category(cid));
    return records;
}

}  // namespace

// The category tree's rows without a window: the lazy levels, where a level lands and what the
// rows-inserted signals report.
class CategoryModelTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void rowsCarryTheirNames();
    void levelIsAskedOnceWhileItIsOut();
    void failedLevelStaysUnloadedAndIsAskedAgain();
    void levelGoesUnderTheCategoryOfItsParentId_data();
    void levelGoesUnderTheCategoryOfItsParentId();

private:
    std::unique_ptr<CategoryModel> m_model;
    std::unique_ptr<QSignalSpy> m_wanted;
};

void CategoryModelTest::init()
{
    m_model = std::make_unique<CategoryModel>();
    m_wanted = std::make_unique<QSignalSpy>(m_model.get(), &CategoryModel::levelWanted);
    // 10 and 20 at the top; 21 and 22 under 20; 221 under 22.
    m_model->addLevel("0", categories({"10", "20"}), true);
    m_model->addLevel("20", categories({"21", "22"}), true);
    m_model->addLevel("22", categories({"221"}), true);
}

void CategoryModelTest::rowsCarryTheirNames()
{
    m_model->addCategories(0, {category("30", "女装")});
    const QModelIndex row = m_model->index(2, 0);
    QCOMPARE(row.data(Qt::DisplayRole).toString(), QStringLiteral("女装"));
    QCOMPARE(row.data(Qt::AccessibleTextRole).toString(), QStringLiteral("女装"));
    QVERIFY(!row.data(Qt::DecorationRole).isValid());
    QCOMPARE(CategoryModel::category(row)->Cid, std::string("30"));
    QVERIFY(!CategoryModel::category(QModelIndex()));
}

void CategoryModelTest::levelIsAskedOnceWhileItIsOut()
{
    const QModelIndex first = m_model->index(0, 0);
    // The top level is the window's to ask for; a view laying out the tree asks nothing.
    QVERIFY(!m_model->canFetchMore(QModelIndex()));
    QVERIFY(m_model->canFetchMore(first));

    m_model->fetchMore(first);
    m_model->fetchMore(first);
    QVERIFY(!m_model->askLevel("10"));
    QCOMPARE(m_wanted->count(), 1);
    QCOMPARE(m_wanted->at(0).at(0).value<std::string>(), std::string("10"));
    QVERIFY(!m_model->canFetchMore(first));
    QVERIFY(m_model->levelOut("10") && m_model->anyLevelOut());

    m_model->addLevel("10", categories({"11", "12"}), true);
    QVERIFY(CategoryModel::category(first)->Loaded);
    QVERIFY(!m_model->anyLevelOut());
    QCOMPARE(m_model->rowCount(first), 2);
    // Loaded: nothing more to fetch, and asking again is the caller's own choice.
    QVERIFY(!m_model->canFetchMore(first));
    m_model->fetchMore(first);
    QCOMPARE(m_wanted->count(), 1);
    // The records added are not loaded themselves.
    QVERIFY(m_model->canFetchMore(m_model->index(0, 0, first)));
}

void CategoryModelTest::failedLevelStaysUnloadedAndIsAskedAgain()
{
    const QModelIndex first = m_model->index(0, 0);
    m_model->fetchMore(first);
    // What a failed answer brought before it failed stays; the category stays unloaded.
    m_model->addLevel("10", categories({"11"}), false);
    QVERIFY(!CategoryModel::category(first)->Loaded);
    QCOMPARE(m_model->rowCount(first), 1);
    QVERIFY(!m_model->anyLevelOut());
    QVERIFY(m_model->canFetchMore(first));
    m_model->fetchMore(first);
    QCOMPARE(m_wanted->count(), 2);
    QCOMPARE(m_wanted->at(1).at(0).value<std::string>(), std::string("10"));
}

void CategoryModelTest::levelGoesUnderTheCategoryOfItsParentId_data()
{
    QTest::addColumn<QString>("parentId");
    QTest::addColumn<QString>("parentPath");  // the ids from the top level down; empty: the top
    QTest::addColumn<int>("first");           // the first new row's place under it
    QTest::newRow("deep inside the tree") << "22"
                                          << "20/22" << 1;
    QTest::newRow("top level") << "0"
                               << "" << 3;
    QTest::newRow("no such category") << "77"
                                      << "" << 3;
    QTest::newRow("not a number") << "abc"
                                  << "" << 3;
    QTest::newRow("the first of two alike") << "021"
                                            << "20/21" << 0;
}

void CategoryModelTest::levelGoesUnderTheCategoryOfItsParentId()
{
    QFETCH(QString, parentId);
    QFETCH(QString, parentPath);
    QFETCH(int, first);
    // A second category 21, at the top level, after the first one in pre-order.
    m_model->addCategories(0, {category("21", "duplicate")});
    // Checks every index and every insertion; it fetches every level it may as it walks.
    QAbstractItemModelTester tester(m_model.get(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    QModelIndex expected;
    for (const QString &cid : parentPath.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        int row = 0;
        while (CategoryModel::category(m_model->index(row, 0, expected))->Cid != cid.toStdString())
            ++row;
        expected = m_model->index(row, 0, expected);
    }
    QSignalSpy inserted(m_model.get(), &QAbstractItemModel::rowsInserted);

    const QModelIndex parent =
        m_model->addLevel(parentId.toStdString(), categories({"901", "902"}), true);
    QCOMPARE(parent, expected);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(0).value<QModelIndex>(), expected);
    QCOMPARE(inserted.at(0).at(1).toInt(), first);
    QCOMPARE(inserted.at(0).at(2).toInt(), first + 1);
    QCOMPARE(CategoryModel::category(m_model->index(first, 0, expected))->Cid, std::string("901"));
    QCOMPARE(m_model->findCategory(902).parent(), expected);
}

QTEST_MAIN(CategoryModelTest)
#include "tst_category_model.moc"
