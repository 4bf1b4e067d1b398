#include "core/number_format.h"
#include "core/ucommon.h"
#include "gui_test_support.h"
#include "interface_pictures.h"
#include "platform/http_client.h"
#include "received_requests.h"
#include "sandbox/sandbox_server.h"
#include "ui/browser_opener.h"
#include "ui/page_combo_box.h"
#include "ui/picture_button.h"
#include "ui/skin.h"
#include "ui/uItemTree.h"
#include "ui/ufrmmain.h"
#include "window_controls.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

using namespace quenbo;
using namespace quenbo::testsupport;

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::size_t filesIn(const fs::path &folder)
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto &entry : fs::directory_iterator(folder))
        ++count;
    return count;
}

// The value a sort key compares for a record, as the item list compares it.
std::int64_t sortValue(const TTaoBaoData &record, int key)
{
    switch (key) {
    case 0:
        return record.CreditScore;
    case 1:
        return std::llround(parseNumber(record.Price, 0));
    case 2:
        return record.Volume;
    default:
        return std::llround(record.CashBack);
    }
}

// Types text into the focused edit box: printable ASCII key by key, anything else (Chinese,
// tabs, line ends) as one input method commit, the way an input method or a paste delivers it.
void typeText(QWidget *edit, const QString &text)
{
    QString pending;
    const auto commit = [&] {
        if (pending.isEmpty())
            return;
        QInputMethodEvent event;
        event.setCommitString(pending);
        QCoreApplication::sendEvent(edit, &event);
        pending.clear();
    };
    for (const QChar c : text) {
        if (c.unicode() > 32 && c.unicode() < 127) {
            commit();
            QTest::keyClick(edit, char(c.unicode()));
        } else {
            pending += c;
        }
    }
    commit();
}

}  // namespace

// Drives the real main window against a sandbox that checks signatures and timestamps, and
// checks what the sandbox received as well as what the window shows.
class SearchPagingTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void firstStartMakesItsSettingsAndLoadsInOrder();
    void keywordSearchSendsTheTrimmedKeyword_data();
    void keywordSearchSendsTheTrimmedKeyword();
    void newSearchStartsThePageListAtOne();
    void pagingPastTheEndsIsRefusedWithoutARequest();
    void pageListLoadsThePageChosen();
    void sortButtonsShareOneDirection();
    void rightPressRemembersTheItemForTheShopMenu();
    void similarItemsSearchesTheEndOfTheTitle();

private:
    void makeWindow();
    // Opens the page list with a click on it, as a user does.
    void openPageList();
    // Opens the page list by key, types page and presses Enter; waits for the page load.
    void choosePageByKeys(const QString &page);
    // A keyword search through the edit box and the search button; true when rows came.
    bool search(const QString &text);
    QListView *tree() { return ui(m_window).itemTree; }
    bool waitForWorkers() { return testsupport::waitForWorkers(*m_window); }

    std::unique_ptr<sandbox::SandboxServer> m_sandbox;
    std::unique_ptr<ReceivedLog> m_received;
    std::unique_ptr<ProgramFolder> m_folder;
    std::vector<MessageRequest> m_messages;
    std::vector<std::string> m_opened;
    std::unique_ptr<Tfrm_main> m_window;
};

void SearchPagingTest::initTestCase()
{
    m_sandbox = startSuiteSandbox();
    m_received = std::make_unique<ReceivedLog>(*m_sandbox);
    setMessageHandler([this](const MessageRequest &request) {
        m_messages.push_back(request);
        return QMessageBox::Ok;
    });
    setBrowserOpener([this](const QUrl &url) { m_opened.push_back(url.toString().toStdString()); });
}

void SearchPagingTest::init()
{
    m_messages.clear();
    m_opened.clear();
    m_folder = std::make_unique<ProgramFolder>();
    writeSandboxArchive(*m_folder, m_sandbox->baseUrl());
}

void SearchPagingTest::cleanup()
{
    if (m_window)
        ui(m_window).Pop_MShop->hide();
    m_window.reset();
    m_folder.reset();
    verifyNoWindowLeft();
}

void SearchPagingTest::makeWindow()
{
    m_window = openWindow(*m_folder);
    QVERIFY(m_window);
    ui(m_window).pnl_load->hide();
    m_received->mark();
}

