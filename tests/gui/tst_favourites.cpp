#include "core/ucommon.h"
#include "gui_test_support.h"
#include "interface_pictures.h"
#include "received_requests.h"
#include "sandbox/sandbox_server.h"
#include "ui/picture_button.h"
#include "ui/skin.h"
#include "ui/uItemTree.h"
#include "ui/ufrmmain.h"
#include "window_controls.h"

#include <QAction>
#include <QFrame>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <httplib.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <memory>

using namespace quenbo;
using namespace quenbo::testsupport;

namespace fs = std::filesystem;

namespace {

// Stores one favourite, its thirteen values in the table's column order.
void storeRow(const fs::path &file, const std::vector<std::string> &values)
{
    sqlite3 *db = nullptr;
    QVERIFY(sqlite3_open(file.c_str(), &db) == SQLITE_OK);
    sqlite3_stmt *statement = nullptr;
    QVERIFY(sqlite3_prepare_v2(db, "insert into info values (?,?,?,?,?,?,?,?,?,?,?,?,?)", -1,
                               &statement, nullptr) == SQLITE_OK);
    for (std::size_t i = 0; i < values.size(); ++i)
        sqlite3_bind_text(statement, int(i) + 1, values[i].c_str(), -1, SQLITE_TRANSIENT);
    QCOMPARE(sqlite3_step(statement), SQLITE_DONE);
    sqlite3_finalize(statement);
    sqlite3_close(db);
}

// Marks the file as written by a later version of the file format, which SQLite opens for
// reading only (the header's write version above 2); unlike file modes this holds for root.
void makeReadOnly(const fs::path &file)
{
    std::fstream io(file, std::ios::in | std::ios::out | std::ios::binary);
    io.seekp(18);
    io.put(char(3));
}

// The favourite button of a row (the third button at the right end).
QPoint favouriteButton(int row)
{
    return {630, row * TItemTree::kRowHeight + 65};
}

// Switches the data cache as a user does: Alt+S opens the settings menu at "数据缓存", Return
// chooses it. True when the menu opened and closed with the choice.
bool switchDataCache(Tfrm_main &window)
{
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window))
        return false;
    QTest::keyClick(&window, Qt::Key_S, Qt::AltModifier);
    QMenu *settings = ui(window).N3->menu();
    if (QApplication::activePopupWidget() != settings || settings->activeAction() != ui(window).N4)
        return false;
    QTest::keyClick(settings, Qt::Key_Return);
    return !settings->isVisible();
}

}  // namespace

// The favourites view and the favourite button of the rows, end to end: the real window, a
// real database file made from the shipped schema and a sandbox that checks timestamps.
class FavouritesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void favouritesAreAddedListedRemovedAndKept();
    void favouriteButtonFollowsTheStore();
    void listedFavouritesTakeEachFieldFromItsColumn_data();
    void listedFavouritesTakeEachFieldFromItsColumn();
    void leavingBeforeAnySearchReloadsTheStartUpList();
    void leavingAfterASearchAsksAgainWithAFreshTimestamp();
    void databaseFaultsAreShownAndLoseNothing_data();
    void databaseFaultsAreShownAndLoseNothing();
    void closingWhileWorkersDownloadLeavesNothingBehind_data();
    void closingWhileWorkersDownloadLeavesNothingBehind();

private:
    void makeWindow();
    void postFault(const std::string &form);
    bool search(const QString &text);
    QListView *tree() { return ui(m_window).itemTree; }
    fs::path database() const { return m_folder->databaseFile(); }
    bool waitForWorkers() { return testsupport::waitForWorkers(*m_window); }

    std::unique_ptr<sandbox::SandboxServer> m_sandbox;
    std::unique_ptr<ReceivedLog> m_received;
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<RecordedMessages> m_messages;
    std::unique_ptr<Tfrm_main> m_window;
};

void FavouritesTest::initTestCase()
{
    m_sandbox = startSuiteSandbox();
    m_received = std::make_unique<ReceivedLog>(*m_sandbox);
}

