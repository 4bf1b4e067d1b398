// The material search (taobao.tbk.dg.material.optional.upgrade) beside the old item method:
// its answer shape, its checks, its paging and orders, and the pictures and pages behind its
// opaque item ids.
#include "sandbox/gateway.h"
#include "sandbox/text_format.h"
#include "sandbox_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <regex>
#include <set>

namespace quenbo::sandbox::test {
namespace {

const std::string kMaterial(kMaterialMethod);
const std::string kWrongAdzone =
    R"(<?xml version="1.0" encoding="utf-8"?><error_response><code>15</code>)"
    "<msg>Remote service error</msg><sub_code>2</sub_code>"
    "<sub_msg>pid不正确，请检查是否输入了正确的adzoneId和siteId</sub_msg></error_response>";

// The parameters with name set to value (appended when absent), or removed for nothing.
Params with(Params params, const std::string &name, const std::optional<std::string> &value)
{
    const auto found = std::find_if(params.begin(), params.end(),
                                    [&](const auto &param) { return param.first == name; });
    if (!value) {
        if (found != params.end())
            params.erase(found);
    } else if (found != params.end()) {
        found->second = *value;
    } else {
        params.emplace_back(name, *value);
    }
    return params;
}

Params with(Params params, const Params &changes)
{
    for (const auto &[name, value] : changes)
        params = with(std::move(params), name, value);
    return params;
}

// What the client sends, less q and cat.
Params materialQuery(const Params &changes = {})
{
    Params params = commonParams(kMaterial);
    params = with(std::move(params), {{"adzone_id", std::string(kDefaultAdzoneId)},
                                      {"end_price", "500000"},
                                      {"end_tk_rate", "9500"},
                                      {"page_no", "1"},
                                      {"page_size", "40"},
                                      {"sign_method", "md5"},
                                      {"start_price", "1"},
                                      {"start_tk_rate", "1000"}});
    return with(std::move(params), changes);
}

// The old method's query with the same bounds.
Params itemQuery(const Params &changes)
{
    Params params = commonParams(std::string(kItemsMethod));
    params = with(std::move(params), {{"fields", "num_iid,title"},
                                      {"nick", "推广者"},
                                      {"page_no", "1"},
                                      {"page_size", "40"},
                                      {"start_price", "1"},
                                      {"end_price", "500000"},
                                      {"start_commissionRate", "1000"},
                                      {"end_commissionRate", "9500"}});
    return with(std::move(params), changes);
}

const char *const kRoot = "tbk_dg_material_optional_upgrade_response";

std::vector<pugi::xml_node> mapData(const pugi::xml_document &doc)
{
    const auto range = doc.child(kRoot).child("result_list").children("map_data");
    return {range.begin(), range.end()};
}

// The text at a path of child names below node.
std::string at(pugi::xml_node node, std::initializer_list<const char *> path)
{
    for (const char *name : path)
        node = node.child(name);
    return node.text().get();
}

std::vector<std::string> childNames(pugi::xml_node node)
{
    std::vector<std::string> names;
    for (const pugi::xml_node child : node.children())
        names.push_back(child.name());
    return names;
}

int totalOf(const pugi::xml_document &doc)
{
    return doc.child(kRoot).child("total_results").text().as_int();
}

int errorCode(const std::string &body)
{
    return parseXml(body).child("error_response").child("code").text().as_int();
}

TEST(MaterialSearch, AnswerHasThePlatformShape)
{
    RunningSandbox sandbox;
    const std::string target = signedTarget(materialQuery({{"q", "包"}}));
    const auto answer = sandbox.get(target);
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.get_header_value("Content-Type"), "text/xml; charset=utf-8");
    EXPECT_EQ(answer.body.rfind(R"(<?xml version="1.0" encoding="utf-8"?>)", 0), 0u);
    // The platform writes a comment after its document element.
    const std::string close = std::string("</") + kRoot + "><!--";
    ASSERT_NE(answer.body.find(close), std::string::npos);
    EXPECT_TRUE(answer.body.ends_with("-->"));
    EXPECT_EQ(answer.body.find("-->"), answer.body.size() - 3);
    EXPECT_EQ(sandbox.get(target).body, answer.body);

    const pugi::xml_document doc = parseXml(answer.body);
    const pugi::xml_node root = doc.child(kRoot);
    EXPECT_EQ(childNames(root),
              (std::vector<std::string>{"result_list", "total_results", "request_id"}));
    EXPECT_STREQ(root.child("result_list").attribute("list").value(), "true");
    EXPECT_GT(totalOf(doc), 40);
    EXPECT_FALSE(std::string(root.child("request_id").text().get()).empty());