bool SearchPagingTest::search(const QString &text)
{
    ui(m_window).E_Serch->setFocus();
    ui(m_window).E_Serch->selectAll();
    typeText(ui(m_window).E_Serch, text);
    if (ui(m_window).E_Serch->text() != text)
        return false;
    QTest::mouseClick(ui(m_window).b_Srech, Qt::LeftButton);
    return testsupport::waitForGateway(*m_window) && tree()->model()->rowCount() > 0;
}

void SearchPagingTest::firstStartMakesItsSettingsAndLoadsInOrder()
{
    const fs::path settings = m_folder->path() / "config.ini";
    QVERIFY(!fs::exists(settings));
    m_window = std::make_unique<Tfrm_main>(appDir(*m_folder));
    QCOMPARE(readFile(settings), std::string("[config]\r\ndeltmp=true\r\n"));
    QVERIFY(!m_window->Common().Settings.DataCache && !ui(m_window).N4->isChecked());
    m_received->mark();

    m_window->show();
    QTRY_VERIFY_WITH_TIMEOUT(!ui(m_window).pnl_load->isVisible(), 10000);
    QVERIFY(!ui(m_window).trm_load->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(m_window->GatewayIdle() && m_received->pages().size() == 3, 10000);
    QCOMPARE(m_window->Session().lastAddress(), m_window->Common().Settings.IndexUrl);
    QVERIFY(tree()->model()->rowCount() > 0);
    QVERIFY(ui(m_window).vlefttree->model()->rowCount() > 0);
    QVERIFY(!ui(m_window).pnl_PageControls->isEnabled());
    QVERIFY(m_messages.empty());

    // The start-up list and the top categories side by side, then, once both are shown, the
    // version file; pictures meanwhile.
    std::vector<std::string> order;
    for (const ReceivedRequest &request : m_received->pages())
        order.push_back(request.isGateway() ? request.param("method") : request.path);
    QCOMPARE(order.size(), std::size_t(3));
    std::sort(order.begin(), order.begin() + 2);
    QCOMPARE(order, (std::vector<std::string>{"/index.xml", "taobao.itemcats.get", "/bate.txt"}));
    QCOMPARE(m_received->gateway().front().param("parent_cid"), std::string("0"));

    QVERIFY(waitForWorkers());
    const fs::path cache = m_window->Common().Cache.folder();
    QVERIFY(filesIn(cache) > 0);
    m_window.reset();
    QCOMPARE(filesIn(cache), std::size_t(0));
    Tfrm_main again(appDir(*m_folder));
    QVERIFY(!again.Common().Settings.DataCache);
}

void SearchPagingTest::keywordSearchSendsTheTrimmedKeyword_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("sent");  // the keyword the gateway receives
    QTest::addColumn<QString>("kept");  // FKeyword
    QTest::newRow("plain") << "连衣裙"
                           << "连衣裙"
                           << "连衣裙";
    QTest::newRow("blanks around and inside") << "  连衣 裙\t"
                                              << "连衣裙"
                                              << "连衣 裙";
    QTest::newRow("line end and ascii") << "\r\n T 恤\n"
                                        << "T恤"
                                        << "T 恤";
    QTest::newRow("blanks only") << "   "
                                 << ""
                                 << "";
}

