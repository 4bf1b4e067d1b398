// The fault switches: each failure kind, per picture, per gateway method and per request.
#include "sandbox_test_support.h"

#include <gtest/gtest.h>

#include <chrono>

namespace quenbo::sandbox::test {
namespace {

std::string pictureTarget(RunningSandbox &sandbox, std::size_t index = 0)
{
    return "/pic/" + sandbox.server().catalogue().items()[index].numIid + "_b.jpg";
}

std::string pictureId(RunningSandbox &sandbox, std::size_t index = 0)
{
    return sandbox.server().catalogue().items()[index].numIid;
}

TEST(Faults, PictureFaultsChangeOnlyThatPicture)
{
    RunningSandbox sandbox;
    const std::string normal = sandbox.get(pictureTarget(sandbox)).body;
    const struct {
        std::string form;
        int status;
        std::string contentType;
        std::function<bool(const std::string &)> bodyOk;
    } cases[] = {
        {"kind=not_found", 404, "text/html; charset=utf-8", [](auto &) { return true; }},
        {"kind=html", 200, "text/html; charset=utf-8",
         [](const std::string &body) { return body.find("<html") != std::string::npos; }},
        {"kind=empty", 200, "image/jpeg", [](const std::string &body) { return body.empty(); }},
        {"kind=truncated&bytes=1000", 200, "image/jpeg",
         [&](const std::string &body) { return body == normal.substr(0, 1000); }},
        {"kind=truncated", 200, "image/jpeg",
         [&](const std::string &body) { return body == normal.substr(0, normal.size() / 2); }},
        {"kind=slow&delay_ms=50", 200, "image/jpeg",
         [&](const std::string &body) { return body == normal; }},
        {"kind=oversized&bytes=100000", 200, "image/jpeg",
         [&](const std::string &body) {
             return body.size() == 100000 && body.starts_with(normal) &&
                    body.find_first_not_of(' ', normal.size()) == std::string::npos;
         }},
        {"kind=oversized", 200, "image/jpeg",
         [&](const std::string &body) {
             return body.size() == kDefaultOversizedBytes && body.starts_with(normal);
         }},
    };
    for (const auto &c : cases) {
        ASSERT_TRUE(sandbox.setFault("picture=" + pictureId(sandbox) + "&" + c.form)) << c.form;
        const auto answer = sandbox.get(pictureTarget(sandbox));
        EXPECT_EQ(answer.status, c.status) << c.form;
        EXPECT_EQ(answer.get_header_value("Content-Type"), c.contentType) << c.form;
        EXPECT_TRUE(c.bodyOk(answer.body)) << c.form;
        EXPECT_EQ(sandbox.get(pictureTarget(sandbox, 1)).status, 200) << c.form;
    }
}

TEST(Faults, PictureFaultsTakeTheMaterialSearchsOpaqueIds)
{
    RunningSandbox sandbox;
    const Item &item = sandbox.server().catalogue().items()[0];
    const std::string square = "/pic/" + item.opaqueId + "_310x310.jpg";
    ASSERT_TRUE(sandbox.setFault("picture=" + item.opaqueId + "&kind=not_found"));
    EXPECT_EQ(sandbox.get(square).status, 404);
    EXPECT_EQ(sandbox.get(pictureTarget(sandbox)).status, 200);
    ASSERT_TRUE(sandbox.setFault("picture=" + item.opaqueId + "&kind=none"));
    EXPECT_EQ(sandbox.get(square).status, 200);
}

TEST(Faults, TruncatedPictureKeepsItsHeaderButNotItsEnd)
{
    RunningSandbox sandbox;
    ASSERT_TRUE(sandbox.setFault("picture=" + pictureId(sandbox) + "&kind=truncated"));
    const std::string body = sandbox.get(pictureTarget(sandbox)).body;
    EXPECT_EQ(jpegSize(body), std::make_pair(310, 310));
    EXPECT_NE(body.substr(body.size() - 2), std::string("\xFF\xD9"));
}

TEST(Faults, SlowAnswerOutlastsAShortClientTimeout)
{
    RunningSandbox sandbox;
    ASSERT_TRUE(sandbox.setFault("path=/bate.txt&kind=slow&delay_ms=5000"));
    httplib::Client impatient("127.0.0.1", sandbox.server().port());
    impatient.set_read_timeout(0, 300000);
    const auto result = impatient.Get("/bate.txt");
    EXPECT_FALSE(result);
    EXPECT_EQ(result.error(), httplib::Error::Read);
}

TEST(Faults, RedirectLoopGoesOnPastFifteen)
{
    RunningSandbox sandbox;
    ASSERT_TRUE(sandbox.setFault("picture=" + pictureId(sandbox) + "&kind=redirect_loop"));
    const std::string base = sandbox.server().baseUrl();
    std::string target = pictureTarget(sandbox);
    for (int hop = 0; hop < 20; ++hop) {
        const auto answer = sandbox.get(target);
        ASSERT_EQ(answer.status, 302) << hop;
        const std::string location = answer.get_header_value("Location");
        ASSERT_EQ(location.rfind(base + "/pic/", 0), 0u) << location;
        target = location.substr(base.size());
    }
    httplib::Client follower("127.0.0.1", sandbox.server().port());
    follower.set_follow_location(true);
    const auto followed = follower.Get(pictureTarget(sandbox).c_str());
    EXPECT_EQ(followed.error(), httplib::Error::ExceedRedirectCount);
}

TEST(Faults, DropClosesTheConnectionWithoutAnAnswer)
{
    RunningSandbox sandbox;
    ASSERT_TRUE(sandbox.setFault("picture=" + pictureId(sandbox) + "&kind=drop"));
    RawConnection connection(sandbox.server().port());
    ASSERT_TRUE(connection.sendGet(pictureTarget(sandbox)));
    EXPECT_EQ(connection.readAnswer(), "");
    EXPECT_FALSE(sandbox.client().Get(pictureTarget(sandbox).c_str()));
}

// Blanks after the answer keep it well-formed: a client has to refuse it by its size alone.
TEST(Faults, OversizedGatewayAnswerIsPaddedWellFormedXml)
{
    RunningSandbox sandbox;
    ASSERT_TRUE(sandbox.setFault("path=/index.xml&kind=oversized&bytes=5000000&times=1"));
    const std::string body = sandbox.get("/index.xml").body;
    EXPECT_EQ(body.size(), 5000000u);
    EXPECT_TRUE(parseXml(body).child("taobaoke_items_get_response"));
    EXPECT_LT(sandbox.get("/index.xml").body.size(), 5000000u);
}

// The item method's answer, which a fault named for another method leaves whole.
bool itemMethodAnswersWhole(RunningSandbox &sandbox)
{
    Params items = commonParams("taobao.taobaoke.items.get");
    items.emplace_back("fields", "num_iid");
    items.emplace_back("keyword", "包");
    items.emplace_back("nick", "n");
    return bool(
        parseXml(sandbox.get(signedTarget(items)).body).child("taobaoke_items_get_response"));
}

// A malformed answer: it still holds marker, but does not parse.
void expectMalformed(const std::string &body, const std::string &marker)
{
    EXPECT_NE(body.find(marker), std::string::npos);
    pugi::xml_document doc;
    EXPECT_FALSE(doc.load_string(body.c_str()));
}

TEST(Faults, MalformedGatewayAnswerIsNotWellFormedXml)
{
    RunningSandbox sandbox;
    ASSERT_TRUE(sandbox.setFault("path=/router/rest&method=taobao.itemcats.get&kind=malformed"));
    Params categories = commonParams("taobao.itemcats.get");
    categories.emplace_back("fields", "cid,name");
    categories.emplace_back("parent_cid", "0");
    const auto broken = sandbox.get(signedTarget(categories));
    EXPECT_EQ(broken.status, 200);
    expectMalformed(broken.body, "<item_cat>");

    EXPECT_TRUE(itemMethodAnswersWhole(sandbox));
}

TEST(Faults, GatewayFaultsCanNameTheMaterialSearch)
{
    RunningSandbox sandbox;
    ASSERT_TRUE(sandbox.setFault(
        "path=/router/rest&method=taobao.tbk.dg.material.optional.upgrade&kind=malformed"));
    Params material = commonParams("taobao.tbk.dg.material.optional.upgrade");
    material.emplace_back("adzone_id", std::string(kDefaultAdzoneId));
    material.emplace_back("q", "包");
    const auto broken = sandbox.get(signedTarget(material));
    expectMalformed(broken.body, "<map_data>");

    EXPECT_TRUE(itemMethodAnswersWhole(sandbox));
    EXPECT_EQ(sandbox.get(signedTarget(material) + "&__fault=empty").body, "");
}

TEST(Faults, RulesCanBeCountedRemovedAndCleared)
{
    RunningSandbox sandbox;
    ASSERT_TRUE(sandbox.setFault("path=/bate.txt&kind=not_found&times=2"));
    EXPECT_EQ(sandbox.get("/bate.txt").status, 404);
    EXPECT_EQ(sandbox.get("/bate.txt").status, 404);
    EXPECT_EQ(sandbox.get("/bate.txt").status, 200);

    ASSERT_TRUE(sandbox.setFault("path=/index.xml&kind=empty"));
    EXPECT_TRUE(sandbox.get("/index.xml").body.empty());
    ASSERT_TRUE(sandbox.setFault("path=/index.xml&kind=none"));
    EXPECT_FALSE(sandbox.get("/index.xml").body.empty());

    ASSERT_TRUE(sandbox.setFault("path=/index.xml&kind=html"));
    ASSERT_TRUE(sandbox.setFault("path=/bate.txt&kind=html"));
    ASSERT_TRUE(sandbox.client().Post("/__control/clear", "", "application/x-www-form-urlencoded"));
    EXPECT_EQ(sandbox.get("/index.xml").get_header_value("Content-Type"),
              "text/xml; charset=utf-8");
    EXPECT_EQ(sandbox.get("/bate.txt").body.substr(0, 3), "v1|");
}

TEST(Faults, ARequestCanCarryItsOwnFault)
{
    RunningSandbox sandbox;
    EXPECT_EQ(sandbox.get("/bate.txt?__fault=not_found").status, 404);
    EXPECT_TRUE(sandbox.get("/index.xml?__fault=empty").body.empty());
    EXPECT_EQ(sandbox.get("/bate.txt").status, 200);

    // The switch is not signed: a signed gateway request with it still passes the checks.
    Params params = commonParams("taobao.itemcats.get");
    params.emplace_back("fields", "cid");
    params.emplace_back("parent_cid", "0");
    const auto answer = sandbox.get(signedTarget(params) + "&__fault=truncated&__bytes=20");
    EXPECT_EQ(answer.body.size(), 20u);
}

TEST(Faults, ReceivedTargetsAreLoggedInOrderAndBounded)
{
    RunningSandbox sandbox;
    sandbox.get("/bate.txt?a=%E6%89%8B");
    sandbox.get("/no/such/page");
    ASSERT_TRUE(sandbox.setFault("path=/bate.txt&kind=html"));
    const std::vector<std::string> first = sandbox.server().receivedTargets();
    EXPECT_EQ(first, (std::vector<std::string>{"/bate.txt?a=%E6%89%8B", "/no/such/page"}));
    EXPECT_EQ(sandbox.get("/__control/requests").body, "/bate.txt?a=%E6%89%8B\n/no/such/page\n");

    for (std::size_t i = 0; i < SandboxServer::kReceivedLogSize; ++i)
        sandbox.get("/bate.txt?n=" + std::to_string(i));
    const std::vector<std::string> last = sandbox.server().receivedTargets();
    ASSERT_EQ(last.size(), SandboxServer::kReceivedLogSize);
    EXPECT_EQ(sandbox.server().receivedCount(), SandboxServer::kReceivedLogSize + 2);
    EXPECT_EQ(last.front(), "/bate.txt?n=0");
    EXPECT_EQ(last.back(), "/bate.txt?n=" + std::to_string(SandboxServer::kReceivedLogSize - 1));
}

// A control request without a body (no Content-Length) is answered at once, from its query
// alone, the way curl -X POST sends it.
TEST(Faults, ControlRequestsWithoutABodyAreAnsweredAtOnce)
{
    RunningSandbox sandbox;
    ASSERT_TRUE(sandbox.setFault("path=/bate.txt&kind=not_found"));
    ASSERT_TRUE(sandbox.setFault("path=/index.xml&kind=empty"));
    RawConnection connection(sandbox.server().port());
    const auto post = [&](const std::string &target) {
        EXPECT_TRUE(connection.send("POST " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
        const auto from = std::chrono::steady_clock::now();
        const std::string answer = connection.readAnswer();
        EXPECT_LT(std::chrono::steady_clock::now() - from, std::chrono::seconds(2)) << target;
        return answer.substr(0, answer.find("\r\n"));
    };
    EXPECT_EQ(post("/__control/clear"), "HTTP/1.1 200 OK");
    EXPECT_EQ(sandbox.get("/bate.txt").status, 200);
    EXPECT_FALSE(sandbox.get("/index.xml").body.empty());

    EXPECT_EQ(post("/__control/fault?path=/bate.txt&kind=html"), "HTTP/1.1 200 OK");
    EXPECT_EQ(sandbox.get("/bate.txt").get_header_value("Content-Type"),
              "text/html; charset=utf-8");
    // The same connection goes on with the next request.
    EXPECT_EQ(post("/__control/clear"), "HTTP/1.1 200 OK");
    EXPECT_EQ(sandbox.get("/bate.txt").body.substr(0, 3), "v1|");
}

TEST(Faults, BadControlRequestsAreRefused)
{
    RunningSandbox sandbox;
    for (const std::string form :
         {"picture=12&kind=explode", "kind=html", "path=relative&kind=html",
          "picture=../x&kind=html", "path=/a&kind=slow&delay_ms=99999999",
          "path=/a&kind=html&times=0", "latency_ms=60001", "latency_ms=-1", "latency_ms=soon",
          "latency_ms=", "latency_ms=5&kind=html", "path=/a&kind=explode&latency_ms=5"})
        EXPECT_FALSE(sandbox.setFault(form)) << form;
}

}  // namespace
}  // namespace quenbo::sandbox::test
