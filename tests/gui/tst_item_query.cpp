#include "gui_test_support.h"
#include "http_client.h"
#include "item_query.h"
#include "jpeg_image.h"
#include "program_folder.h"
#include "sandbox_server.h"
#include "skin.h"
#include "uItemTree.h"
#include "ucommon.h"
#include "ufrmmain.h"
#include "xml_document.h"

#include <QTest>

#include <httplib.h>

#include <filesystem>
#include <memory>

using namespace quenbo;
using namespace quenbo::testsupport;

namespace {

// The keyword-or-category element among the item query's elements.
constexpr std::size_t kSearchedElement = 6;

// The value of name in the address's query, or nothing.
std::optional<std::string> parameter(const std::string &address, const std::string &name)
{
    const std::string key = "&" + name + "=";
    std::size_t at = address.find(key);
    std::size_t start = at + key.size();
    if (at == std::string::npos) {
        at = address.find("?" + name + "=");
        if (at == std::string::npos)
            return std::nullopt;
        start = at + name.size() + 2;
    }
    const std::size_t end = address.find('&', start);
    return address.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::vector<std::string> rowIds(VirtualTree *tree)
{
    std::vector<std::string> ids;
    for (int i = 0; i < tree->topLevelCount(); ++i)
        ids.push_back(VirtualTree::nodeData<ItemRow>(tree->topLevelNode(i))->NumIid);
    return ids;
}

// The record's field that the answer element name fills, as text; "commission" gives the
// commission and the cash-back made from it.
QString fieldOf(const TTaoBaoData &r, const TDownPic &job, const QString &name)
{
    const auto text = [](const std::string &value) { return QString::fromStdString(value); };
    if (name == "click_url")
        return text(r.ClickUrl);
    if (name == "commission")
        return QString::number(r.Commission) + " " + QString::number(r.CashBack);
    if (name == "item_location")
        return text(r.Location);
    if (name == "nick")
        return text(r.Nick);
    if (name == "num_iid")
        return text(r.NumIid) + " " + text(job.NumIid);
    if (name == "price")
        return text(r.Price);
    if (name == "pic_url")
        return text(r.PicUrl) + " " + text(job.PicUrl);
    if (name == "seller_credit_score")
        return QString::number(r.CreditScore);
    if (name == "shop_click_url")
        return text(r.ShopClickUrl);
    if (name == "title")
        return text(r.Title);
    if (name == "volume")
        return QString::number(r.Volume);
    return QStringLiteral("no such field");
}

}  // namespace

class ItemQueryTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void requestElementsAreInTheirOrder();
    void keywordIsSignedRawAndSentEncoded_data();
    void keywordIsSignedRawAndSentEncoded();
    void sameInputsInOneSecondGiveOneAddress();
    void answerWalkReadsWhatIsThere_data();
    void answerWalkReadsWhatIsThere();
    void laterValueOfARepeatedFieldWins_data();
    void laterValueOfARepeatedFieldWins();
    void rowExistsAsSoonAsItsIdIsRead();
    void keywordSearchListsThePageAndFetchesItsPictures();
    void categorySearchListsTheCategoryItems();
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
    m_folder->writeArchive(protectedConfig(sandboxSettings(m_sandbox->baseUrl())));
}

void ItemQueryTest::init()
{
    m_messages = std::make_unique<RecordedMessages>();
    m_window = std::make_unique<Tfrm_main>(m_folder->appDir());
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
}

void ItemQueryTest::postFault(const std::string &form)
{
    QVERIFY(postSandboxFault(m_sandbox->baseUrl(), form));
}

bool ItemQueryTest::waitForWorkers()
{
    return testsupport::waitForWorkers(*m_window);
}

void ItemQueryTest::requestElementsAreInTheirOrder()
{
    ItemQueryInput input{"K", "nick", 0, "ab", "77", 3, "2010-05-04 09:03:07"};
    const std::vector<std::string> expected = {
        "app_key=K",
        "&end_commissionRate=9500",
        "&end_credit=5goldencrown",
        "&end_price=500000",
        "&fields=num_iid,title,nick,pic_url,price,click_url,commission,commission_rate,"
        "commission_num,commission_volume,shop_click_url,seller_credit_score,item_location,volume",
        "&format=xml",
        "&keyword=ab",
        "&method=taobao.taobaoke.items.get",
        "&nick=nick",
        "&page_no=3",
        "&page_size=40",
        "&sign=",
        "&sort=credit_desc",
        "&start_commissionNum=5",
        "&start_commissionRate=1000",
        "&start_credit=1heart",
        "&start_price=1",
        "&timestamp=2010-05-04 09:03:07",
        "&v=2.0"};
    QVERIFY(ItemQueryElements(input) == expected);
    input.mode = 1;
    QCOMPARE(ItemQueryElements(input)[kSearchedElement], std::string("&cid=77"));
    input.mode = 7;
    QCOMPARE(ItemQueryElements(input)[kSearchedElement], std::string());
    QCOMPARE(RemoveBlanks(" a b\t c "), std::string("ab\tc"));
}

