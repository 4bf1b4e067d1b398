// The gateway's request checks: app key, method, timestamp, signature and arguments, and the
// platform's error_response shapes.
#include "sandbox_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace quenbo::sandbox::test {
namespace {

const std::string kItemsMethod = "taobao.taobaoke.items.get";
const std::string kCategoriesMethod = "taobao.itemcats.get";
const std::string kItemFields =
    "num_iid,title,nick,pic_url,price,click_url,commission,commission_rate,commission_num,"
    "commission_volume,shop_click_url,seller_credit_score,item_location,volume";

// The client's keyword query, in the order it puts the elements on the wire.
Params keywordQuery(const std::string &keyword, std::time_t when = std::time(nullptr))
{
    return {{"app_key", std::string(kDefaultAppKey)},
            {"end_commissionRate", "9500"},
            {"end_credit", "5goldencrown"},
            {"end_price", "500000"},
            {"fields", kItemFields},
            {"format", "xml"},
            {"keyword", keyword},
            {"method", kItemsMethod},
            {"nick", "测试推广者"},
            {"page_no", "1"},
            {"page_size", "40"},
            {"sort", "credit_desc"},
            {"start_commissionNum", "5"},
            {"start_commissionRate", "1000"},
            {"start_credit", "1heart"},
            {"start_price", "1"},
            {"timestamp", localTimestamp(when)},
            {"v", "2.0"}};
}

Params categoryQuery(const std::string &parent)
{
    Params params = commonParams(kCategoriesMethod);
    params.emplace_back("fields", "cid,parent_cid,name,is_parent");
    params.emplace_back("parent_cid", parent);
    return params;
}

std::string rootName(const std::string &body)
{
    return parseXml(body).document_element().name();
}

int errorCode(const std::string &body)
{
    const pugi::xml_document doc = parseXml(body);
    if (std::string(doc.document_element().name()) != "error_response")
        return 0;
    return doc.document_element().child("code").text().as_int();
}

TEST(GatewayChecks, AcceptsTheClientsSignatureForAwkwardKeywords)
{
    RunningSandbox sandbox;
    for (const std::string keyword : {"连衣裙", "a=b", "x&y", "T恤 新款", "sign", "100%", "+1"}) {
        const auto answer = sandbox.get(signedTarget(keywordQuery(keyword)));
        EXPECT_EQ(answer.status, 200);
        EXPECT_EQ(rootName(answer.body), "taobaoke_items_get_response") << keyword;
    }
}

TEST(GatewayChecks, SignsByNameWhateverTheOrderOnTheWire)
{
    RunningSandbox sandbox;
    // The client's category query puts cid right after format, out of alphabetical order.
    Params params = keywordQuery("");
    params.erase(std::find_if(params.begin(), params.end(),
                              [](const auto &p) { return p.first == "keyword"; }));
    const auto format = std::find_if(params.begin(), params.end(),
                                     [](const auto &p) { return p.first == "format"; });
    params.insert(format + 1, {"cid", "50010000"});
    const auto answer = sandbox.get(signedTarget(params));
    EXPECT_EQ(rootName(answer.body), "taobaoke_items_get_response") << answer.body;
}

TEST(GatewayChecks, AcceptsTheClientsRenderingOfZHash)
{
    RunningSandbox sandbox;
    // The client signs "Z#" in a value as "&"; the platform's own rendering works as well.
    Params asSigned = keywordQuery("AZ#B");
    Params asClientSigns = asSigned;
    for (auto &[name, value] : asClientSigns) {
        if (name == "keyword")
            value = "A&B";
    }
    const auto client = sandbox.get(
        targetWithSign(asSigned, clientSignature(asClientSigns, std::string(kDefaultAppSecret))));
    EXPECT_EQ(errorCode(client.body), 0) << client.body;
    const auto platform = sandbox.get(signedTarget(asSigned));
    EXPECT_EQ(errorCode(platform.body), 0) << platform.body;
}

TEST(GatewayChecks, RefusesWrongSignatures)
{
    RunningSandbox sandbox;
    const Params params = keywordQuery("连衣裙");
    const std::string good = clientSignature(params, std::string(kDefaultAppSecret));
    std::string lower = good;
    for (char &c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    Params altered = params;
    altered[9].second = "2";  // page_no changed after signing
    Params extra = params;
    extra.emplace_back("cid", "50010000");

    const std::vector<std::pair<std::string, std::string>> cases{
        {"other secret", targetWithSign(params, clientSignature(params, "other"))},
        {"lower case", targetWithSign(params, lower)},
        {"empty sign", targetWithSign(params, "")},
        {"no sign", signedTarget(params).substr(0, signedTarget(params).rfind("&sign="))},
        {"value changed", targetWithSign(altered, good)},
        {"unsigned extra", targetWithSign(extra, good)},
    };
    for (const auto &[label, target] : cases)
        EXPECT_EQ(errorCode(sandbox.get(target).body), 25) << label;
}

TEST(GatewayChecks, RefusesAppKeyMethodAndTimestampProblems)
{
    RunningSandbox sandbox;
    const std::time_t now = std::time(nullptr);
    const auto with = [&](const std::string &name, const std::optional<std::string> &value) {
        Params params = categoryQuery("0");
        for (auto it = params.begin(); it != params.end(); ++it) {
            if (it->first == name) {
                if (value)
                    it->second = *value;
                else
                    params.erase(it);
                break;
            }
        }
        return signedTarget(params);
    };
    const struct {
        std::string name;
        std::optional<std::string> value;
        int code;
    } cases[] = {
        {"app_key", std::nullopt, 28},
        {"app_key", "99999999", 29},
        {"method", std::nullopt, 21},
        {"method", "taobao.item.get", 22},
        {"timestamp", std::nullopt, 30},
        {"timestamp", "2011-13-01 10:00:00", 31},
        {"timestamp", "2011-02-30 10:00:00", 31},
        {"timestamp", "2011-1-1 10:00:00", 31},
        {"timestamp", localTimestamp(now - 11 * 60), 31},
        {"timestamp", localTimestamp(now + 11 * 60), 31},
        {"timestamp", localTimestamp(now - 8 * 60), 0},
        {"format", "json", 23},
        {"v", "1.0", 34},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(errorCode(sandbox.get(with(c.name, c.value)).body), c.code)
            << c.name << "=" << c.value.value_or("(absent)");
    }
}

TEST(GatewayChecks, LenientTimeAcceptsAStaleButWellFormedTimestamp)
{
    SandboxConfig config;
    config.lenientTime = true;
    RunningSandbox sandbox(config);
    const std::time_t yearAgo = std::time(nullptr) - 365 * 24 * 3600;
    EXPECT_EQ(errorCode(sandbox.get(signedTarget(keywordQuery("连衣裙", yearAgo))).body), 0);
    Params bad = keywordQuery("连衣裙");
    bad[16].second = "yesterday";
    EXPECT_EQ(errorCode(sandbox.get(signedTarget(bad)).body), 31);
}

TEST(GatewayChecks, UsesTheConfiguredKeyAndSecret)
{
    SandboxConfig config;
    config.appKey = "23456789";
    config.appSecret = "另一个secret";
    RunningSandbox sandbox(config);
    Params params = categoryQuery("0");
    params[0].second = "23456789";
    EXPECT_EQ(errorCode(sandbox.get(signedTarget(params, "另一个secret")).body), 0);
    EXPECT_EQ(errorCode(sandbox.get(signedTarget(params)).body), 25);
}

TEST(GatewayChecks, ArgumentErrorsCarrySubCodes)
{
    RunningSandbox sandbox;
    const auto replaced = [](Params params, const std::string &name, const std::string &value) {
        bool found = false;
        for (auto &[key, old] : params) {
            if (key == name) {
                old = value;
                found = true;
            }
        }
        if (!found)
            params.emplace_back(name, value);
        return params;
    };
    const Params items = keywordQuery("连衣裙");
    const struct {
        Params params;
        int code;
        std::string subCode;
    } cases[] = {
        {replaced(items, "keyword", ""), 40, "isv.missing-parameter:keyword"},
        {replaced(items, "fields", ""), 40, "isv.missing-parameter:fields"},
        {replaced(items, "nick", ""), 40, "isv.missing-parameter:nick"},
        {replaced(items, "page_no", "100"), 41, "isv.invalid-parameter:page_no"},
        {replaced(items, "page_no", "0"), 41, "isv.invalid-parameter:page_no"},
        {replaced(items, "page_size", "41"), 41, "isv.invalid-parameter:page_size"},
        {replaced(items, "sort", "cheapest"), 41, "isv.invalid-parameter:sort"},
        {replaced(items, "start_credit", "6heart"), 41, "isv.invalid-parameter:start_credit"},
        {replaced(items, "start_price", "1.234"), 41, "isv.invalid-parameter:start_price"},
        {replaced(items, "cid", "abc"), 41, "isv.invalid-parameter:cid"},
        {replaced(items, "fields", "num_iid,colour"), 41, "isv.invalid-parameter:fields"},
        {replaced(categoryQuery("0"), "parent_cid", ""), 40, "isv.missing-parameter:parent_cid"},
        {replaced(categoryQuery("0"), "parent_cid", "top"), 41, "isv.invalid-parameter:parent_cid"},
    };
    for (const auto &c : cases) {
        const pugi::xml_document doc = parseXml(sandbox.get(signedTarget(c.params)).body);
        const pugi::xml_node error = doc.child("error_response");
        ASSERT_TRUE(error) << c.subCode;
        EXPECT_EQ(error.child("code").text().as_int(), c.code) << c.subCode;
        EXPECT_EQ(std::string(error.child("sub_code").text().get()), c.subCode);
        EXPECT_FALSE(std::string(error.child("msg").text().get()).empty());
        EXPECT_FALSE(std::string(error.child("sub_msg").text().get()).empty());
    }
}

TEST(GatewayChecks, ErrorAnswerIsTheBarePlatformShape)
{
    RunningSandbox sandbox;
    const auto answer = sandbox.get(targetWithSign(categoryQuery("0"), "00"));
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.body.rfind("<?xml", 0), 0u);
    const pugi::xml_document doc = parseXml(answer.body);
    const pugi::xml_node error = doc.document_element();
    EXPECT_STREQ(error.name(), "error_response");
    EXPECT_EQ(error.child("code").text().as_int(), 25);
    EXPECT_STREQ(error.child("msg").text().get(), "Invalid Signature");
    EXPECT_FALSE(error.child("sub_code"));
    EXPECT_FALSE(error.child("item_cats"));
}

}  // namespace
}  // namespace quenbo::sandbox::test