void SearchPagingTest::keywordSearchSendsTheTrimmedKeyword()
{
    QFETCH(QString, typed);
    QFETCH(QString, sent);
    QFETCH(QString, kept);
    makeWindow();
    QVERIFY(search(QStringLiteral("衬衫")));
    choosePageByKeys(QStringLiteral("5"));
    m_received->mark();

    const bool rows = search(typed);

    const std::vector<ReceivedRequest> requests = m_received->gateway();
    QCOMPARE(requests.size(), std::size_t(1));
    QCOMPARE(requests[0].param("method"), std::string("taobao.taobaoke.items.get"));
    QCOMPARE(QString::fromStdString(requests[0].param("keyword")), sent);
    QCOMPARE(requests[0].param("page_no"), std::string("1"));
    QCOMPARE(requests[0].params.count("cid"), std::size_t(0));
    // The sandbox answers items only to a request whose signature and timestamp it accepted.
    if (!sent.isEmpty())
        QVERIFY(rows);
    QCOMPARE(QString::fromStdString(m_window->Session().keyword()), kept);
    QCOMPARE(m_window->Session().mode(), SearchMode::Keyword);
    // A new search starts the page list at 1.
    QCOMPARE(m_window->Session().pageNo(), 1);
    QCOMPARE(ui(m_window).cbox_pagecount->currentText(), QStringLiteral("1"));
    QVERIFY(ui(m_window).pnl_PageControls->isEnabled());
    QVERIFY(m_messages.empty());

    // The button with an empty box starts nothing.
    m_received->mark();
    ui(m_window).E_Serch->selectAll();
    QTest::keyClick(ui(m_window).E_Serch, Qt::Key_Backspace);
    QVERIFY(ui(m_window).E_Serch->text().isEmpty());
    QTest::mouseClick(ui(m_window).b_Srech, Qt::LeftButton);
    QVERIFY(m_received->pages().empty());
}

void SearchPagingTest::newSearchStartsThePageListAtOne()
{
    makeWindow();
    QVERIFY(search(QStringLiteral("T恤")));
    QTest::mouseClick(ui(m_window).b_Pnext, Qt::LeftButton);
    QTest::mouseClick(ui(m_window).b_Pnext, Qt::LeftButton);
    QCOMPARE(ui(m_window).cbox_pagecount->currentText(), QStringLiteral("3"));
    QVERIFY(waitForGateway(*m_window));

    m_received->mark();
    QVERIFY(search(QStringLiteral("连衣裙")));
    QCOMPARE(ui(m_window).cbox_pagecount->currentText(), QStringLiteral("1"));
    QTest::mouseClick(ui(m_window).b_Pnext, Qt::LeftButton);
    QCOMPARE(ui(m_window).cbox_pagecount->currentText(), QStringLiteral("2"));
    QVERIFY(waitForGateway(*m_window));

    const std::vector<ReceivedRequest> requests = m_received->gateway();
    QCOMPARE(requests.size(), std::size_t(2));
    QCOMPARE(requests[0].param("page_no"), std::string("1"));
    QCOMPARE(requests[1].param("page_no"), std::string("2"));
    for (const ReceivedRequest &request : requests)
        QCOMPARE(request.param("keyword"), std::string("连衣裙"));
}

