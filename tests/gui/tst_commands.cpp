#include "core/ucommon.h"
#include "gateway/version_check.h"
#include "gui_test_support.h"
#include "interface_pictures.h"
#include "platform/http_client.h"
#include "received_requests.h"
#include "sandbox/sandbox_server.h"
#include "ui/application.h"
#include "ui/browser_opener.h"
#include "ui/message_box.h"
#include "ui/skin.h"
#include "ui/uItemTree.h"
#include "ui/ufrmmain.h"
#include "window_controls.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <httplib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>

using namespace quenbo;
using namespace quenbo::testsupport;

namespace {

std::string replaceBase(std::string text, const std::string &base)
{
    const std::string marker = "{base}";
    for (auto at = text.find(marker); at != std::string::npos; at = text.find(marker))
        text.replace(at, marker.size(), base);
    return text;
}

std::vector<std::string> filesIn(const std::filesystem::path &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

// Chooses an item of a menu of the window's menu bar by keyboard, as a user does: Alt and the
// menu's access key open it at its first item, Down moves on by downs items and Return
// chooses. True when the menu opened and closed again with the choice.
bool chooseFromMenuBar(Tfrm_main &window, QMenu *menu, Qt::Key accessKey, int downs = 0)
{
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window))
        return false;
    QTest::keyClick(&window, accessKey, Qt::AltModifier);
    if (QApplication::activePopupWidget() != menu)
        return false;
    for (int i = 0; i < downs; ++i)
        QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);
    return !menu->isVisible();
}

// Clicks action in the open shop menu. True when the menu was open and closed with the choice.
bool chooseFromShopMenu(Tfrm_main &window, QAction *action)
{
    QMenu *menu = ui(window).Pop_MShop;
    if (!menu->isVisible())
        return false;
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
    return !menu->isVisible();
}

// Puts an item into the window's list as the gateway's answer would.
void listItem(Tfrm_main &window, const TTaoBaoData &record)
{
    ItemPage page;
    const ItemListModel &rows = itemRows(ui(window).itemTree);
    for (int i = 0; i < rows.rowCount(); ++i)
        page.records.push_back(rows.row(i).record);
    page.records.push_back(record);
    window.ItemListPresenter().ShowPage(std::move(page));
}

}  // namespace

// Drives the real main window against a sandbox on a free loopback port; the browser and the
// message boxes are replaced by recorders, and message boxes are answered with m_answer.
class CommandsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void versionCheckAsksOnlyForAnotherVersion_data();
    void versionCheckAsksOnlyForAnotherVersion();
    void firstLoadingEndsWithTheVersionCheck();
    void helpAndFeedbackOpenTheMakersPages_data();
    void helpAndFeedbackOpenTheMakersPages();
    void shopCommandOpensOnlyWebAddresses_data();
    void shopCommandOpensOnlyWebAddresses();
    void similarItemsSearchForTheEndOfTheRightPressedTitle();
    void dataCacheFollowsTheMenuAndActsAtExit_data();
    void dataCacheFollowsTheMenuAndActsAtExit();
    void exitClosesTheWindow();
    void errorsReachingTheEventLoopAreShownAndTheApplicationGoesOn();
    void guardedHandlersShowTheirErrorsAndTheApplicationGoesOn();

private:
    // A sandbox serving versionText as its version file, and the window of a program folder
    // whose settings point at it; siteSuffix is appended to the sandbox's address in SiteUrl.
    void startSandbox(const std::string &versionText = std::string(sandbox::kDefaultVersionText));
    std::unique_ptr<Tfrm_main> makeWindow(const std::string &siteSuffix = std::string());
    // The same window shown, without its first loading.
    std::unique_ptr<Tfrm_main> showWindow(const std::string &siteSuffix = std::string());
    void postFault(const std::string &form);
    std::string base() const { return m_sandbox->baseUrl(); }

    std::unique_ptr<sandbox::SandboxServer> m_sandbox;
    std::unique_ptr<ProgramFolder> m_folder;
    std::vector<MessageRequest> m_messages;
    QMessageBox::StandardButton m_answer = QMessageBox::Ok;
    std::vector<std::string> m_opened;
    MessageHandler m_previousHandler;
    BrowserOpener m_previousOpener;
};

void CommandsTest::initTestCase()
{
    installFontSubstitutions();
}

void CommandsTest::init()
{
    m_messages.clear();
    m_opened.clear();
    m_answer = QMessageBox::Ok;
    m_previousHandler = setMessageHandler([this](const MessageRequest &request) {
        m_messages.push_back(request);
        return m_answer;
    });
    m_previousOpener = setBrowserOpener(
        [this](const QUrl &url) { m_opened.push_back(url.toString().toStdString()); });
    startSandbox();
}

