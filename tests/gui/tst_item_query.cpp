#include "core/ucommon.h"
#include "gateway/gateway.h"
#include "gateway/gateway_exchanges.h"
#include "gateway/item_query.h"
#include "gui_test_support.h"
#include "interface_pictures.h"
#include "local_http_server.h"
#include "platform/http_client.h"
#include "sandbox/sandbox_server.h"
#include "ui/skin.h"
#include "ui/uItemTree.h"
#include "ui/ufrmmain.h"
#include "window_controls.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

#include <httplib.h>

#include <algorithm>
#include <filesystem>
#include <memory>

using namespace quenbo;
using namespace quenbo::testsupport;

namespace {

// The threads of this process now.
int threadCount()
{
    return int(std::distance(std::filesystem::directory_iterator("/proc/self/task"), {}));
}

}  // namespace

class ItemQueryTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void keywordSearchListsThePageAndFetchesItsPictures();
    void categorySearchListsTheCategoryItems();
    void manyContainersStartAtMostFourDownloadThreads();
    void failedAnswersLeaveTheListEmptyAndSaySo_data();
    void failedAnswersLeaveTheListEmptyAndSaySo();
    void searchWithoutItemsSaysSo();

private:
    void postFault(const std::string &form);
    bool waitForWorkers();

    std::unique_ptr<sandbox::SandboxServer> m_sandbox;
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<RecordedMessages> m_messages;
    std::unique_ptr<Tfrm_main> m_window;
};

void ItemQueryTest::initTestCase()
{
    m_sandbox = startSuiteSandbox();
    m_folder = std::make_unique<ProgramFolder>();
    writeSandboxArchive(*m_folder, m_sandbox->baseUrl());
}

void ItemQueryTest::init()
{
    m_messages = std::make_unique<RecordedMessages>();
    m_window = std::make_unique<Tfrm_main>(appDir(*m_folder));
}

void ItemQueryTest::cleanup()
{
    finishWindowTest(m_window, m_messages, m_sandbox->baseUrl());
    std::error_code ignored;
    std::filesystem::remove_all(m_folder->path() / "temp", ignored);
}

void ItemQueryTest::postFault(const std::string &form)
{
    QVERIFY(postSandboxFault(m_sandbox->baseUrl(), form));
}

bool ItemQueryTest::waitForWorkers()
{
    return testsupport::waitForWorkers(*m_window);
}

void ItemQueryTest::keywordSearchListsThePageAndFetchesItsPictures()
{
    m_window->LoadItemPage(m_window->BuildItemQuery(SearchMode::Keyword, "连衣 裙", "", 1));
    QVERIFY(waitForGateway(*m_window));
    // The page is listed before any download thread is made; the threads start once the
    // event loop runs again.
    QCOMPARE(m_window->Common().DownloadSlots.running(), std::size_t(0));
    const std::vector<std::string> ids = rowIds(ui(m_window).itemTree);
    QVERIFY(!ids.empty() && ids.size() <= 40);
    const ItemListModel &items = itemRows(ui(m_window).itemTree);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const TTaoBaoData &record = items.row(int(i)).record;
        QVERIFY(record.Title.find("连衣裙") != std::string::npos);
        QVERIFY(record.Title.find("<span") == std::string::npos);
        QVERIFY(record.Picture && record.PicUrl.starts_with(m_sandbox->baseUrl()));
    }
    QVERIFY(waitForWorkers());
    for (const std::string &id : ids)
        QVERIFY(std::filesystem::file_size(*m_window->Common().CacheFileName(id)) > 0);

    // The next list replaces this one.
    m_window->LoadItemPage(m_window->Common().Settings.IndexUrl);
    QVERIFY(waitForGateway(*m_window));
    QCOMPARE(ui(m_window).itemTree->model()->rowCount(), 40);
    QVERIFY(rowIds(ui(m_window).itemTree) != ids);
    QVERIFY(waitForWorkers());
}

void ItemQueryTest::categorySearchListsTheCategoryItems()
{
    const auto &catalogue = m_sandbox->catalogue();
    const auto &item = catalogue.items().front();
    m_window->SearchCategory(std::to_string(item.cid));
    QVERIFY(waitForGateway(*m_window));
    QVERIFY(ui(m_window).itemTree->model()->rowCount() > 0);
    QVERIFY(m_window->Session().lastAddress().find("&cid=" + std::to_string(item.cid) + "&") !=
            std::string::npos);
    QVERIFY(waitForWorkers());
}