void SearchPagingTest::pagingPastTheEndsIsRefusedWithoutARequest()
{
    makeWindow();
    QVERIFY(search(QStringLiteral("连衣裙")));
    const std::vector<std::string> shown = rowIds(tree());

    m_received->mark();
    QTest::mouseClick(ui(m_window).B_PFrist, Qt::LeftButton);
    QCOMPARE(m_messages.size(), std::size_t(1));
    QCOMPARE(m_messages[0].text, QStringLiteral("第一页"));
    QCOMPARE(m_messages[0].caption, applicationTitle());
    QCOMPARE(m_messages[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(m_messages[0].parent == m_window.get());
    QVERIFY(m_received->pages().empty());
    QCOMPARE(rowIds(tree()), shown);

    choosePageByKeys("99");
    QCOMPARE(m_window->Session().pageNo(), 99);
    QCOMPARE(m_received->gateway().back().param("page_no"), std::string("99"));

    m_received->mark();
    QTest::mouseClick(ui(m_window).b_Pnext, Qt::LeftButton);
    QCOMPARE(m_messages.size(), std::size_t(2));
    QCOMPARE(m_messages[1].text, QStringLiteral("最后一页"));
    QVERIFY(m_received->pages().empty());
    QCOMPARE(m_window->Session().pageNo(), 99);
}

void SearchPagingTest::pageListLoadsThePageChosen()
{
    makeWindow();
    QVERIFY(search(QStringLiteral("连衣裙")));
    QTest::mouseClick(ui(m_window).b_Pnext, Qt::LeftButton);
    QVERIFY(waitForGateway(*m_window));
    PageComboBox *pages = ui(m_window).cbox_pagecount;
    const auto lastPageAsked = [this] { return m_received->gateway().back().param("page_no"); };

    // A click on "7" in the open list loads page 7, not the page shown before.
    m_received->mark();
    openPageList();
    QAbstractItemView *view = pages->view();
    const QRect entry = view->visualRect(pages->model()->index(6, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, entry.center());
    QTRY_COMPARE(m_received->gateway().size(), std::size_t(1));
    QCOMPARE(lastPageAsked(), std::string("7"));
    QCOMPARE(m_window->Session().pageNo(), 7);
    QCOMPARE(pages->currentText(), QStringLiteral("7"));

    // Typing a number and Enter in the open list loads that page.
    choosePageByKeys("12");
    QCOMPARE(m_received->gateway().size(), std::size_t(2));
    QCOMPARE(lastPageAsked(), std::string("12"));
    QCOMPARE(pages->currentText(), QStringLiteral("12"));

    // Closing the list without a choice, by Escape or by a click outside, loads the page again.
    openPageList();
    QTest::keyClick(pages->view(), Qt::Key_Escape);
    QTRY_COMPARE(m_received->gateway().size(), std::size_t(3));
    openPageList();
    QWidget *popup = pages->view()->window();
    QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, QPoint(-20, -20));
    QTRY_COMPARE(m_received->gateway().size(), std::size_t(4));
    for (const ReceivedRequest &request : m_received->gateway()) {
        QCOMPARE(request.param("keyword"), std::string("连衣裙"));
        QCOMPARE(request.param("sort"), std::string("credit_desc"));
    }
    QCOMPARE(lastPageAsked(), std::string("12"));
    QCOMPARE(m_window->Session().pageNo(), 12);

    // The closed list ignores the keys and the wheel that would change its number without
    // loading; "下一页" then goes on from the page shown.
    m_received->mark();
    pages->setFocus();
    // Each key alone: a list that moved on one key and back on the next would pass a sequence.
    for (const Qt::Key key :
         {Qt::Key_Down, Qt::Key_Up, Qt::Key_End, Qt::Key_Home, Qt::Key_PageDown, Qt::Key_PageUp}) {
        QTest::keyClick(pages, key);
        QCOMPARE(pages->currentText(), QStringLiteral("12"));
    }
    QTest::keyClicks(pages, QStringLiteral("5"));
    QWheelEvent wheel(QPointF(10, 10), pages->mapToGlobal(QPointF(10, 10)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(pages, &wheel);
    QCoreApplication::processEvents();
    QCOMPARE(pages->currentText(), QStringLiteral("12"));
    QVERIFY(m_received->gateway().empty());
    QTest::mouseClick(ui(m_window).b_Pnext, Qt::LeftButton);
    QVERIFY(waitForGateway(*m_window));
    QCOMPARE(lastPageAsked(), std::string("13"));
    QCOMPARE(pages->currentText(), QStringLiteral("13"));

    // Changing the sort list asks for nothing.
    m_received->mark();
    ui(m_window).cb_paixu->setCurrentIndex(2);
    QVERIFY(m_received->gateway().empty());
    QVERIFY(m_messages.empty());
}

void SearchPagingTest::openPageList()
{
    PageComboBox *pages = ui(m_window).cbox_pagecount;
    QTest::mouseClick(pages, Qt::LeftButton);
    QTRY_VERIFY(pages->view()->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(pages->view()->window()));
    // The list takes no release within a double-click's time of opening (it would be the
    // release of the click that opened it); a user's next click comes later.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
}

void SearchPagingTest::choosePageByKeys(const QString &page)
{
    PageComboBox *pages = ui(m_window).cbox_pagecount;
    const std::size_t before = m_received->gateway().size();
    pages->setFocus();
    QTest::keyClick(pages, Qt::Key_F4);
    QTRY_VERIFY(pages->view()->isVisible());
    QTest::keyClicks(pages->view(), page);
    QTest::keyClick(pages->view(), Qt::Key_Return);
    QTRY_COMPARE(m_received->gateway().size(), before + 1);
    QVERIFY(waitForGateway(*m_window));
    QCOMPARE(pages->currentText(), page);
}

void SearchPagingTest::sortButtonsShareOneDirection()
{
    makeWindow();
    QVERIFY(search(QStringLiteral("连衣裙")));
    QVERIFY(tree()->model()->rowCount() > 2);
    const std::vector<std::string> answered = rowIds(tree());
    ui(m_window).cb_paixu->setCurrentIndex(3);
    QCOMPARE(rowIds(tree()), answered);

    struct Press {
        PictureButton *button;
        int key;
        bool ascending;
    };
    const Press presses[] = {{ui(m_window).b_jiage, 1, false},
                             {ui(m_window).b_jiage, 1, true},
                             {ui(m_window).b_xin, 0, false},
                             {ui(m_window).b_fan, 3, true},
                             {ui(m_window).b_xiao, 2, false}};
    for (const Press &press : presses) {
        QTest::mouseClick(press.button, Qt::LeftButton);
        std::vector<std::int64_t> values;
        for (const std::string &id : rowIds(tree())) {
            TTaoBaoData record;
            record = shownRecord(ui(m_window).itemTree, id);
            values.push_back(sortValue(record, press.key));
        }
        QVERIFY(values.front() != values.back());
        if (press.ascending)
            QVERIFY(std::is_sorted(values.begin(), values.end()));
        else
            QVERIFY(std::is_sorted(values.rbegin(), values.rend()));
    }
}

void SearchPagingTest::rightPressRemembersTheItemForTheShopMenu()
{
    makeWindow();
    QVERIFY(search(QStringLiteral("连衣裙")));
    QListView *list = tree();
    const std::vector<std::string> ids = rowIds(list);
    const int row = TItemTree::kRowHeight;

    // Before any right press the shop command hands on an empty address, which opens nothing.
    ui(m_window).N_Goshop->trigger();
    QVERIFY(m_opened.empty());

    click(list->viewport(), QPoint(300, row + 40), Qt::LeftButton);
    QVERIFY(m_window->SelectedItem().NumIid.empty());
    QVERIFY(!ui(m_window).Pop_MShop->isVisible());

    click(list->viewport(), QPoint(300, row + 40), Qt::RightButton);
    QCOMPARE(m_window->SelectedItem().NumIid, ids[1]);
    QVERIFY(ui(m_window).Pop_MShop->isVisible());
    ui(m_window).Pop_MShop->hide();

    click(list->viewport(), QPoint(300, row + 40), Qt::RightButton);
    ui(m_window).Pop_MShop->hide();
    ui(m_window).N_Goshop->trigger();
    const std::string shop = m_window->SelectedItem().ShopClickUrl;
    QCOMPARE(m_opened, std::vector<std::string>{shop});
    HttpClient http;
    QVERIFY(http.get(shop).find("的店铺</title>") != std::string::npos);
}

void SearchPagingTest::similarItemsSearchesTheEndOfTheTitle()
{
    makeWindow();
    QVERIFY(search(QStringLiteral("连衣裙")));
    click(tree()->viewport(), QPoint(300, 40), Qt::RightButton);
    ui(m_window).Pop_MShop->hide();
    const std::string title = m_window->SelectedItem().Title;
    // The longest blank-free piece of the title's end, so that the item itself is among the
    // answers (the gateway drops the blanks of a keyword).
    const std::string end = TCommon::SimilarKeyword(title);
    QVERIFY(end.find(' ') != std::string::npos);
    std::string keyword;
    std::istringstream words(end);
    for (std::string word; words >> word;)
        if (word.size() > keyword.size())
            keyword = word;
    QVERIFY(!keyword.empty());
    QVERIFY(ui(m_window).N_Db->isVisible() && ui(m_window).N_Db->isEnabled());

    choosePageByKeys("3");
    m_received->mark();
    ui(m_window).N_Db->trigger();
    QVERIFY(waitForGateway(*m_window));
    const std::vector<ReceivedRequest> requests = m_received->gateway();
    QCOMPARE(requests.size(), std::size_t(1));
    QCOMPARE(requests[0].param("keyword"), keyword);
    QCOMPARE(requests[0].param("page_no"), std::string("1"));
    QCOMPARE(ui(m_window).E_Serch->text().toStdString(), keyword);
    QCOMPARE(m_window->Session().mode(), SearchMode::Keyword);
    QVERIFY(ui(m_window).pnl_PageControls->isEnabled());
    const std::vector<std::string> ids = rowIds(tree());
    QVERIFY(std::find(ids.begin(), ids.end(), m_window->SelectedItem().NumIid) != ids.end());
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    SearchPagingTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_search_paging.moc"