void FavouritesTest::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    writeSandboxArchive(*m_folder, m_sandbox->baseUrl());
    m_folder->createDatabase();
    m_messages = std::make_unique<RecordedMessages>();
}

void FavouritesTest::cleanup()
{
    m_window.reset();
    postFault("clear=1");
    m_messages.reset();
    m_folder.reset();
    verifyNoWindowLeft();
}

void FavouritesTest::makeWindow()
{
    m_window = openWindow(*m_folder);
    QVERIFY(m_window);
    ui(m_window).pnl_load->hide();
    m_received->mark();
}

void FavouritesTest::postFault(const std::string &form)
{
    QVERIFY(postSandboxFault(m_sandbox->baseUrl(), form));
}

bool FavouritesTest::search(const QString &text)
{
    ui(m_window).E_Serch->setText(text);
    QTest::mouseClick(ui(m_window).b_Srech, Qt::LeftButton);
    return waitForGateway(*m_window) && tree()->model()->rowCount() > 0;
}

void FavouritesTest::favouritesAreAddedListedRemovedAndKept()
{
    makeWindow();
    QVERIFY(search(QStringLiteral("连衣裙")));
    const std::vector<std::string> found = rowIds(tree());
    click(tree()->viewport(), favouriteButton(0));
    click(tree()->viewport(), favouriteButton(1));
    click(tree()->viewport(), favouriteButton(1));  // a second add stores nothing more
    QCOMPARE(storedFavouriteIds(database()), (std::vector<std::string>{found[0], found[1]}));

    QTest::mouseClick(ui(m_window).b_sc, Qt::LeftButton);
    QVERIFY(ui(m_window).b_fshop->isVisible());
    QVERIFY(!ui(m_window).pnl_PageControls->isEnabled());
    QCOMPARE(rowIds(tree()), (std::vector<std::string>{found[0], found[1]}));
    QVERIFY(m_window->Common().IsFavourite(found[0]) && m_window->Common().IsFavourite(found[1]));
    QVERIFY(waitForWorkers());
    for (const std::string &id : {found[0], found[1]})
        QVERIFY(fs::exists(m_folder->path() / "temp" / (id + ".jpg")));

    click(tree()->viewport(), favouriteButton(0));
    QCOMPARE(rowIds(tree()), std::vector<std::string>{found[1]});
    QCOMPARE(storedFavouriteIds(database()), std::vector<std::string>{found[1]});
    QVERIFY(m_messages->texts.empty());

    // Kept across a restart on the same folder, listed with what the database holds.
    TTaoBaoData kept;
    kept = shownRecord(ui(m_window).itemTree, found[1]);
    m_window.reset();
    makeWindow();
    QTest::mouseClick(ui(m_window).b_sc, Qt::LeftButton);
    QCOMPARE(rowIds(tree()), std::vector<std::string>{found[1]});
    TTaoBaoData listed;
    listed = shownRecord(ui(m_window).itemTree, found[1]);
    QCOMPARE(listed.Title, kept.Title);
    QCOMPARE(listed.Price, kept.Price);
    QCOMPARE(listed.ShopClickUrl, kept.ShopClickUrl);
    QCOMPARE(listed.CashBack, kept.CashBack);
    QCOMPARE(listed.Volume, kept.Volume);
    QVERIFY(m_received->gateway().empty());
}

void FavouritesTest::listedFavouritesTakeEachFieldFromItsColumn_data()
{
    QTest::addColumn<QString>("yongjin");
    QTest::addColumn<double>("commission");
    QTest::addColumn<QString>("fanxian");
    QTest::addColumn<double>("cashBack");
    QTest::newRow("numbers") << "6.5" << 6.5 << "3.25" << 3.25;
    QTest::newRow("not numbers read as 0") << "约六元" << 0.0 << "abc" << 0.0;
}

