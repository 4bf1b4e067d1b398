// Item pictures, the maker's site and the pages behind the browser addresses.
#include "sandbox_test_support.h"

#include <gtest/gtest.h>

#include <set>

namespace quenbo::sandbox::test {
namespace {

TEST(Pictures, EveryItemHasADistinctJpegWithCacheHeaders)
{
    RunningSandbox sandbox;
    std::set<std::string> seen;
    const auto &items = sandbox.server().catalogue().items();
    for (std::size_t i = 0; i < items.size(); i += items.size() / 6) {
        const auto answer = sandbox.get("/pic/" + items[i].numIid + "_b.jpg");
        EXPECT_EQ(answer.status, 200);
        EXPECT_EQ(answer.get_header_value("Content-Type"), "image/jpeg");
        EXPECT_EQ(jpegSize(answer.body), std::make_pair(310, 310));
        EXPECT_GT(answer.body.size(), 10000u);
        EXPECT_LT(answer.body.size(), 100000u);
        EXPECT_FALSE(answer.get_header_value("Cache-Control").empty());
        EXPECT_FALSE(answer.get_header_value("ETag").empty());
        EXPECT_TRUE(seen.insert(answer.body).second);
        EXPECT_EQ(sandbox.get("/pic/" + items[i].numIid + "_b.jpg").body, answer.body);
    }
}

TEST(Pictures, SameSeedSamePicture)
{
    RunningSandbox one;
    RunningSandbox two;
    const std::string id = one.server().catalogue().items().front().numIid;
    EXPECT_EQ(one.get("/pic/" + id + "_b.jpg").body, two.get("/pic/" + id + "_b.jpg").body);
}

TEST(Pictures, RevalidationAndUnknownIds)
{
    RunningSandbox sandbox;
    const std::string target = "/pic/" + sandbox.server().catalogue().items()[3].numIid + "_b.jpg";
    const std::string etag = sandbox.get(target).get_header_value("ETag");
    const auto again = sandbox.client().Get(target.c_str(), {{"If-None-Match", etag}});
    ASSERT_TRUE(again);
    EXPECT_EQ(again->status, 304);
    EXPECT_TRUE(again->body.empty());

    for (const std::string bad : {"/pic/1_b.jpg", "/pic/abc_b.jpg", "/pic/..%2F..%2Fetc_b.jpg"})
        EXPECT_EQ(sandbox.get(bad).status, 404) << bad;
}

TEST(Pictures, OneConnectionCarriesSeveralRequests)
{
    RunningSandbox sandbox;
    RawConnection connection(sandbox.server().port());
    const auto &items = sandbox.server().catalogue().items();
    for (std::size_t i = 0; i < 4; ++i) {
        ASSERT_TRUE(connection.sendGet("/pic/" + items[i].numIid + "_b.jpg")) << i;
        const std::string answer = connection.readAnswer();
        EXPECT_EQ(answer.rfind("HTTP/1.1 200", 0), 0u) << i;
        const std::string body = answer.substr(answer.find("\r\n\r\n") + 4);
        EXPECT_EQ(jpegSize(body), std::make_pair(310, 310)) << i;
    }
}

TEST(Site, VersionFileDefaultsToV1AndTakesTheBaseAddress)
{
    RunningSandbox plain;
    EXPECT_EQ(plain.get("/bate.txt").body, "v1|" + plain.server().baseUrl() + "/download");
    EXPECT_EQ(plain.get("/download").status, 200);

    SandboxConfig config;
    config.versionText = "v2|{base}/new";
    RunningSandbox newer(config);
    EXPECT_EQ(newer.get("/bate.txt").body, "v2|" + newer.server().baseUrl() + "/new");
}

TEST(Site, HelpAndFeedbackAreChineseHtml)
{
    RunningSandbox sandbox;
    for (const auto &[path, word] :
         {std::pair<std::string, std::string>{"/blog/post/1.html", "帮助"},
          {"/blog/post/3.html", "反馈"}}) {
        const auto answer = sandbox.get(path);
        EXPECT_EQ(answer.status, 200);
        EXPECT_EQ(answer.get_header_value("Content-Type"), "text/html; charset=utf-8");
        EXPECT_NE(answer.body.find(word), std::string::npos) << path;
    }
}

TEST(Site, ClickShopAndCashBackPagesNameTheirSubject)
{
    RunningSandbox sandbox;
    const Catalogue &catalogue = sandbox.server().catalogue();
    const Item *item = nullptr;
    for (const Item &candidate : catalogue.items()) {
        if (candidate.title.find('&') == std::string::npos) {
            item = &candidate;
            break;
        }
    }
    ASSERT_NE(item, nullptr);
    const Seller &seller = catalogue.sellers()[item->seller];

    EXPECT_NE(sandbox.get("/click?id=" + item->numIid).body.find(item->title), std::string::npos);
    EXPECT_NE(sandbox.get("/shop?sid=" + std::to_string(item->seller)).body.find(seller.nick),
              std::string::npos);
    const std::string cashBack = sandbox.get("/fanxian?id=" + item->numIid + "000150").body;
    EXPECT_NE(cashBack.find(item->title), std::string::npos);
    EXPECT_NE(cashBack.find("1.50"), std::string::npos);

    for (const std::string &bad :
         std::vector<std::string>{"/click?id=1", "/shop?sid=999999", "/fanxian?id=" + item->numIid,
                                  "/fanxian?id=1000150", "/no/such/page"})
        EXPECT_EQ(sandbox.get(bad).status, 404) << bad;
}

}  // namespace
}  // namespace quenbo::sandbox::test
