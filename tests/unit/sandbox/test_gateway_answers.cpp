// What the gateway answers: categories level by level, pages of items with their filters,
// order and fields, and the start-up list.
#include "sandbox_test_support.h"

#include <gtest/gtest.h>

#include <set>

namespace quenbo::sandbox::test {
namespace {

const std::vector<std::string> kItemFields{
    "num_iid",           "title",           "nick",
    "pic_url",           "price",           "click_url",
    "commission",        "commission_rate", "commission_num",
    "commission_volume", "shop_click_url",  "seller_credit_score",
    "item_location",     "volume"};

std::string joinedFields()
{
    std::string text;
    for (const auto &field : kItemFields)
        text += (text.empty() ? "" : ",") + field;
    return text;
}

Params itemQuery(const std::vector<std::pair<std::string, std::string>> &extra)
{
    Params params = commonParams("taobao.taobaoke.items.get");
    params.emplace_back("fields", joinedFields());
    params.emplace_back("nick", "推广者");
    params.insert(params.end(), extra.begin(), extra.end());
    return params;
}

// The list of an answer: every element named child in the list element of the answer element.
std::vector<pugi::xml_node> listOf(const pugi::xml_document &doc, const char *answer,
                                   const char *list, const char *child)
{
    const auto range = doc.child(answer).child(list).children(child);
    return {range.begin(), range.end()};
}

std::vector<pugi::xml_node> itemsOf(const pugi::xml_document &doc)
{
    return listOf(doc, "taobaoke_items_get_response", "taobaoke_items", "taobaoke_item");
}

std::vector<pugi::xml_node> categoriesOf(const pugi::xml_document &doc)
{
    return listOf(doc, "itemcats_get_response", "item_cats", "item_cat");
}

std::string text(pugi::xml_node item, const char *field)
{
    return item.child(field).text().get();
}

pugi::xml_document categoryLevel(RunningSandbox &sandbox, const std::string &parent,
                                 const std::string &fields = "cid,parent_cid,name,is_parent")
{
    Params params = commonParams("taobao.itemcats.get");
    params.emplace_back("fields", fields);
    params.emplace_back("parent_cid", parent);
    return parseXml(sandbox.get(signedTarget(params)).body);
}

TEST(GatewayAnswers, CategoriesComeLevelByLevelThreeDeep)
{
    RunningSandbox sandbox;
    const pugi::xml_document top = categoryLevel(sandbox, "0");
    EXPECT_STREQ(top.child("itemcats_get_response").child("item_cats").attribute("list").value(),
                 "true");
    const auto tops = categoriesOf(top);
    ASSERT_GE(tops.size(), 10u);
    for (const pugi::xml_node category : tops) {
        EXPECT_EQ(text(category, "parent_cid"), "0");
        EXPECT_EQ(text(category, "is_parent"), "true");
        EXPECT_FALSE(text(category, "name").empty());
    }

    const std::string topCid = text(tops.front(), "cid");
    const pugi::xml_document middle = categoryLevel(sandbox, topCid);
    ASSERT_FALSE(categoriesOf(middle).empty());
    const pugi::xml_node second = categoriesOf(middle).front();
    EXPECT_EQ(text(second, "parent_cid"), topCid);
    EXPECT_EQ(text(second, "is_parent"), "true");

    const pugi::xml_document bottom = categoryLevel(sandbox, text(second, "cid"));
    ASSERT_FALSE(categoriesOf(bottom).empty());
    const pugi::xml_node leaf = categoriesOf(bottom).front();
    EXPECT_EQ(text(leaf, "is_parent"), "false");

    const pugi::xml_document below = categoryLevel(sandbox, text(leaf, "cid"));
    EXPECT_TRUE(below.child("itemcats_get_response"));
    EXPECT_FALSE(below.child("itemcats_get_response").child("item_cats"));
}

TEST(GatewayAnswers, CategoriesCarryOnlyTheRequestedFields)
{
    RunningSandbox sandbox;
    const pugi::xml_document doc = categoryLevel(sandbox, "0", "name,cid");
    ASSERT_FALSE(categoriesOf(doc).empty());
    for (const pugi::xml_node category : categoriesOf(doc)) {
        std::vector<std::string> names;
        for (const pugi::xml_node child : category.children())
            names.push_back(child.name());
        EXPECT_EQ(names, (std::vector<std::string>{"name", "cid"}));
    }
}

TEST(GatewayAnswers, ItemsCarryEveryRequestedFieldPointingAtTheSandbox)
{
    RunningSandbox sandbox;
    const pugi::xml_document doc =
        parseXml(sandbox.get(signedTarget(itemQuery({{"keyword", "包"}}))).body);
    const auto items = itemsOf(doc);
    ASSERT_FALSE(items.empty());
    EXPECT_STREQ(
        doc.child("taobaoke_items_get_response").child("taobaoke_items").attribute("list").value(),
        "true");
    const std::string base = sandbox.server().baseUrl();
    for (const pugi::xml_node item : items) {
        std::vector<std::string> names;
        for (const pugi::xml_node child : item.children())
            names.push_back(child.name());
        EXPECT_EQ(names, kItemFields);
        const std::string id = text(item, "num_iid");
        EXPECT_EQ(id.find_first_not_of("0123456789"), std::string::npos);
        EXPECT_EQ(text(item, "pic_url"), base + "/pic/" + id);
        EXPECT_EQ(text(item, "click_url").rfind(base + "/", 0), 0u);
        EXPECT_EQ(text(item, "shop_click_url").rfind(base + "/", 0), 0u);
        const int credit = std::stoi(text(item, "seller_credit_score"));
        EXPECT_TRUE(credit >= 1 && credit <= 20);
    }
}

// The query finds items, and every title it finds holds mark.
void expectEveryTitleHolds(const Params &query, const std::string &mark)
{
    RunningSandbox sandbox;
    const pugi::xml_document doc = parseXml(sandbox.get(signedTarget(query)).body);
    const auto items = itemsOf(doc);
    ASSERT_FALSE(items.empty());
    for (const pugi::xml_node item : items) {
        const std::string title = text(item, "title");
        EXPECT_NE(title.find(mark), std::string::npos) << title;
    }
}

TEST(GatewayAnswers, KeywordMatchesCaseInsensitivelyAndIsHighlighted)
{
    expectEveryTitleHolds(itemQuery({{"keyword", "mini"}}), "<span class=H>Mini</span>");
}

TEST(GatewayAnswers, AmpersandsInTitlesArriveAsTheTextAmpAmp)
{
    expectEveryTitleHolds(itemQuery({{"keyword", "&"}, {"page_size", "5"}}),
                          "<span class=H>&amp;</span>");
}

TEST(GatewayAnswers, PagesSplitTheResultsAndAPagePastTheEndIsEmpty)
{
    RunningSandbox sandbox;
    const auto page = [&](int number) {
        return parseXml(sandbox
                            .get(signedTarget(itemQuery({{"cid", "50010000"},
                                                         {"page_no", std::to_string(number)},
                                                         {"page_size", "40"}})))
                            .body);
    };
    const pugi::xml_document first = page(1);
    const int total =
        first.child("taobaoke_items_get_response").child("total_results").text().as_int();
    ASSERT_GT(total, 40);
    const int lastPage = (total + 39) / 40;
    ASSERT_LT(lastPage, 99);

    std::set<std::string> seen;
    for (int number = 1; number <= lastPage; ++number) {
        const pugi::xml_document doc = page(number);
        const auto items = itemsOf(doc);
        EXPECT_EQ(items.size(), number < lastPage ? 40u : std::size_t(total - 40 * (lastPage - 1)));
        for (const pugi::xml_node item : items)
            EXPECT_TRUE(seen.insert(text(item, "num_iid")).second);
    }
    EXPECT_EQ(seen.size(), std::size_t(total));

    const pugi::xml_document past = page(lastPage + 1);
    EXPECT_TRUE(past.child("taobaoke_items_get_response"));
    EXPECT_FALSE(past.child("taobaoke_items_get_response").child("taobaoke_items"));
    EXPECT_EQ(past.child("taobaoke_items_get_response").child("total_results").text().as_int(),
              total);
}

TEST(GatewayAnswers, CategorySearchCoversTheCategoryAndItsDescendants)
{
    RunningSandbox sandbox;
    const Catalogue &catalogue = sandbox.server().catalogue();
    const std::uint64_t top = catalogue.categories().front().cid;
    const pugi::xml_document doc = parseXml(
        sandbox.get(signedTarget(itemQuery({{"cid", std::to_string(top)}, {"page_size", "40"}})))
            .body);
    const auto items = itemsOf(doc);
    ASSERT_FALSE(items.empty());
    for (const pugi::xml_node item : items) {
        const Item *found = catalogue.findItem(text(item, "num_iid"));
        ASSERT_NE(found, nullptr);
        const Category *category = catalogue.category(found->cid);
        while (category && category->parentCid != 0)
            category = catalogue.category(category->parentCid);
        ASSERT_NE(category, nullptr);
        EXPECT_EQ(category->cid, top);
    }
}

TEST(GatewayAnswers, FiltersAndOrdersAreHonoured)
{
    RunningSandbox sandbox;
    const struct {
        std::string sort;
        std::string field;
        bool descending;
    } orders[] = {
        {"price_asc", "price", false},
        {"price_desc", "price", true},
        {"credit_desc", "seller_credit_score", true},
        {"credit_asc", "seller_credit_score", false},
        {"commissionRate_desc", "commission_rate", true},
        {"commissionNum_asc", "commission_num", false},
        {"commissionVolume_desc", "commission_volume", true},
    };
    for (const auto &order : orders) {
        const pugi::xml_document doc =
            parseXml(sandbox
                         .get(signedTarget(itemQuery({{"keyword", "鞋"},
                                                      {"start_price", "50"},
                                                      {"end_price", "300.5"},
                                                      {"start_credit", "2heart"},
                                                      {"end_credit", "5crown"},
                                                      {"start_commissionRate", "1000"},
                                                      {"end_commissionRate", "2500"},
                                                      {"start_commissionNum", "5"},
                                                      {"sort", order.sort}})))
                         .body);
        const auto items = itemsOf(doc);
        ASSERT_GT(items.size(), 2u) << order.sort;
        double previous = order.descending ? 1e18 : -1e18;
        for (const pugi::xml_node item : items) {
            const double price = std::stod(text(item, "price"));
            EXPECT_TRUE(price >= 50 && price <= 300.5) << price;
            const int credit = std::stoi(text(item, "seller_credit_score"));
            EXPECT_TRUE(credit >= 2 && credit <= 15) << credit;
            const double rate = std::stod(text(item, "commission_rate"));
            EXPECT_TRUE(rate >= 1000 && rate <= 2500) << rate;
            EXPECT_GE(std::stoi(text(item, "commission_num")), 5);
            EXPECT_NE(text(item, "title").find("鞋"), std::string::npos);
            const double value = std::stod(text(item, order.field.c_str()));
            EXPECT_TRUE(order.descending ? value <= previous : value >= previous) << order.sort;
            previous = value;
        }
    }
}

TEST(GatewayAnswers, StartUpListHasTheItemAnswerFormat)
{
    RunningSandbox sandbox;
    const auto answer = sandbox.get("/index.xml");
    EXPECT_EQ(answer.status, 200);
    const pugi::xml_document doc = parseXml(answer.body);
    const auto items = itemsOf(doc);
    ASSERT_FALSE(items.empty());
    for (const pugi::xml_node item : items) {
        for (const auto &field : kItemFields)
            EXPECT_TRUE(item.child(field.c_str())) << field;
    }
}

}  // namespace
}  // namespace quenbo::sandbox::test