void FavouritesTest::listedFavouritesTakeEachFieldFromItsColumn()
{
    QFETCH(QString, yongjin);
    QFETCH(double, commission);
    QFETCH(QString, fanxian);
    QFETCH(double, cashBack);
    const std::string picture = m_sandbox->baseUrl() + "/pic/90001_b.jpg";
    storeRow(database(), {"90001", "标题甲", "卖家乙", "http://click.example/丙",
                          "http://shop.example/丁", "23.45", yongjin.toStdString(), picture,
                          fanxian.toStdString(), "11", "12", "浙江 杭州", "13"});
    makeWindow();
    QTest::mouseClick(ui(m_window).b_sc, Qt::LeftButton);
    QCOMPARE(rowIds(tree()), std::vector<std::string>{"90001"});

    TTaoBaoData listed;
    listed = shownRecord(ui(m_window).itemTree, "90001");
    QCOMPARE(listed.NumIid, std::string("90001"));
    QCOMPARE(listed.Title, std::string("标题甲"));
    QCOMPARE(listed.Nick, std::string("卖家乙"));
    QCOMPARE(listed.ClickUrl, std::string("http://click.example/丙"));
    QCOMPARE(listed.ShopClickUrl, std::string("http://shop.example/丁"));
    QCOMPARE(listed.Price, std::string("23.45"));
    QCOMPARE(listed.Commission, commission);
    QCOMPARE(listed.PicUrl, picture);
    QCOMPARE(listed.CashBack, cashBack);
    QCOMPARE(listed.SalesCount, 11);
    QCOMPARE(listed.CreditScore, 12);
    QCOMPARE(listed.Location, std::string("浙江 杭州"));
    QCOMPARE(listed.Volume, 13);
    QVERIFY(listed.Picture);
    QVERIFY(m_window->Common().IsFavourite("90001"));
    QVERIFY(waitForWorkers());
    QVERIFY(m_messages->texts.empty());
}

void FavouritesTest::leavingBeforeAnySearchReloadsTheStartUpList()
{
    makeWindow();
    m_window->trm_loadTimer();
    QVERIFY(waitForGateway(*m_window));
    const std::vector<std::string> startUp = rowIds(tree());
    QVERIFY(!startUp.empty());

    m_received->mark();
    QTest::mouseClick(ui(m_window).b_sc, Qt::LeftButton);
    QVERIFY(tree()->model()->rowCount() == 0);
    QTest::mouseClick(ui(m_window).b_fshop, Qt::LeftButton);
    QVERIFY(waitForGateway(*m_window));
    QCOMPARE(rowIds(tree()), startUp);
    QVERIFY(!ui(m_window).b_fshop->isVisible());
    std::vector<std::string> paths;
    for (const ReceivedRequest &request : m_received->since())
        if (!request.path.starts_with("/pic/"))
            paths.push_back(request.path);
    QCOMPARE(paths, std::vector<std::string>{"/index.xml"});

    // The start-up list has no pages: the page strip stays off, so a click on "下一页" asks
    // for nothing and the list stays.
    QVERIFY(!ui(m_window).pnl_PageControls->isEnabled());
    m_received->mark();
    QTest::mouseClick(ui(m_window).b_Pnext, Qt::LeftButton);
    QVERIFY(m_received->gateway().empty());
    QCOMPARE(rowIds(tree()), startUp);
    QVERIFY(m_messages->texts.empty());
}

void FavouritesTest::favouriteButtonFollowsTheStore()
{
    // Added from a search, the item is a favourite at once: its button offers removal in this
    // list, in the next search, in the favourites view, back from it, and after a restart.
    makeWindow();
    QVERIFY(search(QStringLiteral("连衣裙")));
    const std::string added = rowIds(tree())[0];
    QVERIFY(!m_window->Common().IsFavourite(added));
    click(tree()->viewport(), favouriteButton(0));
    QVERIFY(m_window->Common().IsFavourite(added));
    QVERIFY(search(QStringLiteral("连衣")));
    QVERIFY(m_window->Common().IsFavourite(added));
    QTest::mouseClick(ui(m_window).b_sc, Qt::LeftButton);
    QCOMPARE(rowIds(tree()), std::vector<std::string>{added});
    QVERIFY(m_window->Common().IsFavourite(added));
    QTest::mouseClick(ui(m_window).b_fshop, Qt::LeftButton);
    QVERIFY(waitForGateway(*m_window));
    QVERIFY(m_window->Common().IsFavourite(added));
    QVERIFY(waitForWorkers());
    makeWindow();
    QVERIFY(m_window->Common().IsFavourite(added));
    QCOMPARE(storedFavouriteIds(database()), std::vector<std::string>{added});
    QVERIFY(m_messages->texts.empty());
}

