#include "core/number_format.h"
#include "core/ucommon.h"
#include "gui_test_support.h"
#include "received_requests.h"
#include "sandbox/sandbox_server.h"
#include "session/search_session.h"
#include "ui/picture_button.h"
#include "ui/uItemTree.h"
#include "ui/ufrmmain.h"
#include "window_controls.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace quenbo;
using namespace quenbo::testsupport;

namespace {

constexpr const char *kMaterialSearch = "taobao.tbk.dg.material.optional.upgrade";
constexpr const char *kAdzoneId = "10001";

bool isOpaque(const std::string &id)
{
    return std::any_of(id.begin(), id.end(), [](char c) { return c < '0' || c > '9'; });
}

}  // namespace

// A program packed for the material search, against the sandbox that answers it: searching,
// paging, the sort box, favourites with opaque ids and the commands that miss the old fields.
class MaterialSearchTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void searchesPagesAndSortsWithTheMaterialSearch();
    void favouritesKeepTheOpaqueId();
    void commandsWithoutTheOldFields();
    void aRefusalIsSaidInTheStatusLine();

private:
    void search(const QString &keyword);
    Tfrm_main &window() { return m_fixture.window(); }
    QListView *list() { return ui(window()).itemTree; }

    SandboxedWindow m_fixture;
    std::unique_ptr<ReceivedLog> m_received;
    std::unique_ptr<RecordedAddresses> m_addresses;
};

void MaterialSearchTest::initTestCase()
{
    m_fixture.startSuite({{"ItemMethod", kMaterialSearch}, {"AdzoneId", kAdzoneId}});
    m_received = std::make_unique<ReceivedLog>(m_fixture.sandbox());
}

void MaterialSearchTest::init()
{
    m_addresses = std::make_unique<RecordedAddresses>();
    QVERIFY(m_fixture.openWindow());
    m_received->mark();
}

void MaterialSearchTest::cleanup()
{
    m_fixture.finishTest();
    m_addresses.reset();
}

void MaterialSearchTest::search(const QString &keyword)
{
    ui(window()).E_Serch->setText(keyword);
    QTest::mouseClick(ui(window()).b_Srech, Qt::LeftButton);
    QVERIFY(waitForGateway(window()));
}

void MaterialSearchTest::searchesPagesAndSortsWithTheMaterialSearch()
{
    search(QStringLiteral("连衣 裙"));
    std::vector<ReceivedRequest> asked = m_received->gateway();
    QCOMPARE(asked.size(), std::size_t(1));
    QCOMPARE(asked[0].param("method"), std::string(kMaterialSearch));
    QCOMPARE(asked[0].param("adzone_id"), std::string(kAdzoneId));
    QCOMPARE(asked[0].param("q"), std::string("连衣裙"));
    QCOMPARE(asked[0].param("page_no"), std::string("1"));
    QVERIFY(asked[0].param("sort").empty());
    QVERIFY(ui(window()).L_Status->text().isEmpty());

    const std::vector<std::string> first = rowIds(list());
    QVERIFY(!first.empty());
    QVERIFY(std::all_of(first.begin(), first.end(), isOpaque));
    // Every row's picture arrives and is kept under its opaque id.
    QVERIFY(waitForWorkers(window()));
    for (const std::string &id : first) {
        const std::optional<std::string> file = window().Common().Cache.fileName(id);
        QVERIFY2(file && std::filesystem::exists(*file), id.c_str());
    }
    // The first screen as a user sees it, rows with their pictures.
    QCoreApplication::processEvents();
    const QString folder = qEnvironmentVariable("QUENBO_SCREENSHOT_DIR");
    QVERIFY(!folder.isEmpty());
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(window().grab().save(folder + QStringLiteral("/material_search.png")));

    TTaoBaoData record;
    record = shownRecord(ui(window()).itemTree, first[0]);
    QCOMPARE(record.CreditScore, 0);
    QVERIFY(record.ShopClickUrl.empty());
    QVERIFY(!record.Nick.empty());
    // The cash-back figure, the price times the income rate halved, is the one the row draws:
    // its place in the row holds exactly that figure written in the value face.
    QVERIFY(record.CashBack > 0);
    // From a few pixels in, clear of the label before it.
    const QRect figure(522, 5, 76, 28);
    QImage drawn(figure.size(), QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::white);
    {
        QPainter painter(&drawn);
        QFont face(QStringLiteral("新宋体"));
        face.setPointSize(15);
        face.setBold(true);
        painter.setFont(face);
        painter.setPen(QColor(9, 139, 200));
        painter.drawText(518 - figure.left(), QFontMetrics(face).ascent(),
                         QString::fromStdString(formatGeneral(record.CashBack)));
    }
    const QRect row = list()->visualRect(list()->model()->index(0, 0));
    const QImage shown = list()->viewport()->grab(figure.translated(row.topLeft())).toImage();
    QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32_Premultiplied), drawn);

    // The sort box applies from the next search or page on.
    ui(window()).cb_paixu->setCurrentIndex(1);
    m_received->mark();
    search(QStringLiteral("连衣裙"));
    QTest::mouseClick(ui(window()).b_Pnext, Qt::LeftButton);
    QVERIFY(waitForGateway(window()));
    asked = m_received->gateway();
    QCOMPARE(asked.size(), std::size_t(2));
    QCOMPARE(asked[0].param("sort"), std::string("final_promotion_price_asc"));
    QCOMPARE(asked[1].param("page_no"), std::string("2"));
    QCOMPARE(asked[1].param("sort"), std::string("final_promotion_price_asc"));
    search(QStringLiteral("连衣裙"));
    std::vector<double> prices;
    for (const std::string &id : rowIds(list())) {
        record = shownRecord(ui(window()).itemTree, id);
        prices.push_back(std::stod(record.Price));
    }
    QVERIFY(prices.size() > 1);
    QVERIFY(std::is_sorted(prices.begin(), prices.end()));

    // A category lists by "cat"; the credit entry keeps the platform's order.
    window().LoadCategoryLevel("0");
    QVERIFY(waitForGateway(window()));
    QVERIFY(!window().Common().Categories.empty());
    const std::string cid = window().Common().Categories.front().Cid;
    ui(window()).cb_paixu->setCurrentIndex(3);
    m_received->mark();
    window().SearchCategory(cid);
    QVERIFY(waitForGateway(window()));
    asked = m_received->gateway();
    QCOMPARE(asked.size(), std::size_t(1));
    QCOMPARE(asked[0].param("cat"), cid);
    QVERIFY(asked[0].param("sort").empty());
}