void CommandsTest::cleanup()
{
    setMessageHandler(std::move(m_previousHandler));
    setBrowserOpener(std::move(m_previousOpener));
    m_folder.reset();
    m_sandbox.reset();
    verifyNoWindowLeft();
}

void CommandsTest::startSandbox(const std::string &versionText)
{
    sandbox::SandboxConfig config;
    config.versionText = versionText;
    m_sandbox = std::make_unique<sandbox::SandboxServer>(config);
    m_sandbox->start();
    // Stopping a sandbox whose thread has not begun serving yet would wait for ever: one
    // answered request shows that it serves.
    httplib::Client client(base());
    const auto answer = client.Get("/");
    QVERIFY(answer && answer->status == 200);
}

std::unique_ptr<Tfrm_main> CommandsTest::makeWindow(const std::string &siteSuffix)
{
    auto settings = sandboxSettings(base());
    settings["SiteUrl"] = base() + siteSuffix;
    m_folder = std::make_unique<ProgramFolder>();
    m_folder->writeArchive(protectedConfig(settings), interfacePictures());
    return std::make_unique<Tfrm_main>(appDir(*m_folder));
}

std::unique_ptr<Tfrm_main> CommandsTest::showWindow(const std::string &siteSuffix)
{
    auto window = makeWindow(siteSuffix);
    if (!showWithoutStartup(*window))
        return nullptr;
    return window;
}

void CommandsTest::postFault(const std::string &form)
{
    httplib::Client client(base());
    auto result = client.Post("/__control/fault", form, "application/x-www-form-urlencoded");
    QVERIFY(result && result->status == 200);
}

void CommandsTest::versionCheckAsksOnlyForAnotherVersion_data()
{
    QTest::addColumn<QString>("versionText");
    QTest::addColumn<QString>("fault");  // the rule for /bate.txt, or empty
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("opened");  // with {base}, or empty for nothing opened

    const QString newer = "v2|{base}/download";
    const int ok = QMessageBox::Ok;
    const int cancel = QMessageBox::Cancel;
    QTest::newRow("this release") << "v1|{base}/download"
                                  << "" << ok << false << "";
    QTest::newRow("newer, OK") << newer << "" << ok << true << "{base}/download";
    QTest::newRow("newer, Cancel") << newer << "" << cancel << true << "";
    QTest::newRow("no separator") << "v2"
                                  << "" << ok << true << "";
    QTest::newRow("address not on the web") << "v2|file:///etc/passwd"
                                            << "" << ok << true << "";
    QTest::newRow("file too large")
        << newer + "|" + QString(int(kVersionMaxBytes), u'x') << "" << ok << false << "";
    QTest::newRow("not found") << newer << "kind=not_found" << ok << false << "";
    QTest::newRow("empty body") << newer << "kind=empty" << ok << false << "";
    QTest::newRow("connection dropped") << newer << "kind=drop" << ok << false << "";
    QTest::newRow("redirect loop") << newer << "kind=redirect_loop" << ok << false << "";
    QTest::newRow("never answers")
        << newer << QString("kind=slow&delay_ms=%1").arg(kVersionTotalTimeoutMs + 5000) << ok
        << false << "";
}