void FavouritesTest::leavingAfterASearchAsksAgainWithAFreshTimestamp()
{
    makeWindow();
    QVERIFY(search(QStringLiteral("衬衫")));
    QTest::mouseClick(ui(m_window).b_Pnext, Qt::LeftButton);
    QVERIFY(waitForGateway(*m_window));
    const std::vector<std::string> shown = rowIds(tree());
    QVERIFY(!shown.empty());
    const ReceivedRequest asked = m_received->gateway().back();

    QTest::mouseClick(ui(m_window).b_sc, Qt::LeftButton);
    QTest::qWait(1100);  // the timestamp counts whole seconds
    m_received->mark();
    QTest::mouseClick(ui(m_window).b_fshop, Qt::LeftButton);
    QVERIFY(waitForGateway(*m_window));

    const std::vector<ReceivedRequest> again = m_received->gateway();
    QCOMPARE(again.size(), std::size_t(1));
    QCOMPARE(again[0].param("keyword"), asked.param("keyword"));
    QCOMPARE(again[0].param("page_no"), std::string("2"));
    QVERIFY(again[0].param("timestamp") > asked.param("timestamp"));
    QVERIFY(again[0].param("sign") != asked.param("sign"));
    QCOMPARE(rowIds(tree()), shown);
    QCOMPARE(m_window->Session().pageNo(), 2);
    QVERIFY(m_messages->texts.empty());
}

void FavouritesTest::databaseFaultsAreShownAndLoseNothing_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("listed");     // the stored favourite can still be listed
    QTest::addColumn<QString>("adding");  // what the message of the failed addition starts with
    QTest::addColumn<QString>("sqlite");  // SQLite's own words, which every message carries
    QTest::newRow("missing") << "missing" << false << "收藏夹数据库无法打开："
                             << "unable to open database file";
    QTest::newRow("read-only") << "read-only" << true << "收藏夹无法保存："
                               << "attempt to write a readonly database";
    QTest::newRow("locked") << "locked" << false << "收藏夹无法保存："
                            << "database is locked";
}