void MaterialSearchTest::favouritesKeepTheOpaqueId()
{
    search(QStringLiteral("连衣裙"));
    const std::vector<std::string> found = rowIds(list());
    QVERIFY(found.size() > 1);
    window().ItemListPresenter().PressButton(list()->model()->index(1, 0), TItemTree::Favourite);
    QCOMPARE(storedFavouriteIds(m_fixture.folder().databaseFile()),
             std::vector<std::string>{found[1]});

    // The favourites view lists it and fetches its picture under the same id.
    std::filesystem::remove_all(window().Common().Cache.folder());
    std::filesystem::create_directory(window().Common().Cache.folder());
    QTest::mouseClick(ui(window()).b_sc, Qt::LeftButton);
    QCOMPARE(rowIds(list()), std::vector<std::string>{found[1]});
    QVERIFY(waitForWorkers(window()));
    QVERIFY(std::filesystem::exists(*window().Common().Cache.fileName(found[1])));

    window().ItemListPresenter().PressButton(list()->model()->index(0, 0), TItemTree::Favourite);
    QVERIFY(storedFavouriteIds(m_fixture.folder().databaseFile()).empty());
    QCOMPARE(list()->model()->rowCount(), 0);
}

void MaterialSearchTest::commandsWithoutTheOldFields()
{
    search(QStringLiteral("连衣裙"));
    QVERIFY(list()->model()->rowCount() > 0);

    // The item's page opens at an address with a scheme.
    window().ItemListPresenter().PressButton(list()->model()->index(0, 0), TItemTree::Click);
    QCOMPARE(m_addresses->opened.size(), std::size_t(1));
    QVERIFY2(m_addresses->opened[0].starts_with("https://"), m_addresses->opened[0].c_str());

    // The shop command has no address to open and says so.
    QTest::mouseClick(list()->viewport(), Qt::RightButton, {}, QPoint(300, 40));
    QVERIFY(ui(window()).Pop_MShop->isVisible());
    ui(window()).Pop_MShop->hide();
    ui(window()).N_Goshop->trigger();
    QCOMPARE(m_addresses->opened.size(), std::size_t(1));
    QCOMPARE(ui(window()).L_Status->text(), QStringLiteral("这个商品没有店铺地址"));

    // Similar items search for the end of the title, by "q".
    m_received->mark();
    ui(window()).N_Db->trigger();
    QVERIFY(waitForGateway(window()));
    const std::vector<ReceivedRequest> asked = m_received->gateway();
    QCOMPARE(asked.size(), std::size_t(1));
    QCOMPARE(asked[0].param("q"), RemoveBlanks(SimilarItemsKeyword(window().SelectedItem().Title)));
}

void MaterialSearchTest::aRefusalIsSaidInTheStatusLine()
{
    // An ad zone the gateway does not know, as a mistyped setting would give.
    window().Common().Settings.AdzoneId = "999";
    search(QStringLiteral("连衣裙"));
    QCOMPARE(list()->model()->rowCount(), 0);
    QCOMPARE(ui(window()).L_Status->text(),
             QStringLiteral("搜索失败：Remote service error — "
                            "pid不正确，请检查是否输入了正确的adzoneId和siteId"));
}

QTEST_MAIN(MaterialSearchTest)
#include "tst_material_search.moc"