void ItemQueryTest::keywordIsSignedRawAndSentEncoded_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("cid");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("sent");     // the keyword or cid element as sent; "" for none
    QTest::addColumn<QString>("signedAs");  // the same element as signed
    QTest::newRow("blanks removed, every byte encoded")
        << 0 << "a b" << "9" << 1 << "&keyword=%61%62" << "&keyword=ab";
    QTest::newRow("only blanks") << 0 << "   " << "" << 1 << "&keyword=" << "&keyword=";
    QTest::newRow("chinese bytes") << 0 << "连衣 裙" << "" << 2 << "&keyword=%E8%BF%9E%E8%A1%A3%E8%A3%99"
                                   << "&keyword=连衣裙";
    QTest::newRow("category unencoded") << 1 << "x" << "50010" << 12 << "&cid=50010"
                                        << "&cid=50010";
    QTest::newRow("neither") << 5 << "x" << "1" << 1 << "" << "";
}

void ItemQueryTest::keywordIsSignedRawAndSentEncoded()
{
    QFETCH(int, mode);
    QFETCH(QString, keyword);
    QFETCH(QString, cid);
    QFETCH(int, page);
    QFETCH(QString, sent);
    QFETCH(QString, signedAs);
    const std::string address =
        m_window->BuildItemQuery(mode, keyword.toStdString(), cid.toStdString(), page);
    const TCommon &common = m_window->Common();
    QVERIFY2(address.starts_with(common.GatewayUrl() + "app_key=10000001&end_commissionRate="),
             address.c_str());
    QCOMPARE(parameter(address, "page_no"), std::optional<std::string>(std::to_string(page)));
    QCOMPARE(parameter(address, "keyword").has_value(), mode == 0);
    QCOMPARE(parameter(address, "cid").has_value(), mode == 1);
    if (!sent.isEmpty())
        QVERIFY(address.find(sent.toStdString() + "&method=") != std::string::npos);
    else
        QVERIFY(address.find("&format=xml&method=") != std::string::npos);

    // The signature covers the raw element and the bare placeholder.
    ItemQueryInput input{common.AppKey, common.NickName, mode, "", "", page,
                         *parameter(address, "timestamp")};
    std::vector<std::string> elements = ItemQueryElements(input);
    elements[kSearchedElement] = signedAs.toStdString();
    QCOMPARE(parameter(address, "sign"), std::optional<std::string>(common.SignRequest(elements)));
}

void ItemQueryTest::sameInputsInOneSecondGiveOneAddress()
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        const std::string first = m_window->BuildItemQuery(0, "鞋", "", 4);
        const std::string second = m_window->BuildItemQuery(0, "鞋", "", 4);
        if (parameter(first, "timestamp") == parameter(second, "timestamp")) {
            QCOMPARE(first, second);
            return;
        }
    }
    QFAIL("the clock moved on at every attempt");
}

void ItemQueryTest::answerWalkReadsWhatIsThere_data()
{
    QTest::addColumn<QString>("xml");
    // Per record "id|title|commission|cashback|credit|volume|price|picUrl|hasPicture";
    // per batch "[" and "]".
    QTest::addColumn<QStringList>("events");
    QTest::newRow("markup and numbers")
        << "<r><taobaoke_items><taobaoke_item><num_iid>1</num_iid>"
           "<title>&lt;span class=H&gt;A&lt;/span&gt; &amp;amp; B&lt;SPAN class=H&gt;</title>"
           "<commission>3.00</commission><seller_credit_score>12</seller_credit_score>"
           "<volume>7</volume><price>12.50</price><pic_url>http://p/1.jpg</pic_url>"
           "</taobaoke_item></taobaoke_items></r>"
        << QStringList{"[", "1|A  B<SPAN class=H>|3|1.5|12|7|12.50|http://p/1.jpg|1", "]"};
    QTest::newRow("numbers that are not numbers")
        << "<r><taobaoke_items><taobaoke_item><num_iid>2</num_iid><commission>abc</commission>"
           "<seller_credit_score>1.5</seller_credit_score><volume>x</volume>"
           "<price>面议</price></taobaoke_item></taobaoke_items></r>"
        << QStringList{"[", "2||0|0|0|0|面议||0", "]"};
    QTest::newRow("without num_iid or pic_url, later element wins")
        << "<r><taobaoke_items><taobaoke_item><nick>a</nick><title>t1</title><title>t2</title>"
           "</taobaoke_item></taobaoke_items></r>"
        << QStringList{"[", "|t2|0|0|0|0|||0", "]"};
    QTest::newRow("two containers, other elements skipped")
        << "<r><total_results>2</total_results><taobaoke_items/><x><taobaoke_items>"
           "<taobaoke_item><num_iid>9</num_iid></taobaoke_item></taobaoke_items></x>"
           "<taobaoke_items><item><num_iid>8</num_iid></item><taobaoke_item><NUM_IID>3</NUM_IID>"
           "</taobaoke_item></taobaoke_items></r>"
        << QStringList{"[", "]", "[", "||0|0|0|0|||0", "]"};
    QTest::newRow("error answer")
        << "<error_response><code>40</code><msg>Missing required arguments</msg></error_response>"
        << QStringList{};
}