void FavouritesTest::databaseFaultsAreShownAndLoseNothing()
{
    QFETCH(QString, fault);
    QFETCH(bool, listed);
    QFETCH(QString, adding);
    QFETCH(QString, sqlite);
    makeWindow();
    QVERIFY(search(QStringLiteral("连衣裙")));
    const std::vector<std::string> found = rowIds(tree());
    click(tree()->viewport(), favouriteButton(0));
    QTest::mouseClick(ui(m_window).b_sc, Qt::LeftButton);
    QCOMPARE(rowIds(tree()), std::vector<std::string>{found[0]});
    QTest::mouseClick(ui(m_window).b_fshop, Qt::LeftButton);
    QVERIFY(waitForGateway(*m_window));
    QCOMPARE(rowIds(tree()), found);
    // A fresh connection, as at the next start, meets the fault at its first statement.
    m_window->Common().Favourites.reconnect(200);

    const fs::path kept = m_folder->path() / "kept.db";
    fs::copy_file(database(), kept);
    sqlite3 *locker = nullptr;
    if (fault == "missing") {
        fs::remove(database());
    } else if (fault == "read-only") {
        makeReadOnly(database());
    } else {
        QVERIFY(sqlite3_open(database().c_str(), &locker) == SQLITE_OK);
        QVERIFY(sqlite3_exec(locker, "begin exclusive", nullptr, nullptr, nullptr) == SQLITE_OK);
    }

    // Adding another item fails, is shown and the window goes on.
    click(tree()->viewport(), favouriteButton(1));
    QCOMPARE(m_messages->texts.size(), std::size_t(1));
    QVERIFY2(m_messages->texts[0].startsWith(adding), qPrintable(m_messages->texts[0]));
    QCOMPARE(tree()->model()->rowCount(), int(found.size()));

    // Listing shows the error, or the stored row when it can be read.
    QTest::mouseClick(ui(m_window).b_sc, Qt::LeftButton);
    QCOMPARE(m_messages->texts.size(), std::size_t(listed ? 1 : 2));
    if (!listed)
        QVERIFY2(m_messages->texts[1].startsWith(QStringLiteral("收藏夹无法读取：")) ||
                     m_messages->texts[1].startsWith(QStringLiteral("收藏夹数据库无法打开：")),
                 qPrintable(m_messages->texts[1]));
    QCOMPARE(rowIds(tree()),
             listed ? std::vector<std::string>{found[0]} : std::vector<std::string>{});
    if (listed) {
        // A removal the database refuses keeps the stored row: listed again, it is there.
        click(tree()->viewport(), favouriteButton(0));
        QCOMPARE(m_messages->texts.size(), std::size_t(2));
        QVERIFY2(m_messages->texts[1].startsWith(QStringLiteral("收藏夹无法删除：")),
                 qPrintable(m_messages->texts[1]));
        QTest::mouseClick(ui(m_window).b_sc, Qt::LeftButton);
        QCOMPARE(rowIds(tree()), std::vector<std::string>{found[0]});
    }
    for (const QString &text : m_messages->texts)
        QVERIFY2(text.contains(sqlite), qPrintable(text));

    QTest::mouseClick(ui(m_window).b_fshop, Qt::LeftButton);
    QVERIFY(waitForGateway(*m_window));
    QCOMPARE(rowIds(tree()), found);
    if (locker) {
        sqlite3_exec(locker, "rollback", nullptr, nullptr, nullptr);
        sqlite3_close(locker);
    }
    m_window.reset();
    QCOMPARE(storedFavouriteIds(fault == "missing" ? kept : database()),
             std::vector<std::string>{found[0]});
    m_messages->texts.clear();
}

void FavouritesTest::closingWhileWorkersDownloadLeavesNothingBehind_data()
{
    QTest::addColumn<bool>("cacheOn");
    QTest::newRow("cache emptied at exit") << false;
    QTest::newRow("cache kept") << true;
}

void FavouritesTest::closingWhileWorkersDownloadLeavesNothingBehind()
{
    QFETCH(bool, cacheOn);
    makeWindow();
    if (cacheOn)
        QVERIFY(switchDataCache(*m_window));
    QVERIFY(search(QStringLiteral("连衣裙")));
    QVERIFY(waitForWorkers());
    const std::vector<std::string> found = rowIds(tree());
    const fs::path cache = m_folder->path() / "temp";
    for (const std::string &id : {found[0], found[1], found[2]}) {
        fs::remove(cache / (id + ".jpg"));
        postFault("picture=" + id + "&kind=slow&delay_ms=20000");
    }

    // Three workers, each stalled in the middle of a picture.
    for (int i = 0; i < 3; ++i) {
        m_window->LoadItemPage(m_window->Session().lastAddress());
        QVERIFY(waitForGateway(*m_window));
    }
    QCOMPARE(m_window->Common().Workers.size(), std::size_t(3));
    QTest::qWait(200);

    m_window->close();
    m_window.reset();
    std::vector<std::string> left;
    for (const auto &entry : fs::directory_iterator(cache))
        left.push_back(entry.path().filename().string());
    if (!cacheOn)
        QVERIFY(left.empty());
    for (const std::string &name : left) {
        QVERIFY(name.ends_with(".jpg"));
        for (const std::string &id : {found[0], found[1], found[2]})
            QVERIFY(name != id + ".jpg");
    }
    QVERIFY(m_messages->texts.empty());
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    FavouritesTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_favourites.moc"
