#include "core/ucommon.h"
#include "gateway/gateway.h"
#include "gateway/item_query.h"
#include "gateway_test_support.h"

#include <gtest/gtest.h>

#include <optional>

namespace quenbo {
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

TEST(ItemQueryElements, AreInTheirOrder)
{
    ItemQueryInput input{"K", "nick", SearchMode::Keyword, "ab", "77", 3, "2010-05-04 09:03:07"};
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
    EXPECT_EQ(ItemQueryElements(input), expected);
    input.mode = SearchMode::Category;
    EXPECT_EQ(ItemQueryElements(input).at(kSearchedElement), "&cid=77");
    input.mode = SearchMode::None;
    EXPECT_EQ(ItemQueryElements(input).at(kSearchedElement), "");
    EXPECT_EQ(RemoveBlanks(" a b\t c "), "ab\tc");
}

// The gateway of a program whose application key is the sandbox's.
class ItemQueryAddressTest : public ::testing::Test {
protected:
    testsupport::ProgramCommon m_program{{{"App_Key", "10000001"}}};
    Gateway m_gateway{m_program.common()};
};

TEST_F(ItemQueryAddressTest, KeywordIsSignedRawAndSentEncoded)
{
    const struct {
        const char *name;
        SearchMode mode;
        std::string keyword;
        std::string cid;
        int page;
        std::string sent;      // the keyword or cid element as sent; "" for none
        std::string signedAs;  // the same element as signed
    } cases[] = {
        {"blanks removed, every byte encoded", SearchMode::Keyword, "a b", "9", 1,
         "&keyword=%61%62", "&keyword=ab"},
        {"only blanks", SearchMode::Keyword, "   ", "", 1, "&keyword=", "&keyword="},
        {"chinese bytes", SearchMode::Keyword, "连衣 裙", "", 2,
         "&keyword=%E8%BF%9E%E8%A1%A3%E8%A3%99", "&keyword=连衣裙"},
        {"category unencoded", SearchMode::Category, "x", "50010", 12, "&cid=50010", "&cid=50010"},
        {"neither", SearchMode::None, "x", "1", 1, "", ""},
    };
    const TCommon &common = m_program.common();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string address = m_gateway.itemQueryAddress(c.mode, c.keyword, c.cid, c.page);
        EXPECT_TRUE(
            address.starts_with(common.GatewayUrl() + "app_key=10000001&end_commissionRate="))
            << address;
        EXPECT_EQ(parameter(address, "page_no"), std::to_string(c.page));
        EXPECT_EQ(parameter(address, "keyword").has_value(), c.mode == SearchMode::Keyword);
        EXPECT_EQ(parameter(address, "cid").has_value(), c.mode == SearchMode::Category);
        if (!c.sent.empty())
            EXPECT_NE(address.find(c.sent + "&method="), std::string::npos) << address;
        else
            EXPECT_NE(address.find("&format=xml&method="), std::string::npos) << address;

        // The signature covers the raw element and the bare placeholder.
        const std::optional<std::string> timestamp = parameter(address, "timestamp");
        ASSERT_TRUE(timestamp) << address;
        const ItemQueryInput input{
            common.Settings.AppKey, common.Settings.NickName, c.mode, "", "", c.page, *timestamp};
        std::vector<std::string> elements = ItemQueryElements(input);
        elements.at(kSearchedElement) = c.signedAs;
        EXPECT_EQ(parameter(address, "sign"), common.SignRequest(elements));
    }
}

TEST_F(ItemQueryAddressTest, SameInputsInOneSecondGiveOneAddress)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        const std::string first = m_gateway.itemQueryAddress(SearchMode::Keyword, "鞋", "", 4);
        const std::string second = m_gateway.itemQueryAddress(SearchMode::Keyword, "鞋", "", 4);
        if (parameter(first, "timestamp") == parameter(second, "timestamp")) {
            EXPECT_EQ(first, second);
            return;
        }
    }
    FAIL() << "the clock moved on at every attempt";
}

}  // namespace
}  // namespace quenbo
