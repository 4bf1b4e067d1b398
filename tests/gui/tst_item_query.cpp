#include "gui_test_support.h"
#include "http_client.h"
#include "interface_pictures.h"
#include "item_query.h"
#include "local_http_server.h"
#include "sandbox_server.h"
#include "skin.h"
#include "uItemTree.h"
#include "ucommon.h"
#include "ufrmmain.h"

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

std::vector<std::string> rowIds(VirtualTree *tree)
{
    std::vector<std::string> ids;
    for (int i = 0; i < tree->topLevelCount(); ++i)
        ids.push_back(VirtualTree::nodeData<ItemRow>(tree->topLevelNode(i))->NumIid);
    return ids;
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
    void failedAnswersLeaveTheListEmptyAndSayNothing_data();
    void failedAnswersLeaveTheListEmptyAndSayNothing();

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
    installFontSubstitutions();
    m_sandbox = std::make_unique<sandbox::SandboxServer>(sandbox::SandboxConfig{});
    m_sandbox->start();
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
    m_window.reset();
    postFault("clear=1");
    std::error_code ignored;
    std::filesystem::remove_all(m_folder->path() / "temp", ignored);
    if (!m_messages->texts.empty())
        QFAIL(qPrintable(m_messages->texts.front()));
    m_messages.reset();
    verifyNoWindowLeft();
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
    m_window->LoadItemPage(m_window->BuildItemQuery(0, "连衣 裙", "", 1));
    // The page is listed before any download thread is made; the threads start once the
    // event loop runs again.
    QCOMPARE(m_window->Common().DownloadSlots.running(), std::size_t(0));
    const std::vector<std::string> ids = rowIds(m_window->itemTree);
    QVERIFY(!ids.empty() && ids.size() <= 40);
    const ItemList &items = m_window->Common().Items;
    QCOMPARE(items.size(), ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i) {
        QCOMPARE(items[i].NumIid, ids[i]);
        QVERIFY(items[i].Title.find("连衣裙") != std::string::npos);
        QVERIFY(items[i].Title.find("<span") == std::string::npos);
        QVERIFY(items[i].Picture && items[i].PicUrl.starts_with(m_sandbox->baseUrl()));
    }
    QVERIFY(waitForWorkers());
    for (const std::string &id : ids)
        QVERIFY(std::filesystem::file_size(*m_window->Common().CacheFileName(id)) > 0);

    // The next list replaces this one.
    m_window->LoadItemPage(m_window->Common().IndexUrl);
    QCOMPARE(m_window->itemTree->topLevelCount(), 40);
    QCOMPARE(m_window->Common().Items.size(), std::size_t(40));
    QVERIFY(rowIds(m_window->itemTree) != ids);
    QVERIFY(waitForWorkers());
}

void ItemQueryTest::categorySearchListsTheCategoryItems()
{
    const auto &catalogue = m_sandbox->catalogue();
    const auto &item = catalogue.items().front();
    m_window->SearchCategory(std::to_string(item.cid));
    QVERIFY(m_window->itemTree->topLevelCount() > 0);
    QVERIFY(m_window->FLastAddress.find("&cid=" + std::to_string(item.cid) + "&") !=
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
    peak = std::max(peak, threadCount());
    QVERIFY(waitForWorkers());
    sampler.stop();

    QCOMPARE(m_window->itemTree->topLevelCount(), int(kMaxAnswerItems));
    QCOMPARE(m_window->Common().DownloadSlots.peak(), TCommon::kMaxDownloadThreads);
    qInfo("threads: %d before, %d at the most while the pictures came", before, peak);
    // Four download threads, libcurl's name-lookup threads and the connection threads of the
    // two in-process servers, which start as connections come; without the cap the 200
    // containers read would start 200 download threads.
    QVERIFY(peak <= before + 10 * int(TCommon::kMaxDownloadThreads));
}

void ItemQueryTest::failedAnswersLeaveTheListEmptyAndSayNothing_data()
{
    QTest::addColumn<QString>("fault");
    for (const char *kind :
         {"not_found", "html", "truncated", "empty", "redirect_loop", "drop", "malformed"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
    QTest::newRow("bad signature") << QString();
    QTest::newRow("network down") << QStringLiteral("down");
}

void ItemQueryTest::failedAnswersLeaveTheListEmptyAndSayNothing()
{
    QFETCH(QString, fault);
    m_window->LoadItemPage(m_window->BuildItemQuery(0, "连衣裙", "", 1));
    QVERIFY(m_window->itemTree->topLevelCount() > 0);
    QVERIFY(waitForWorkers());

    std::string address = m_window->BuildItemQuery(0, "连衣裙", "", 3);
    if (fault.isEmpty())
        address.replace(address.find("&sign=") + 6, 4, "0000");
    else if (fault == "down")
        address = "http://127.0.0.1:1/router/rest?x=1";
    else
        postFault("path=/router/rest&kind=" + fault.toStdString() + "&times=1");
    m_window->Http().setTimeouts(2000, 4000);
    m_window->LoadItemPage(address);
    QCOMPARE(m_window->itemTree->topLevelCount(), 0);
    QVERIFY(m_window->Common().Items.empty());
    QCOMPARE(m_window->Common().Workers.size(), std::size_t(0));
    QVERIFY(m_messages->texts.empty());
}

QTEST_MAIN(ItemQueryTest)
#include "tst_item_query.moc"
