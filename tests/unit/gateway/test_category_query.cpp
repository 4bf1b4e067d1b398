#include "gateway/category_query.h"
#include "platform/xml_document.h"

#include <gtest/gtest.h>

namespace quenbo {
namespace {

TEST(CategoryQueryElements, AreInTheirOrder)
{
    const std::vector<std::string> expected = {"app_key=K",
                                               "&fields=cid,parent_cid,name,is_parent",
                                               "&format=xml",
                                               "&method=taobao.itemcats.get",
                                               "&parent_cid=0",
                                               "&sign=",
                                               "&timestamp=2010-05-04 09:03:07",
                                               "&v=2.0"};
    EXPECT_EQ(CategoryQueryElements("K", "0", "2010-05-04 09:03:07"), expected);
    EXPECT_EQ(CategoryQueryElements("K", "", "t").at(4), "&parent_cid=");
}

TEST(ReadCategoryAnswer, ReadsWhatIsThere)
{
    const struct {
        const char *name;
        const char *xml;
        std::vector<std::string> records;  // "cid|parent|name|isParent"
    } cases[] = {
        {"two lists in document order",
         "<r><item_cats><item_cat><cid>1</cid><name>a</name></item_cat></item_cats>"
         "<total>2</total><item_cats><item_cat><cid>2</cid></item_cat></item_cats></r>",
         {"1||a|", "2|||"}},
        {"fields missing, repeated and unknown",
         "<r><item_cats><item_cat><cid>5</cid><x>9</x><cid>6</cid><parent_cid>3</parent_cid>"
         "<is_parent>true</is_parent><Name>no</Name></item_cat></item_cats></r>",
         {"6|3||true"}},
        {"nested deeper is not read",
         "<r><x><item_cats><item_cat><cid>1</cid></item_cat></item_cats></x>"
         "<item_cats><y><item_cat/></y><item_cat/></item_cats></r>",
         {"|||"}},
        {"error answer",
         "<error_response><code>25</code><msg>Invalid signature</msg></error_response>",
         {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        XmlDocument document;
        document.loadFromText(c.xml);
        std::vector<std::string> read;
        ReadCategoryAnswer(document.documentElement(), [&](const TShopClass &r) {
            EXPECT_FALSE(r.Loaded);
            read.push_back(r.Cid + "|" + r.ParentCid + "|" + r.Name + "|" + r.IsParent);
        });
        EXPECT_EQ(read, c.records);
    }
}

}  // namespace
}  // namespace quenbo
