#include "core/ucommon.h"
#include "gateway/gateway.h"
#include "gateway/material_search.h"
#include "gateway_test_support.h"
#include "item_answer_walk.h"
#include "pictures/jpeg_image.h"
#include "platform/xml_document.h"
#include "sandbox/query_string.h"
#include "sandbox/signature.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

namespace quenbo {
namespace {

constexpr const char *kOpaqueId = "e3R0dpHDtdmy9egpXuXoBFzt0-wKgkm2tQZ6kpryRf9";

// The value of the first parameter with this name; empty when there is none.
std::string value(const sandbox::QueryParams &params, std::string_view name)
{
    for (const auto &[key, text] : params)
        if (key == name)
            return text;
    return {};
}

TEST(MaterialQueryElements, CarryTheSearchTheFiltersAndTheSort)
{
    MaterialQueryInput input{
        {"K", "nick", SearchMode::Keyword, "ab", "77", 3, "2026-12-11 08:00:00"},
        "321",
        MaterialSort::Platform};
    const std::vector<std::string> expected = {"adzone_id=321",
                                               "&app_key=K",
                                               "",
                                               "&end_price=500000",
                                               "&end_tk_rate=9500",
                                               "&format=xml",
                                               "&method=taobao.tbk.dg.material.optional.upgrade",
                                               "&page_no=3",
                                               "&page_size=40",
                                               "&q=ab",
                                               "&sign=",
                                               "&sign_method=md5",
                                               "",
                                               "&start_price=1",
                                               "&start_tk_rate=1000",
                                               "&timestamp=2026-12-11 08:00:00",
                                               "&v=2.0"};
    EXPECT_EQ(MaterialQueryElements(input), expected);

    const struct {
        SearchMode mode;
        MaterialSort sort;
        std::string category, keyword, sortElement;
    } cases[] = {
        {SearchMode::Category, MaterialSort::PriceAscending, "&cat=77", "",
         "&sort=final_promotion_price_asc"},
        {SearchMode::Keyword, MaterialSort::PriceDescending, "", "&q=ab",
         "&sort=final_promotion_price_des"},
        {SearchMode::Keyword, MaterialSort::SalesDescending, "", "&q=ab", "&sort=total_sales_des"},
        {SearchMode::None, MaterialSort::Platform, "", "", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(int(c.mode));
        input.search.mode = c.mode;
        input.sort = c.sort;
        const std::vector<std::string> elements = MaterialQueryElements(input);
        EXPECT_EQ(elements[2], c.category);
        EXPECT_EQ(elements[9], c.keyword);
        EXPECT_EQ(elements[12], c.sortElement);
    }
}

TEST(MaterialQueryAddress, IsSignedAsThePlatformChecksIt)
{
    const testsupport::ProgramCommon program(
        {{"App_Key", "10000001"},
         {"ItemMethod", "taobao.tbk.dg.material.optional.upgrade"},
         {"AdzoneId", "10001"}});
    const TCommon &common = program.common();
    const Gateway gateway(common);
    for (const auto &[mode, keyword, cid] :
         {std::tuple{SearchMode::Keyword, std::string("连衣 裙&x=1"), std::string()},
          std::tuple{SearchMode::Category, std::string(), std::string("50010")}}) {
        const std::string address =
            gateway.itemQueryAddress(mode, keyword, cid, 2, MaterialSort::SalesDescending);
        ASSERT_TRUE(address.starts_with(common.GatewayUrl())) << address;
        const sandbox::QueryParams params = sandbox::parseQuery(sandbox::queryOf(address));
        EXPECT_TRUE(
            sandbox::signatureMatches(params, common.Settings.AppSecret, value(params, "sign")))
            << address;
        EXPECT_EQ(value(params, "method"), "taobao.tbk.dg.material.optional.upgrade");
        EXPECT_EQ(value(params, "adzone_id"), "10001");
        EXPECT_EQ(value(params, "sort"), "total_sales_des");
        EXPECT_EQ(value(params, "page_no"), "2");
        EXPECT_EQ(value(params, "sign_method"), "md5");
        if (mode == SearchMode::Keyword)
            EXPECT_EQ(value(params, "q"), "连衣裙&x=1");
        else
            EXPECT_EQ(value(params, "cat"), "50010");
    }
}

// The page of a material answer: "[" and "]" around the batch, each record as
// "id|title|nick|price|commission|cashback|credit|volume|location|click|shop|picUrl+suffix|hasPicture".
std::vector<std::string> walk(const std::string &xml)
{
    return testsupport::walkItemAnswer(xml, [](const TTaoBaoData &r, const TDownPic &job) {
        EXPECT_EQ(job.NumIid, r.NumIid);
        EXPECT_EQ(job.PicUrl, r.PicUrl);
        std::ostringstream text;
        text << r.NumIid << '|' << r.Title << '|' << r.Nick << '|' << r.Price << '|' << r.Commission
             << '|' << r.CashBack << '|' << r.CreditScore << '|' << r.Volume << '|' << r.Location
             << '|' << r.ClickUrl << '|' << r.ShopClickUrl << '|' << job.PicUrl + job.PicSuffix
             << '|' << (r.Picture && r.Picture->Empty());
        return text.str();
    });
}

std::string answer(const std::string &items)
{
    return "<tbk_dg_material_optional_upgrade_response><result_list list=\"true\">" + items +
           "</result_list><total_results>1</total_results><request_id>r</request_id>"
           "</tbk_dg_material_optional_upgrade_response><!--top011-->";
}

TEST(ReadMaterialAnswer, MapsTheNestedFieldsToTheListsRecords)
{
    const std::string full =
        std::string("<map_data><item_id>") + kOpaqueId +
        "</item_id><item_basic_info><title>&lt;span class=H&gt;连衣裙&lt;/span&gt; 新款</title>"
        "<pict_url>//img.example/i/1.jpg</pict_url><shop_title>某某旗舰店</shop_title>"
        "<seller_id>9</seller_id><user_type>1</user_type><volume>1234</volume>"
        "<provcity>浙江 杭州</provcity></item_basic_info><price_promotion_info>"
        "<reserve_price>199.00</reserve_price><zk_final_price>88.00</zk_final_price>"
        "<final_promotion_price>78.00</final_promotion_price></price_promotion_info>"
        "<publish_info><click_url>//s.click.example/t?e=1</click_url>"
        "<coupon_share_url>//uland.example/c</coupon_share_url><income_rate>15.5</income_rate>"
        "<income_info><commission_amount>13.64</commission_amount></income_info>"
        "</publish_info></map_data>";
    const struct {
        const char *name;
        std::string xml;
        std::vector<std::string> events;
    } cases[] = {
        {"every field",
         answer(full),
         {"[",
          std::string(kOpaqueId) +
              "|连衣裙 新款|某某旗舰店|88.00|13.64|6.82|0|1234|浙江 杭州|https://s.click.example/"
              "t?e=1||https://img.example/i/1.jpg_310x310.jpg|1",
          "]"}},
        {"no income rate, full addresses, a price that is no number",
         answer("<map_data><item_id>7</item_id><item_basic_info><pict_url>http://p/7</pict_url>"
                "</item_basic_info><price_promotion_info><zk_final_price>面议</zk_final_price>"
                "</price_promotion_info><publish_info><click_url>http://c/7</click_url>"
                "</publish_info></map_data>"),
         {"[", "7|||面议|0|0|0|0||http://c/7||http://p/7_310x310.jpg|1", "]"}},
        {"an id of other bytes is kept as text",
         answer("<map_data><item_id>../a b</item_id></map_data>"),
         {"[", "../a b||||0|0|0|0||||_310x310.jpg|0", "]"}},
        {"a group within a group is not read",
         answer("<map_data><item_basic_info><item_basic_info><title>deep</title>"
                "</item_basic_info></item_basic_info></map_data>"),
         {"[", "||||0|0|0|0||||_310x310.jpg|0", "]"}},
        {"an empty result leaves the list out",
         "<tbk_dg_material_optional_upgrade_response><total_results>0</total_results>"
         "<request_id>r</request_id></tbk_dg_material_optional_upgrade_response>",
         {}},
        {"a refusal",
         "<error_response><code>15</code><msg>Remote service error</msg><sub_code>2</sub_code>"
         "<sub_msg>pid不正确，请检查是否输入了正确的adzoneId和siteId</sub_msg></error_response>",
         {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(walk(c.xml), c.events);
    }
}

TEST(ReadMaterialAnswer, ReadsAtMostTheCappedItems)
{
    std::string items;
    for (std::size_t i = 0; i < kMaxAnswerItems + 5; ++i)
        items += "<map_data><item_id>" + std::to_string(i) + "</item_id></map_data>";
    const std::vector<std::string> seen = walk(answer(items));
    ASSERT_EQ(seen.size(), kMaxAnswerItems + 2);
    // The first items of the answer, in its order.
    EXPECT_TRUE(seen[1].starts_with("0|")) << seen[1];
    EXPECT_TRUE(seen[kMaxAnswerItems].starts_with(std::to_string(kMaxAnswerItems - 1) + "|"))
        << seen[kMaxAnswerItems];
}

}  // namespace
}  // namespace quenbo
