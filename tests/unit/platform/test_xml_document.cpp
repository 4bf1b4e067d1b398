#include "platform/xml_document.h"

#include "local_http_server.h"
#include "platform/http_client.h"

#include <gtest/gtest.h>

namespace quenbo {
namespace {

std::vector<std::string> names(const std::vector<XmlElement> &elements)
{
    std::vector<std::string> out;
    for (const XmlElement &element : elements)
        out.emplace_back(element.name());
    return out;
}

TEST(XmlDocument, WalksChildElementsByNameInDocumentOrder)
{
    XmlDocument xml;
    xml.loadFromText("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                     "<!-- answer --><rsp><a>1</a><B>x</B><b>2</b>text<?pi x?><a>3</a></rsp>");
    const XmlElement root = xml.documentElement();
    EXPECT_EQ(root.name(), "rsp");
    EXPECT_EQ(names(root.children()), (std::vector<std::string>{"a", "B", "b", "a"}));
    const std::vector<XmlElement> as = root.children("a");
    ASSERT_EQ(as.size(), 2u);
    EXPECT_EQ(as[0].text(), "1");
    EXPECT_EQ(as[1].text(), "3");
    EXPECT_TRUE(root.children("A").empty());
}

TEST(XmlDocument, TextJoinsEveryCharacterDataDescendant)
{
    const struct {
        const char *xml, *text;
    } cases[] = {
        {"<r>plain</r>", "plain"},
        {"<r></r>", ""},
        {"<r>a<b>b<c>c</c></b>d</r>", "abcd"},
        {"<r><![CDATA[<i>&amp;</i>]]></r>", "<i>&amp;</i>"},
        {"<r>&lt;span&gt; &amp; &#x4E2D;&#25991;</r>", "<span> & 中文"},
        {"<r>  blanks kept  </r>", "  blanks kept  "},
        {"<r>a<!-- note -->b</r>", "ab"},
    };
    for (const auto &c : cases) {
        XmlDocument xml;
        xml.loadFromText(c.xml);
        EXPECT_EQ(xml.documentElement().text(), c.text) << c.xml;
    }
}

TEST(XmlDocument, RefusesWhatIsNotWellFormedAndIsEmptyAfterwards)
{
    XmlDocument xml;
    xml.loadFromText("<r><a/></r>");
    for (const char *body : {"", "   ", "not xml", "<r><a></r>", "<r>", "<html><body></html>",
                             "<r/><s/>", "\xEF\xBB\xBF"}) {
        EXPECT_THROW(xml.loadFromText(body), XmlError) << body;
        EXPECT_TRUE(xml.documentElement().isNull()) << body;
        EXPECT_TRUE(xml.documentElement().children().empty());
        EXPECT_EQ(xml.documentElement().text(), "");
    }
}

TEST(XmlDocument, LoadsNoExternalEntityAndExpandsNoDeclaredOne)
{
    XmlDocument xml;
    xml.loadFromText("<?xml version=\"1.0\"?>\n"
                     "<!DOCTYPE r [<!ENTITY file SYSTEM \"file:///etc/passwd\">"
                     "<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;\">]>"
                     "<r><x>&file;</x><y>&b;</y></r>");
    const XmlElement root = xml.documentElement();
    EXPECT_EQ(root.children("x").at(0).text(), "&file;");
    EXPECT_EQ(root.children("y").at(0).text(), "&b;");
}

TEST(XmlDocument, DeepNestingIsReadWithoutRecursion)
{
    std::string body;
    constexpr int kDepth = 200000;
    for (int i = 0; i < kDepth; ++i)
        body += "<d>";
    body += "x";
    for (int i = 0; i < kDepth; ++i)
        body += "</d>";
    XmlDocument xml;
    xml.loadFromText(body);
    EXPECT_EQ(xml.documentElement().text(), "x");
}

TEST(XmlDocument, LoadsFromAnAddressAndReportsEveryFailure)
{
    testsupport::LocalHttpServer server;
    server.server().Get("/ok.xml", [](const httplib::Request &, httplib::Response &res) {
        res.set_content("<rsp><item_cats/></rsp>", "text/xml");
    });
    server.server().Get("/page.html", [](const httplib::Request &, httplib::Response &res) {
        res.set_content("<html><body><p>moved</body></html>", "text/html");
    });
    server.start();
    HttpClient http;
    XmlDocument xml;
    xml.load(http, server.baseUrl() + "/ok.xml");
    EXPECT_EQ(xml.documentElement().children("item_cats").size(), 1u);
    EXPECT_THROW(xml.load(http, server.baseUrl() + "/missing.xml"), HttpError);
    EXPECT_TRUE(xml.documentElement().isNull());
    EXPECT_THROW(xml.load(http, server.baseUrl() + "/page.html"), XmlError);
    EXPECT_TRUE(xml.documentElement().isNull());
}

}  // namespace
}  // namespace quenbo
