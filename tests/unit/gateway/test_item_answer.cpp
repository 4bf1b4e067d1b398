#include "gateway/item_query.h"
#include "gateway/material_search.h"
#include "item_answer_walk.h"
#include "pictures/jpeg_image.h"
#include "platform/xml_document.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <sstream>

namespace quenbo {
namespace {

using Describe = testsupport::DescribeItem;

// The page of the answer xml: "[" and "]" around each batch, each record as describe gives it.
std::vector<std::string> walk(const std::string &xml, const Describe &describe)
{
    return testsupport::walkItemAnswer(xml, describe);
}

// An answer of one item with the given children.
std::string oneItem(const std::string &children)
{
    return "<r><taobaoke_items><taobaoke_item>" + children +
           "</taobaoke_item></taobaoke_items></r>";
}

// A number as the shortest text of six significant digits.
std::string number(double value)
{
    std::ostringstream text;
    text << value;
    return text.str();
}

std::string repeated(std::string_view piece, std::size_t times)
{
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

// The record's field that the answer element name fills, as text; "commission" gives the
// commission and the cash-back made from it.
std::string fieldOf(const TTaoBaoData &r, const TDownPic &job, std::string_view name)
{
    if (name == "click_url")
        return r.ClickUrl;
    if (name == "commission")
        return number(r.Commission) + " " + number(r.CashBack);
    if (name == "item_location")
        return r.Location;
    if (name == "nick")
        return r.Nick;
    if (name == "num_iid")
        return r.NumIid + " " + job.NumIid;
    if (name == "price")
        return r.Price;
    if (name == "pic_url")
        return r.PicUrl + " " + job.PicUrl;
    if (name == "seller_credit_score")
        return std::to_string(r.CreditScore);
    if (name == "shop_click_url")
        return r.ShopClickUrl;
    if (name == "title")
        return r.Title;
    if (name == "volume")
        return std::to_string(r.Volume);
    return "no such field";
}

TEST(ReadItemAnswer, ReadsWhatIsThere)
{
    const struct {
        const char *name;
        std::string xml;
        // Per record "id|title|commission|cashback|credit|volume|price|picUrl|hasPicture";
        // per batch "[" and "]".
        std::vector<std::string> events;
    } cases[] = {
        {"markup and numbers",
         oneItem("<num_iid>1</num_iid>"
                 "<title>&lt;span class=H&gt;A&lt;/span&gt; &amp;amp; B&lt;SPAN class=H&gt;</title>"
                 "<commission>3.00</commission><seller_credit_score>12</seller_credit_score>"
                 "<volume>7</volume><price>12.50</price><pic_url>http://p/1.jpg</pic_url>"),
         {"[", "1|A  B<SPAN class=H>|3|1.5|12|7|12.50|http://p/1.jpg|1", "]"}},
        {"numbers that are not numbers",
         oneItem("<num_iid>2</num_iid><commission>abc</commission>"
                 "<seller_credit_score>1.5</seller_credit_score><volume>x</volume>"
                 "<price>面议</price>"),
         {"[", "2||0|0|0|0|面议||0", "]"}},
        {"without num_iid or pic_url, later element wins",
         oneItem("<nick>a</nick><title>t1</title><title>t2</title>"),
         {"[", "|t2|0|0|0|0|||0", "]"}},
        {"two containers, other elements skipped",
         "<r><total_results>2</total_results><taobaoke_items/><x><taobaoke_items>"
         "<taobaoke_item><num_iid>9</num_iid></taobaoke_item></taobaoke_items></x>"
         "<taobaoke_items><item><num_iid>8</num_iid></item><taobaoke_item><NUM_IID>3</NUM_IID>"
         "</taobaoke_item></taobaoke_items></r>",
         {"[", "]", "[", "||0|0|0|0|||0", "]"}},
        {"error answer",
         "<error_response><code>40</code><msg>Missing required arguments</msg></error_response>",
         {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const auto describe = [](const TTaoBaoData &r, const TDownPic &job) {
            EXPECT_EQ(job.NumIid, r.NumIid);
            EXPECT_EQ(job.PicUrl, r.PicUrl);
            return r.NumIid + "|" + r.Title + "|" + number(r.Commission) + "|" +
                   number(r.CashBack) + "|" + std::to_string(r.CreditScore) + "|" +
                   std::to_string(r.Volume) + "|" + r.Price + "|" + r.PicUrl + "|" +
                   (r.Picture && r.Picture->Empty() ? "1" : "0");
        };
        EXPECT_EQ(walk(c.xml, describe), c.events);
    }
}

TEST(ReadItemAnswer, LaterValueOfARepeatedFieldWins)
{
    const struct {
        const char *name;
        std::string field;
        std::string earlier;
        std::string later;
        std::string read;  // as fieldOf gives it
    } cases[] = {
        {"click_url", "click_url", "http://c/1", "http://c/2", "http://c/2"},
        {"commission", "commission", "4.00", "3.00", "3 1.5"},
        {"commission, later not a number", "commission", "4.00", "x", "0 0"},
        {"item_location", "item_location", "上海", "浙江 杭州", "浙江 杭州"},
        {"nick", "nick", "甲", "乙", "乙"},
        {"nick, later empty", "nick", "甲", "", ""},
        {"num_iid", "num_iid", "5", "6", "6 6"},
        {"price", "price", "9.90", "12.50", "12.50"},
        {"pic_url", "pic_url", "http://p/1.jpg", "http://p/2.jpg", "http://p/2.jpg http://p/2.jpg"},
        {"seller_credit_score", "seller_credit_score", "3", "12", "12"},
        {"seller_credit_score, later not a number", "seller_credit_score", "3", "x", "0"},
        {"shop_click_url", "shop_click_url", "http://s/1", "http://s/2", "http://s/2"},
        {"title", "title", "t1", "&lt;span class=H&gt;t2&lt;/span&gt;", "t2"},
        {"volume", "volume", "7", "70", "70"},
        {"volume, later not a number", "volume", "7", "x", "0"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string other = c.field == "num_iid" ? "" : "<num_iid>1</num_iid>";
        const std::string xml = oneItem(other + "<" + c.field + ">" + c.earlier + "</" + c.field +
                                        "><x/><" + c.field + ">" + c.later + "</" + c.field + ">");
        const auto describe = [&](const TTaoBaoData &r, const TDownPic &job) {
            return fieldOf(r, job, c.field);
        };
        EXPECT_EQ(walk(xml, describe), (std::vector<std::string>{"[", c.read, "]"}));
    }
}

TEST(ReadItemAnswer, GivesTheRecordsInAnswerOrderWithTheirJobs)
{
    // Ids out of numeric order, an item whose id repeats, and an empty container between two.
    const std::string xml =
        "<r><taobaoke_items><taobaoke_item><num_iid>5</num_iid><num_iid>6</num_iid><title>t</title>"
        "</taobaoke_item><taobaoke_item><num_iid>31</num_iid><pic_url>http://p/31.jpg</pic_url>"
        "</taobaoke_item></taobaoke_items><taobaoke_items/><taobaoke_items><taobaoke_item>"
        "<num_iid>2</num_iid></taobaoke_item></taobaoke_items></r>";
    const auto describe = [](const TTaoBaoData &r, const TDownPic &job) {
        return r.NumIid + " " + job.NumIid + " " + job.PicUrl;
    };
    EXPECT_EQ(walk(xml, describe), (std::vector<std::string>{"[", "6 6 ", "31 31 http://p/31.jpg",
                                                             "]", "[", "]", "[", "2 2 ", "]"}));
}

TEST(ReadItemAnswer, CutsLongTextFieldsOnACharacterBoundary)
{
    // Three-byte characters put the limit inside one character.
    const std::string han = "连";
    const std::size_t fit = kMaxFieldBytes / han.size();
    static_assert(kMaxFieldBytes % 3 == 1);
    const struct {
        const char *name;
        std::string text;
        std::string kept;
    } lengths[] = {
        {"short", "连衣裙 a&b", "连衣裙 a&b"},
        {"at the limit", std::string(kMaxFieldBytes, 'a'), std::string(kMaxFieldBytes, 'a')},
        {"one byte over", std::string(kMaxFieldBytes + 1, 'a'), std::string(kMaxFieldBytes, 'a')},
        {"a character across the limit", repeated(han, fit + 1), repeated(han, fit)},
        {"the limit one byte into a character", "ab" + repeated(han, fit),
         "ab" + repeated(han, fit - 1)},
    };
    const char *const fields[] = {"click_url", "item_location", "nick",           "num_iid",
                                  "price",     "pic_url",       "shop_click_url", "title"};
    for (const char *field : fields) {
        for (const auto &c : lengths) {
            SCOPED_TRACE(std::string(field) + ": " + c.name);
            const auto describe = [&](const TTaoBaoData &r, const TDownPic &job) {
                return fieldOf(r, job, field);
            };
            const std::vector<std::string> seen = walk(
                oneItem("<" + std::string(field) + ">" + c.text + "</" + field + ">"), describe);
            ASSERT_EQ(seen.size(), 3u);
            const bool twice =
                std::string_view(field) == "num_iid" || std::string_view(field) == "pic_url";
            EXPECT_EQ(seen[1], twice ? c.kept + " " + c.kept : c.kept);
        }
    }
}

// An answer of containers holding the given numbers of items, their ids counting from 1.
std::string answerOf(const std::vector<std::size_t> &containers)
{
    std::string xml = "<r>";
    std::size_t id = 0;
    for (const std::size_t count : containers) {
        xml += "<taobaoke_items>";
        for (std::size_t i = 0; i < count; ++i)
            xml += "<taobaoke_item><num_iid>" + std::to_string(++id) + "</num_iid></taobaoke_item>";
        xml += "</taobaoke_items>";
    }
    return xml + "</r>";
}

TEST(ReadItemAnswer, ReadsAtMostTheCappedItemsInTheCappedContainers)
{
    const std::size_t items = kMaxAnswerItems;
    const std::size_t containers = kMaxAnswerContainers;
    std::vector<std::size_t> overCap(containers + 50, 0);
    overCap[containers] = 1;
    const struct {
        const char *name;
        std::vector<std::size_t> sizes;
        std::size_t read;     // items handed over, the first ones of the answer
        std::size_t batches;  // containers opened and closed
    } cases[] = {
        {"one container at the cap", {items}, items, 1},
        {"one container over the cap", {items + 50}, items, 1},
        {"the cap reached at a container's end", {150, items - 150, 10}, items, 2},
        {"the cap reached inside a container", {150, items - 100, items}, items, 2},
        {"many small containers", std::vector<std::size_t>(25, items / 20), items, 20},
        {"empty containers, an item in the first one over the cap", overCap, 0, containers},
        {"one item in each container", std::vector<std::size_t>(containers + 50, 1),
         std::min(items, containers), std::min(items, containers)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::string> seen = walk(
            answerOf(c.sizes), [](const TTaoBaoData &r, const TDownPic &) { return r.NumIid; });
        std::vector<std::string> ids;
        for (const std::string &event : seen)
            if (event != "[" && event != "]")
                ids.push_back(event);
        std::vector<std::string> expected;
        for (std::size_t id = 1; id <= c.read; ++id)
            expected.push_back(std::to_string(id));
        EXPECT_EQ(ids.size(), c.read);
        EXPECT_EQ(ids, expected);
        EXPECT_EQ(std::size_t(std::count(seen.begin(), seen.end(), "[")), c.batches);
        EXPECT_EQ(std::size_t(std::count(seen.begin(), seen.end(), "]")), c.batches);
    }
}

TEST(ReadAnyItemAnswer, GivesTheTotalWhenTheAnswerSaysIt)
{
    const std::string items = "<taobaoke_items_get_response><taobaoke_items/>";
    const std::string itemsEnd = "</taobaoke_items_get_response>";
    const std::string material = "<tbk_dg_material_optional_upgrade_response>";
    const std::string materialEnd = "<request_id>r</request_id>"
                                    "</tbk_dg_material_optional_upgrade_response>";
    const struct {
        const char *name;
        std::string xml;
        std::optional<std::int64_t> total;
    } cases[] = {
        {"item method", items + "<total_results>1234</total_results>" + itemsEnd, 1234},
        {"item method, none found", items + "<total_results>0</total_results>" + itemsEnd, 0},
        {"item method, no total", items + itemsEnd, std::nullopt},
        {"item method, not a number", items + "<total_results>12a</total_results>" + itemsEnd,
         std::nullopt},
        {"item method, empty", items + "<total_results/>" + itemsEnd, std::nullopt},
        {"item method, negative", items + "<total_results>-1</total_results>" + itemsEnd,
         std::nullopt},
        {"item method, not a whole number", items + "<total_results>2.5</total_results>" + itemsEnd,
         std::nullopt},
        {"item method, inside a container",
         "<r><taobaoke_items><total_results>9</total_results></taobaoke_items></r>", std::nullopt},
        {"item method, the later one of two",
         items + "<total_results>5</total_results><total_results>6</total_results>" + itemsEnd, 6},
        {"material search", material + "<total_results>35</total_results>" + materialEnd, 35},
        {"material search, no total", material + materialEnd, std::nullopt},
        {"material search, not a number",
         material + "<total_results>多</total_results>" + materialEnd, std::nullopt},
        {"material search, negative", material + "<total_results>-35</total_results>" + materialEnd,
         std::nullopt},
        {"a refusal", "<error_response><code>7</code><msg>App Call Limited</msg></error_response>",
         std::nullopt},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        XmlDocument document;
        document.loadFromText(c.xml);
        EXPECT_EQ(ReadAnyItemAnswer(document.documentElement()).totalResults, c.total);
    }
}

TEST(StripTitleMarkup, DeletesEachMarkInOnePassAfterTheOther)
{
    const struct {
        const char *title;
        const char *stripped;
    } cases[] = {
        {"", ""},
        {"连衣裙", "连衣裙"},
        {"<span class=H>连衣</span>裙", "连衣裙"},
        {"a &amp; b", "a  b"},
        {"<span class=H><span class=H>x</span></span>", "x"},
        {"<SPAN class=H>x</SPAN> &AMP;", "<SPAN class=H>x</SPAN> &AMP;"},
        {"<span class=h>x<span  class=H>", "<span class=h>x<span  class=H>"},
        {"<span class=H", "<span class=H"},
        // A mark that deleting another one forms is kept when the same pass made it ...
        {"<span <span class=H>class=H>", "<span class=H>"},
        {"</sp</span>an>", "</span>"},
        {"&amp;amp;", "amp;"},
        {"&am&amp;p;", "&amp;"},
        // ... and deleted by a later pass.
        {"</sp<span class=H>an>", ""},
        {"&a</span>mp;", ""},
        {"<span cl&amp;ass=H>", "<span class=H>"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(StripTitleMarkup(c.title), c.stripped) << c.title;
}

TEST(StripTitleMarkup, StripsATitleOfManyThousandsOfMarks)
{
    const std::size_t marks = 200'000;
    EXPECT_EQ(StripTitleMarkup(repeated("<span class=H>x</span>&amp;", marks)),
              std::string(marks, 'x'));
}

}  // namespace
}  // namespace quenbo