    const Catalogue &catalogue = sandbox.server().catalogue();
    const std::string base = sandbox.server().baseUrl();
    const std::string relativeBase = base.substr(std::string("http:").size());
    const std::regex opaque("[0-9A-Za-z]{25}-[0-9A-Za-z]{17}");
    const auto items = mapData(doc);
    ASSERT_EQ(items.size(), 40u);
    for (const pugi::xml_node item : items) {
        EXPECT_EQ(childNames(item),
                  (std::vector<std::string>{"item_id", "item_basic_info", "price_promotion_info",
                                            "publish_info"}));
        EXPECT_EQ(childNames(item.child("item_basic_info")),
                  (std::vector<std::string>{"title", "pict_url", "shop_title", "seller_id",
                                            "user_type", "volume", "provcity"}));
        EXPECT_EQ(
            childNames(item.child("price_promotion_info")),
            (std::vector<std::string>{"reserve_price", "zk_final_price", "final_promotion_price"}));
        EXPECT_EQ(childNames(item.child("publish_info")),
                  (std::vector<std::string>{"click_url", "coupon_share_url", "income_rate",
                                            "income_info"}));
        EXPECT_EQ(childNames(item.child("publish_info").child("income_info")),
                  (std::vector<std::string>{"commission_amount", "commission_rate"}));

        const std::string id = at(item, {"item_id"});
        ASSERT_TRUE(std::regex_match(id, opaque)) << id;
        const Item *found = catalogue.findOpaqueItem(id);
        ASSERT_NE(found, nullptr) << id;
        const Seller &seller = catalogue.sellers()[found->seller];
        EXPECT_NE(at(item, {"item_basic_info", "title"}).find("<span class=H>包</span>"),
                  std::string::npos);
        EXPECT_EQ(at(item, {"item_basic_info", "pict_url"}), base + "/pic/" + id);
        EXPECT_EQ(at(item, {"item_basic_info", "shop_title"}), seller.nick);
        EXPECT_EQ(at(item, {"item_basic_info", "seller_id"}), std::to_string(found->seller));
        EXPECT_EQ(at(item, {"item_basic_info", "volume"}), std::to_string(found->volume));
        EXPECT_EQ(at(item, {"item_basic_info", "provcity"}), seller.location);
        EXPECT_EQ(at(item, {"price_promotion_info", "zk_final_price"}), yuanText(found->priceFen));
        const double reserve = std::stod(at(item, {"price_promotion_info", "reserve_price"}));
        const double price = std::stod(at(item, {"price_promotion_info", "zk_final_price"}));
        const double promotion =
            std::stod(at(item, {"price_promotion_info", "final_promotion_price"}));
        EXPECT_TRUE(promotion <= price && price <= reserve) << promotion << " " << reserve;
        EXPECT_EQ(at(item, {"publish_info", "click_url"}), relativeBase + "/click?id=" + id);
        EXPECT_EQ(at(item, {"publish_info", "coupon_share_url"}).rfind(relativeBase + "/", 0), 0u);
        EXPECT_DOUBLE_EQ(std::stod(at(item, {"publish_info", "income_rate"})),
                         found->commissionRate / 100.0);
        EXPECT_EQ(at(item, {"publish_info", "income_info", "commission_rate"}),
                  at(item, {"publish_info", "income_rate"}));
    }
}

TEST(MaterialSearch, FindsTheOldMethodsItemsInTheSameOrder)
{
    RunningSandbox sandbox;
    const std::string top = std::to_string(sandbox.server().catalogue().categories().front().cid);
    const struct {
        Params material;
        Params old;
    } cases[] = {
        {{{"q", "鞋"}}, {{"keyword", "鞋"}}},
        {{{"q", "mini"}, {"page_no", "2"}, {"page_size", "10"}},
         {{"keyword", "mini"}, {"page_no", "2"}, {"page_size", "10"}}},
        {{{"q", "&"}}, {{"keyword", "&"}}},
        {{{"cat", top}, {"page_no", "3"}}, {{"cid", top}, {"page_no", "3"}}},
        {{{"cat", "50010000"}, {"q", "新款"}}, {{"cid", "50010000"}, {"keyword", "新款"}}},
    };
    for (const auto &c : cases) {
        const std::string label = c.material.front().second;
        const pugi::xml_document material =
            parseXml(sandbox.get(signedTarget(materialQuery(c.material))).body);
        const pugi::xml_document old = parseXml(sandbox.get(signedTarget(itemQuery(c.old))).body);
        std::vector<std::pair<std::string, std::string>> expected;
        for (const pugi::xml_node item : old.child("taobaoke_items_get_response")
                                             .child("taobaoke_items")
                                             .children("taobaoke_item"))
            expected.emplace_back(opaqueItemId(at(item, {"num_iid"})), at(item, {"title"}));
        std::vector<std::pair<std::string, std::string>> found;
        for (const pugi::xml_node item : mapData(material))
            found.emplace_back(at(item, {"item_id"}), at(item, {"item_basic_info", "title"}));
        EXPECT_FALSE(found.empty()) << label;
        EXPECT_EQ(found, expected) << label;
        EXPECT_EQ(totalOf(material),
                  old.child("taobaoke_items_get_response").child("total_results").text().as_int())
            << label;
    }
}

TEST(MaterialSearch, CategoriesListPageByPageAndAPagePastTheEndHasNoList)
{
    RunningSandbox sandbox;
    const auto pageText = [&](const std::string &cat, int number) {
        return sandbox
            .get(signedTarget(materialQuery(
                {{"cat", cat}, {"page_no", std::to_string(number)}, {"page_size", "100"}})))
            .body;
    };
    const auto page = [&](const std::string &cat, int number) {
        return parseXml(pageText(cat, number));
    };
    const auto tops = sandbox.server().catalogue().children(0);
    const std::string first =
        std::to_string(sandbox.server().catalogue().categories()[tops[0]].cid);
    const std::string second =
        std::to_string(sandbox.server().catalogue().categories()[tops[1]].cid);
    const int total = totalOf(page(first, 1));
    ASSERT_GT(total, 100);
    const int lastPage = (total + 99) / 100;
    std::set<std::string> seen;
    for (int number = 1; number <= lastPage; ++number) {
        const pugi::xml_document doc = page(first, number);
        const auto items = mapData(doc);
        EXPECT_EQ(items.size(),
                  number < lastPage ? 100u : std::size_t(total - 100 * (lastPage - 1)));
        for (const pugi::xml_node item : items)
            EXPECT_TRUE(seen.insert(at(item, {"item_id"})).second);
    }
    EXPECT_EQ(seen.size(), std::size_t(total));

    const std::string past = pageText(first, lastPage + 1);
    const pugi::xml_document pastDoc = parseXml(past);
    EXPECT_EQ(childNames(pastDoc.child(kRoot)),
              (std::vector<std::string>{"total_results", "request_id"}));
    EXPECT_EQ(totalOf(pastDoc), total);
    EXPECT_TRUE(past.ends_with("-->"));

    // Several categories, comma separated, list the items of each.
    EXPECT_EQ(totalOf(page(first + "," + second, 1)), total + totalOf(page(second, 1)));
}

TEST(MaterialSearch, SortsByPriceSalesAndRate)
{
    RunningSandbox sandbox;
    const struct {
        std::string sort;
        const char *group;
        const char *field;
        bool descending;
    } orders[] = {
        {"final_promotion_price_asc", "price_promotion_info", "zk_final_price", false},
        {"final_promotion_price_des", "price_promotion_info", "final_promotion_price", true},
        {"total_sales_des", "item_basic_info", "volume", true},
        {"tk_rate_des", "publish_info", "income_rate", true},
    };
    const pugi::xml_document plain =
        parseXml(sandbox.get(signedTarget(materialQuery({{"q", "裙"}}))).body);
    for (const auto &order : orders) {
        const pugi::xml_document doc = parseXml(
            sandbox.get(signedTarget(materialQuery({{"q", "裙"}, {"sort", order.sort}}))).body);
        const auto items = mapData(doc);
        ASSERT_GT(items.size(), 10u) << order.sort;
        EXPECT_EQ(totalOf(doc), totalOf(plain));
        std::vector<double> values;
        for (const pugi::xml_node item : items)
            values.push_back(std::stod(at(item, {order.group, order.field})));
        if (order.descending)
            std::reverse(values.begin(), values.end());
        EXPECT_TRUE(std::is_sorted(values.begin(), values.end())) << order.sort;
        EXPECT_LT(values.front(), values.back()) << order.sort;
    }
}

TEST(MaterialSearch, ChecksKeySignatureAdzoneAndArguments)
{
    RunningSandbox sandbox;
    const Params good = materialQuery({{"q", "连衣裙"}});
    const std::string goodSign = clientSignature(good, std::string(kDefaultAppSecret));
    const struct {
        std::string label;
        std::string target;
        int code;  // 0: an answer
        std::string subCode;
    } cases[] = {
        {"awkward keyword", signedTarget(materialQuery({{"q", "T恤 a=b&c 100%+1"}})), 0, ""},
        {"keyword and category", signedTarget(materialQuery({{"q", "裙"}, {"cat", "50010000"}})), 0,
         ""},
        {"no sort", signedTarget(good), 0, ""},
        {"other secret", targetWithSign(good, clientSignature(good, "other")), 25, ""},
        {"value changed after signing", targetWithSign(with(good, "page_no", "2"), goodSign), 25,
         ""},
        {"unknown app key", signedTarget(with(good, "app_key", "99999999")), 29, ""},
        {"neither q nor cat", signedTarget(materialQuery()), 40, "isv.missing-parameter:q"},
        {"empty q", signedTarget(materialQuery({{"q", ""}})), 40, "isv.missing-parameter:q"},
        {"page_size 101", signedTarget(with(good, "page_size", "101")), 41,
         "isv.invalid-parameter:page_size"},
        {"page_no 0", signedTarget(with(good, "page_no", "0")), 41,
         "isv.invalid-parameter:page_no"},
        {"unknown sort", signedTarget(with(good, "sort", "credit_desc")), 41,
         "isv.invalid-parameter:sort"},
        {"bad cat", signedTarget(materialQuery({{"cat", "1,x"}})), 41, "isv.invalid-parameter:cat"},
    };
    for (const auto &c : cases) {
        const pugi::xml_document doc = parseXml(sandbox.get(c.target).body);
        if (c.code == 0) {
            EXPECT_TRUE(doc.child(kRoot)) << c.label;
            continue;
        }
        EXPECT_EQ(doc.child("error_response").child("code").text().as_int(), c.code) << c.label;
        EXPECT_EQ(std::string(doc.child("error_response").child("sub_code").text().get()),
                  c.subCode)
            << c.label;
    }

    for (const std::optional<std::string> &adzone :
         {std::optional<std::string>("10002"), std::optional<std::string>(""),
          std::optional<std::string>()})
        EXPECT_EQ(sandbox.get(signedTarget(with(good, "adzone_id", adzone))).body, kWrongAdzone)
            << adzone.value_or("(absent)");
}

TEST(MaterialSearch, TheAdzoneIdIsTheSandboxsOwn)
{
    SandboxConfig config;
    config.adzoneId = "4242";
    RunningSandbox sandbox(config);
    const Params query = materialQuery({{"q", "包"}});
    EXPECT_EQ(sandbox.get(signedTarget(query)).body, kWrongAdzone);
    EXPECT_EQ(errorCode(sandbox.get(signedTarget(with(query, "adzone_id", "4242"))).body), 0);
}

TEST(MaterialSearch, PicturesAndPagesFollowTheOpaqueIds)
{
    RunningSandbox sandbox;
    const pugi::xml_document doc =
        parseXml(sandbox.get(signedTarget(materialQuery({{"q", "包"}, {"page_size", "3"}}))).body);
    const auto items = mapData(doc);
    ASSERT_EQ(items.size(), 3u);
    const std::string base = sandbox.server().baseUrl();
    for (const pugi::xml_node item : items) {
        const std::string id = at(item, {"item_id"});
        const Item *found = sandbox.server().catalogue().findOpaqueItem(id);
        ASSERT_NE(found, nullptr);
        const std::string pictUrl = at(item, {"item_basic_info", "pict_url"});
        const auto picture = sandbox.get(pictUrl.substr(base.size()) + "_310x310.jpg");
        EXPECT_EQ(picture.status, 200) << id;
        EXPECT_EQ(picture.get_header_value("Content-Type"), "image/jpeg");
        EXPECT_EQ(jpegSize(picture.body), std::make_pair(310, 310));
        EXPECT_EQ(picture.body, sandbox.get("/pic/" + found->numIid + "_b.jpg").body);

        const std::string click = at(item, {"publish_info", "click_url"});
        const auto page = sandbox.get(click.substr(click.find("/click")));
        EXPECT_EQ(page.status, 200) << click;
        EXPECT_NE(page.body.find(found->title.substr(0, found->title.find('&'))),
                  std::string::npos);
        const std::string cashBack = sandbox.get("/fanxian?id=" + id + "000150").body;
        EXPECT_NE(cashBack.find("1.50"), std::string::npos) << id;
    }

    const std::string id = at(items.front(), {"item_id"});
    const std::string numIid = sandbox.server().catalogue().findOpaqueItem(id)->numIid;
    for (const std::string &bad :
         {"/pic/" + numIid + "_310x310.jpg", "/pic/" + id + "_b.jpg",
          "/pic/" + id + "x_310x310.jpg", "/pic/" + id, "/click?id=" + id + "x"})
        EXPECT_EQ(sandbox.get(bad).status, 404) << bad;
}

}  // namespace
}  // namespace quenbo::sandbox::test
