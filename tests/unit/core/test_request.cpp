#include "core/ucommon.h"
#include "program_folder.h"

#include <gtest/gtest.h>

#include <cctype>

namespace quenbo {
namespace {

using Elements = std::vector<std::string>;

class RequestTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir.writeStandardArchive();
        m_zip = m_dir.openArchive();
        m_common = std::make_unique<TCommon>(*m_zip, m_dir.appPath());
    }

    testsupport::ProgramFolder m_dir;
    std::unique_ptr<TZipFile> m_zip;
    std::unique_ptr<TCommon> m_common;
};

const Elements kCategoryQuery = {
    "app_key=12345678",
    "&fields=cid,parent_cid,name,is_parent",
    "&format=xml",
    "&method=taobao.itemcats.get",
    "&parent_cid=0",
    "&sign=",
    "&timestamp=2024-01-02 03:04:05",
    "&v=2.0",
};

// The item query by category places its cid element right after format.
const Elements kItemQueryByCategory = {
    "app_key=12345678",
    "&format=xml",
    "&cid=50010",
    "&fields=num_iid,title",
    "&method=taobao.taobaoke.items.get",
    "&nick=tester",
    "&page_no=1",
    "&sign=",
    "&timestamp=2024-01-02 03:04:05",
    "&v=2.0",
};

std::string Joined(const Elements &elements)
{
    std::string text;
    for (const auto &e : elements)
        text += e;
    return text;
}

TEST(SortParams, OrdersWithoutRegardToCaseAndKeepsAParameterList)
{
    const struct {
        Elements in, out;
    } cases[] = {
        {{"b", "a", "c"}, {"a", "b", "c"}},
        {{"Beta", "alpha", "CHI", "delta"}, {"alpha", "Beta", "CHI", "delta"}},
        {{"v2.0", "app_key1", "timestampx", "cid5", "page_size40", "page_no1"},
         {"app_key1", "cid5", "page_no1", "page_size40", "timestampx", "v2.0"}},
        {kItemQueryByCategory, kItemQueryByCategory},
        {kCategoryQuery, kCategoryQuery},
        {{}, {}},
    };
    for (const auto &c : cases) {
        Elements sorted = c.in;
        TCommon::SortParams(sorted);
        EXPECT_EQ(sorted, c.out) << Joined(c.in);
    }
}

TEST_F(RequestTest, SignsTheCategoryQueryAndKeepsTheCallersList)
{
    Elements elements = kCategoryQuery;
    // MD5 of "test-secret" followed by the name-value pairs in order, from md5sum.
    EXPECT_EQ(m_common->SignRequest(elements), "D9BE9B113D5857E06334555EA066ED65");
    EXPECT_EQ(elements, kCategoryQuery);
    const std::string url = m_common->BuildRequestUrl(elements);
    EXPECT_EQ(elements, kCategoryQuery);
    EXPECT_EQ(url, "http://gw.api.taobao.com/router/rest?" + Joined(kCategoryQuery));
}

TEST_F(RequestTest, SignsTheCidPairAfterAppKeyButShowsItAfterFormat)
{
    // Signed text: app_key, cid, fields, format, method, nick, page_no, timestamp, v.
    EXPECT_EQ(m_common->SignRequest(kItemQueryByCategory), "4D538BB0AA2ADA1B3AF664C4D41EF264");
    const std::string url = m_common->BuildRequestUrl(kItemQueryByCategory);
    EXPECT_NE(url.find("app_key=12345678&format=xml&cid=50010&fields="), std::string::npos) << url;
}

TEST_F(RequestTest, SignsAKeywordWithItsSpecialCharactersInPlace)
{
    const Elements elements = {
        "app_key=12345678", "&fields=title", "&format=xml", "&keyword=a=b&sign",
        "&method=m",        "&sign=",        "&v=2.0"};
    EXPECT_EQ(m_common->SignRequest(elements), "C72046F8A9C0D0FF7B30378FD9293584");
}

TEST_F(RequestTest, SignatureIsThirtyTwoUpperCaseDigitsAndIgnoresAFilledSign)
{
    Elements elements = kCategoryQuery;
    const std::string sign = m_common->SignRequest(elements);
    ASSERT_EQ(sign.size(), 32u);
    for (const char c : sign)
        EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F')) << sign;
    elements[5] = "&sign=" + sign;
    EXPECT_EQ(m_common->SignRequest(elements), sign);
    EXPECT_NE(m_common->BuildRequestUrl(elements).find("&sign=" + sign + "&timestamp="),
              std::string::npos);
}

TEST_F(RequestTest, GatewaySettingReplacesTheProductionHost)
{
    EXPECT_EQ(m_common->GatewayUrl(), "http://gw.api.taobao.com/router/rest?");
    m_common->Settings.GatewayAddress = "http://127.0.0.1:8360";
    EXPECT_EQ(m_common->GatewayUrl(), "http://127.0.0.1:8360/router/rest?");
    m_common->Settings.GatewayAddress = "http://127.0.0.1:8360/";
    EXPECT_EQ(m_common->BuildRequestUrl({"app_key=1"}),
              "http://127.0.0.1:8360/router/rest?app_key=1");
}

TEST(UrlEncode, EncodesEveryByte)
{
    const struct {
        std::string text;
        bool plus;
        const char *encoded;
    } cases[] = {
        {"", false, ""},
        {"ab", false, "%61%62"},
        {"a b", true, "%61+%62"},
        {"a b", false, "%61%20%62"},
        {"中", false, "%E4%B8%AD"},
        {std::string("\0&=", 3), false, "%00%26%3D"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TCommon::UrlEncode(c.text, c.plus), c.encoded);
}

TEST(CashBackCode, GivesSixDigitsOrNothing)
{
    const struct {
        const char *amount, *code;
    } cases[] = {
        {"1.5", "000150"},  {"12.34", "001234"},  {"0.05", "000005"},    {"3", "000300"},
        {"0", "000000"},    {"", "000000"},       {"9999.99", "999999"}, {"10000", ""},
        {"10000.5", ""},    {"0.5", "000050"},    {"123.4", "012340"},   {"1.234", ""},
        {"9999", "999900"}, {"1234.5", "123450"}, {"12345.6", ""},       {"1.", ""},
        {".5", "000050"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TCommon::CashBackCode(c.amount), c.code) << c.amount;
}

TEST_F(RequestTest, CashBackAddressJoinsPrefixIdAndCode)
{
    TTaoBaoData item;
    item.NumIid = "123456";
    item.CashBack = CashBack(3.00);
    EXPECT_EQ(m_common->CashBackUrl(item), "http://127.0.0.1:1/fanxian?id=123456000150");
    item.CashBack = CashBack(0.25);
    EXPECT_EQ(m_common->CashBackUrl(item), "http://127.0.0.1:1/fanxian?id=123456000012");
}

}  // namespace
}  // namespace quenbo