void ItemQueryTest::manyContainersStartAtMostFourDownloadThreads()
{
    // An answer of 10,000 containers of one item each, every picture slow to come.
    const std::string base = m_sandbox->baseUrl();
    std::string answer = "<taobaoke_items_get_response>";
    for (int i = 0; i < 10000; ++i)
        answer += "<taobaoke_items><taobaoke_item><num_iid>" + std::to_string(900000 + i) +
                  "</num_iid><pic_url>" + base + "/pic/" + std::to_string(900000 + i) +
                  "</pic_url></taobaoke_item></taobaoke_items>";
    answer += "</taobaoke_items_get_response>";
    LocalHttpServer server;
    server.server().Get("/many.xml", [&](const httplib::Request &, httplib::Response &res) {
        res.set_content(answer, "text/xml");
    });
    server.start();
    postFault("path=/pic/900000_b.jpg&kind=slow&delay_ms=300");

    const int before = threadCount();
    int peak = before;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] { peak = std::max(peak, threadCount()); });
    sampler.start(1);
    m_window->LoadItemPage(server.baseUrl() + "/many.xml");
    QVERIFY(waitForGateway(*m_window));
    peak = std::max(peak, threadCount());
    QVERIFY(waitForWorkers());
    sampler.stop();

    QCOMPARE(ui(m_window).itemTree->model()->rowCount(), int(kMaxAnswerItems));
    QCOMPARE(m_window->Common().DownloadSlots.peak(), TCommon::kMaxDownloadThreads);
    qInfo("threads: %d before, %d at the most while the pictures came", before, peak);
    // Four download threads, libcurl's name-lookup threads and the connection threads of the
    // two in-process servers, which start as connections come; without the cap the 200
    // containers read would start 200 download threads.
    QVERIFY(peak <= before + 10 * int(TCommon::kMaxDownloadThreads));
}

void ItemQueryTest::failedAnswersLeaveTheListEmptyAndSaySo_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("status");  // what the status line says
    const QString unreadable = QStringLiteral("搜索失败：服务器的回答无法解析");
    QTest::newRow("not_found") << "not_found" << QStringLiteral("搜索失败：服务器返回 HTTP 404");
    QTest::newRow("html") << "html" << unreadable;
    QTest::newRow("truncated") << "truncated" << unreadable;
    QTest::newRow("empty") << "empty" << unreadable;
    QTest::newRow("malformed") << "malformed" << unreadable;
    QTest::newRow("redirect_loop")
        << "redirect_loop" << QStringLiteral("搜索失败：服务器的转向无法跟随");
    QTest::newRow("drop") << "drop" << QStringLiteral("搜索失败：无法连接到服务器");
    QTest::newRow("network down") << "down" << QStringLiteral("搜索失败：无法连接到服务器");
    QTest::newRow("time-out") << "slow"
                              << QStringLiteral("搜索失败：服务器没有及时回答（连接超时）");
    QTest::newRow("bad signature") << QString() << QStringLiteral("搜索失败：Invalid Signature");
}

void ItemQueryTest::failedAnswersLeaveTheListEmptyAndSaySo()
{
    QFETCH(QString, fault);
    QFETCH(QString, status);
    m_window->LoadItemPage(m_window->BuildItemQuery(SearchMode::Keyword, "连衣裙", "", 1));
    QVERIFY(waitForGateway(*m_window));
    QVERIFY(ui(m_window).itemTree->model()->rowCount() > 0);
    QVERIFY(ui(m_window).L_Status->text().isEmpty());
    QVERIFY(waitForWorkers());

    std::string address = m_window->BuildItemQuery(SearchMode::Keyword, "连衣裙", "", 3);
    if (fault.isEmpty())
        address.replace(address.find("&sign=") + 6, 4, "0000");
    else if (fault == "down")
        address = "http://127.0.0.1:1/router/rest?x=1";
    else
        postFault("path=/router/rest&kind=" + fault.toStdString() + "&delay_ms=3000");
    m_window->Exchanges().setTransferLimits(2000, 1000, Gateway::kMaxAnswerBytes);
    m_window->LoadItemPage(address);
    QCOMPARE(ui(m_window).L_Status->text(), QStringLiteral("正在搜索 …"));
    QVERIFY(waitForGateway(*m_window));
    QCOMPARE(ui(m_window).itemTree->model()->rowCount(), 0);
    QCOMPARE(m_window->Common().Workers.size(), std::size_t(0));
    // Nothing pops up; the status line says what failed, until the next success.
    QVERIFY(m_messages->texts.empty());
    QCOMPARE(ui(m_window).L_Status->text(), status);
    postFault("clear=1");
    m_window->LoadItemPage(m_window->BuildItemQuery(SearchMode::Keyword, "连衣裙", "", 1));
    QVERIFY(waitForGateway(*m_window));
    QVERIFY(ui(m_window).L_Status->text().isEmpty());
    QVERIFY(waitForWorkers());
}

void ItemQueryTest::searchWithoutItemsSaysSo()
{
    m_window->LoadItemPage(m_window->BuildItemQuery(SearchMode::Keyword, "没有这样的商品", "", 1));
    QVERIFY(waitForGateway(*m_window));
    QCOMPARE(ui(m_window).itemTree->model()->rowCount(), 0);
    QCOMPARE(ui(m_window).L_Status->text(), QStringLiteral("没有找到商品"));
}

QTEST_MAIN(ItemQueryTest)
#include "tst_item_query.moc"