void CommandsTest::versionCheckAsksOnlyForAnotherVersion()
{
    QFETCH(QString, versionText);
    QFETCH(QString, fault);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(QString, opened);
    startSandbox(versionText.toStdString());
    if (!fault.isEmpty())
        postFault("path=/bate.txt&" + fault.toStdString());
    auto window = makeWindow();
    m_answer = QMessageBox::StandardButton(answer);

    window->CheckForUpdate();
    QVERIFY(waitForGateway(*window));

    QCOMPARE(m_messages.size(), std::size_t(asked ? 1 : 0));
    if (asked) {
        const MessageRequest &question = m_messages.front();
        QCOMPARE(question.text, QStringLiteral("检查到有新版本,是否现在进行升级"));
        QCOMPARE(question.caption, QStringLiteral("提示"));
        QCOMPARE(question.icon, QMessageBox::NoIcon);
        QCOMPARE(question.buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QVERIFY(question.parent == nullptr);
    }
    if (opened.isEmpty()) {
        QVERIFY(m_opened.empty());
        return;
    }
    QCOMPARE(m_opened, std::vector<std::string>{replaceBase(opened.toStdString(), base())});
    HttpClient http;
    QVERIFY(http.get(m_opened.front()).find("Quenbo 下载") != std::string::npos);
}

void CommandsTest::firstLoadingEndsWithTheVersionCheck()
{
    startSandbox("v2|{base}/download");
    auto window = makeWindow();
    int categoriesWhenAsked = -1;
    setMessageHandler([&](const MessageRequest &request) {
        m_messages.push_back(request);
        categoriesWhenAsked = ui(window).vlefttree->model()->rowCount();
        return QMessageBox::Ok;
    });
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QTRY_COMPARE(m_messages.size(), std::size_t(1));
    QVERIFY(!ui(window).trm_load->isActive());
    QVERIFY(categoriesWhenAsked > 0);
    QCOMPARE(window->Session().lastAddress(), window->Common().Settings.IndexUrl);
    QCOMPARE(m_opened, std::vector<std::string>{base() + "/download"});
}

void CommandsTest::helpAndFeedbackOpenTheMakersPages_data()
{
    QTest::addColumn<int>("downs");  // from "在线帮助", the help menu's first item shown
    QTest::addColumn<QString>("siteSuffix");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    const auto row = [](const char *tag, int downs, const char *siteSuffix, const char *path,
                        const char *title) {
        QTest::newRow(tag) << downs << QString(siteSuffix) << QString(path) << QString(title);
    };
    row("help", 0, "", "/blog/post/1.html", "Quenbo 在线帮助");
    row("feedback", 1, "", "/blog/post/3.html", "意见反馈");
    row("site address with a closing slash", 0, "/", "/blog/post/1.html", "Quenbo 在线帮助");
}

void CommandsTest::helpAndFeedbackOpenTheMakersPages()
{
    QFETCH(int, downs);
    QFETCH(QString, siteSuffix);
    QFETCH(QString, path);
    QFETCH(QString, title);
    auto window = showWindow(siteSuffix.toStdString());
    QVERIFY(window);
    QVERIFY(chooseFromMenuBar(*window, ui(window).N5->menu(), Qt::Key_H, downs));
    QCOMPARE(m_opened, std::vector<std::string>{base() + path.toStdString()});
    HttpClient http;
    const std::string page = http.get(m_opened.front());
    QVERIFY(page.find("<title>" + title.toStdString() + "</title>") != std::string::npos);
    QVERIFY(m_messages.empty());
}

void CommandsTest::shopCommandOpensOnlyWebAddresses_data()
{
    QTest::addColumn<QString>("shopUrl");  // with {base}; the item right-pressed, or none
    QTest::addColumn<bool>("opened");
    QTest::newRow("shop page") << "{base}/shop?sid=3" << true;
    QTest::newRow("no item remembered yet") << "" << false;
    QTest::newRow("local file") << "file:///etc/passwd" << false;
    QTest::newRow("script") << "javascript:alert(1)" << false;
}

void CommandsTest::shopCommandOpensOnlyWebAddresses()
{
    QFETCH(QString, shopUrl);
    QFETCH(bool, opened);
    auto window = showWindow();
    QVERIFY(window);
    const std::string address = replaceBase(shopUrl.toStdString(), base());
    TTaoBaoData item;
    item.NumIid = "31";
    item.Title = "店铺商品";
    item.ShopClickUrl = address;
    listItem(*window, item);
    // Without an item, the right press is below the only row, where it remembers nothing.
    const int y = address.empty() ? TItemTree::kRowHeight + 20 : 40;
    QTest::mouseClick(ui(window).itemTree->viewport(), Qt::RightButton, {}, QPoint(300, y));
    QCOMPARE(window->SelectedItem().ShopClickUrl, address);
    QVERIFY(chooseFromShopMenu(*window, ui(window).N_Goshop));
    if (!opened) {
        QVERIFY(m_opened.empty());
        return;
    }
    QCOMPARE(m_opened, std::vector<std::string>{address});
    HttpClient http;
    QVERIFY(http.get(address).find("的店铺</title>") != std::string::npos);
}

void CommandsTest::similarItemsSearchForTheEndOfTheRightPressedTitle()
{
    auto window = showWindow();
    QVERIFY(window);
    TTaoBaoData first;
    first.NumIid = "41";
    first.Title = "简约百搭的纯棉短袖 宽松圆领T恤";
    TTaoBaoData second;
    second.NumIid = "42";
    second.Title = "标题开头的长词 夏季 新品 连衣裙";
    listItem(*window, first);
    listItem(*window, second);
    ReceivedLog received(*m_sandbox);
    received.mark();

    QTest::mouseClick(ui(window).itemTree->viewport(), Qt::RightButton, {},
                      QPoint(300, TItemTree::kRowHeight + 40));
    QMenu *menu = ui(window).Pop_MShop;
    QVERIFY(menu->isVisible());
    QVERIFY(ui(window).N_Db->isEnabled());
    QTest::keyClick(menu, Qt::Key_Down);
    QCOMPARE(menu->activeAction(), ui(window).N_Db);
    QTest::keyClick(menu, Qt::Key_Return);
    QVERIFY(!menu->isVisible());
    QVERIFY(waitForGateway(*window));

    // The longest word of the title's last ten characters, " 夏季 新品 连衣裙", is searched.
    const std::vector<ReceivedRequest> asked = received.gateway();
    QCOMPARE(asked.size(), std::size_t(1));
    QCOMPARE(asked[0].param("keyword"), std::string("连衣裙"));
    QCOMPARE(asked[0].param("page_no"), std::string("1"));
    QCOMPARE(ui(window).E_Serch->text(), QStringLiteral("连衣裙"));
    QVERIFY(ui(window).itemTree->model()->rowCount() > 0);
    QVERIFY(itemRows(ui(window).itemTree).rowOf("42") < 0);
    QVERIFY(m_messages.empty());
}

void CommandsTest::dataCacheFollowsTheMenuAndActsAtExit_data()
{
    QTest::addColumn<int>("choices");
    QTest::addColumn<bool>("cacheOn");
    QTest::newRow("never chosen") << 0 << false;
    QTest::newRow("switched on") << 1 << true;
    QTest::newRow("switched on and off again") << 2 << false;
}

void CommandsTest::dataCacheFollowsTheMenuAndActsAtExit()
{
    QFETCH(int, choices);
    QFETCH(bool, cacheOn);
    auto window = showWindow();
    QVERIFY(window);
    QVERIFY(!ui(window).N4->isChecked() && !window->Common().Settings.DataCache);
    const std::filesystem::path cache = window->Common().Cache.folder();
    std::ofstream(cache / "1234.jpg") << "picture";

    for (int i = 0; i < choices; ++i)
        QVERIFY(chooseFromMenuBar(*window, ui(window).N3->menu(), Qt::Key_S));
    QCOMPARE(ui(window).N4->isChecked(), cacheOn);
    QCOMPARE(window->Common().Settings.DataCache, cacheOn);
    QCOMPARE(filesIn(cache).size(), std::size_t(1));  // nothing happens before exit

    window.reset();
    QCOMPARE(filesIn(cache).size(), std::size_t(cacheOn ? 1 : 0));
    Tfrm_main again(appDir(*m_folder));
    QCOMPARE(ui(again).N4->isChecked(), cacheOn);
    QCOMPARE(again.Common().Settings.DataCache, cacheOn);
}

void CommandsTest::exitClosesTheWindow()
{
    auto window = showWindow();
    QVERIFY(window);
    QVERIFY(chooseFromMenuBar(*window, ui(window).N1->menu(), Qt::Key_F));
    QVERIFY(!window->isVisible());
    QVERIFY(m_messages.empty());
}

void CommandsTest::errorsReachingTheEventLoopAreShownAndTheApplicationGoesOn()
{
    int runs = 0;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, [&runs] {
        if (++runs == 1)
            throw std::runtime_error("数据库已锁定");
        throw std::invalid_argument("bad id.");
    });
    timer.start(0);
    QTRY_COMPARE(runs, 1);
    timer.start(0);
    QTRY_COMPARE(runs, 2);
    QCOMPARE(m_messages.size(), std::size_t(2));
    QCOMPARE(m_messages[0].text, QStringLiteral("数据库已锁定."));
    QCOMPARE(m_messages[1].text, QStringLiteral("bad id."));
    for (const MessageRequest &shown : m_messages) {
        QCOMPARE(shown.caption, applicationTitle());
        QCOMPARE(shown.icon, QMessageBox::Critical);
        QCOMPARE(shown.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
}

void CommandsTest::guardedHandlersShowTheirErrorsAndTheApplicationGoesOn()
{
    QPushButton button(QStringLiteral("收藏"));
    int presses = 0;
    connect(&button, &QPushButton::clicked, [&presses] {
        runHandler([&presses] {
            ++presses;
            throw std::runtime_error("database is locked");
        });
    });
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(presses, 2);
    QCOMPARE(m_messages.size(), std::size_t(2));
    QCOMPARE(m_messages[1].text, QStringLiteral("database is locked."));
    QCOMPARE(m_messages[1].icon, QMessageBox::Critical);
}

int main(int argc, char *argv[])
{
    Application app(argc, argv);
    CommandsTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_commands.moc"