void ItemQueryTest::answerWalkReadsWhatIsThere()
{
    QFETCH(QString, xml);
    QFETCH(QStringList, events);
    XmlDocument document;
    document.loadFromText(xml.toStdString());
    QStringList seen;
    ItemAnswerSteps steps;
    steps.beginBatch = [&] { seen << "["; };
    steps.endBatch = [&] { seen << "]"; };
    steps.itemId = [](const std::string &) {};
    steps.item = [&](TTaoBaoData r, TDownPic job) {
        QCOMPARE(job.NumIid, r.NumIid);
        QCOMPARE(job.PicUrl, r.PicUrl);
        seen << QString::fromStdString(
            r.NumIid + "|" + r.Title + "|" + QString::number(r.Commission).toStdString() + "|" +
            QString::number(r.CashBack).toStdString() + "|" + std::to_string(r.CreditScore) + "|" +
            std::to_string(r.Volume) + "|" + r.Price + "|" + r.PicUrl + "|" +
            (r.Picture && r.Picture->Empty() ? "1" : "0"));
    };
    ReadItemAnswer(document.documentElement(), steps);
    QCOMPARE(seen, events);
}

void ItemQueryTest::laterValueOfARepeatedFieldWins_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("earlier");
    QTest::addColumn<QString>("later");
    QTest::addColumn<QString>("read");  // as fieldOf gives it
    const auto row = [](const char *tag, const char *name, const char *earlier, const char *later,
                        const char *read) {
        QTest::newRow(tag) << QString(name) << QString(earlier) << QString(later) << QString(read);
    };
    row("click_url", "click_url", "http://c/1", "http://c/2", "http://c/2");
    row("commission", "commission", "4.00", "3.00", "3 1.5");
    row("commission, later not a number", "commission", "4.00", "x", "0 0");
    row("item_location", "item_location", "上海", "浙江 杭州", "浙江 杭州");
    row("nick", "nick", "甲", "乙", "乙");
    row("nick, later empty", "nick", "甲", "", "");
    row("num_iid", "num_iid", "5", "6", "6 6");
    row("price", "price", "9.90", "12.50", "12.50");
    row("pic_url", "pic_url", "http://p/1.jpg", "http://p/2.jpg", "http://p/2.jpg http://p/2.jpg");
    row("seller_credit_score", "seller_credit_score", "3", "12", "12");
    row("seller_credit_score, later not a number", "seller_credit_score", "3", "x", "0");
    row("shop_click_url", "shop_click_url", "http://s/1", "http://s/2", "http://s/2");
    row("title", "title", "t1", "&lt;span class=H&gt;t2&lt;/span&gt;", "t2");
    row("volume", "volume", "7", "70", "70");
    row("volume, later not a number", "volume", "7", "x", "0");
}

void ItemQueryTest::laterValueOfARepeatedFieldWins()
{
    QFETCH(QString, name);
    QFETCH(QString, earlier);
    QFETCH(QString, later);
    QFETCH(QString, read);
    const QString other = name == "num_iid" ? QString() : QStringLiteral("<num_iid>1</num_iid>");
    const QString xml = QStringLiteral("<r><taobaoke_items><taobaoke_item>%1<%2>%3</%2><x/>"
                                       "<%2>%4</%2></taobaoke_item></taobaoke_items></r>")
                            .arg(other, name, earlier, later);
    XmlDocument document;
    document.loadFromText(xml.toStdString());
    QStringList seen;
    ItemAnswerSteps steps;
    steps.beginBatch = [] {};
    steps.endBatch = [] {};
    steps.itemId = [](const std::string &) {};
    steps.item = [&](TTaoBaoData r, TDownPic job) { seen << fieldOf(r, job, name); };
    ReadItemAnswer(document.documentElement(), steps);
    QCOMPARE(seen, QStringList{read});
}

void ItemQueryTest::rowExistsAsSoonAsItsIdIsRead()
{
    XmlDocument document;
    document.loadFromText("<r><taobaoke_items><taobaoke_item><num_iid>5</num_iid>"
                          "<num_iid>6</num_iid><title>t</title></taobaoke_item>"
                          "</taobaoke_items></r>");
    QStringList seen;
    ItemAnswerSteps steps;
    steps.beginBatch = [] {};
    steps.endBatch = [] {};
    steps.itemId = [&](const std::string &id) { seen << QString::fromStdString("id " + id); };
    steps.item = [&](TTaoBaoData r, TDownPic) { seen << QString::fromStdString("item " + r.NumIid); };
    ReadItemAnswer(document.documentElement(), steps);
    QCOMPARE(seen, (QStringList{"id 5", "id 6", "item 6"}));
}

void ItemQueryTest::keywordSearchListsThePageAndFetchesItsPictures()
{
    m_window->LoadItemPage(m_window->BuildItemQuery(0, "连衣 裙", "", 1));
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

void ItemQueryTest::failedAnswersLeaveTheListEmptyAndSayNothing_data()
{
    QTest::addColumn<QString>("fault");
    for (const char *kind : {"not_found", "html", "truncated", "empty", "redirect_loop", "drop",
                             "malformed"})
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
