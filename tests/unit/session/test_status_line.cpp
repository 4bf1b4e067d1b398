#include "session/status_line.h"

#include <gtest/gtest.h>

namespace quenbo {
namespace {

using Topic = StatusLine::Topic;

TEST(StatusLine, ShowsTheTopicSetLastUntilItIsCleared)
{
    StatusLine line;
    EXPECT_EQ(line.text(), "");
    line.set(Topic::Categories, "分类载入失败：无法连接到服务器", true);
    line.set(Topic::Items, "正在搜索 …");
    EXPECT_EQ(line.text(), "正在搜索 …");
    EXPECT_FALSE(line.alarming());
    // The search succeeds: the categories' failure shows again, it is not forgotten.
    line.clear(Topic::Items);
    EXPECT_EQ(line.text(), "分类载入失败：无法连接到服务器");
    EXPECT_TRUE(line.alarming());
    line.clear(Topic::Categories);
    EXPECT_EQ(line.text(), "");
    EXPECT_FALSE(line.alarming());
}

TEST(StatusLine, SaysEachKindOfFailureInItsOwnWords)
{
    using Kind = ExchangeFailure::Kind;
    const auto failure = [](Kind kind, long status = 0, std::string code = {},
                            std::string message = {}, std::string subMessage = {}) {
        ExchangeFailure f;
        f.kind = kind;
        f.httpStatus = status;
        f.code = std::move(code);
        f.message = std::move(message);
        f.subMessage = std::move(subMessage);
        return f;
    };
    const struct {
        ExchangeFailure failure;
        const char *line;
    } cases[] = {
        {failure(Kind::Connection), "搜索失败：无法连接到服务器"},
        {failure(Kind::Timeout), "搜索失败：服务器没有及时回答（连接超时）"},
        {failure(Kind::HttpStatus, 503), "搜索失败：服务器返回 HTTP 503"},
        {failure(Kind::TooLarge), "搜索失败：服务器的回答过大"},
        {failure(Kind::Redirect), "搜索失败：服务器的转向无法跟随"},
        {failure(Kind::BadAnswer), "搜索失败：服务器的回答无法解析"},
        {failure(Kind::Refused, 0, "7", "App Call Limited",
                 "This ban will last for 71 more seconds"),
         "搜索失败：App Call Limited — This ban will last for 71 more seconds"},
        {failure(Kind::Refused, 0, "25", "Invalid Signature"), "搜索失败：Invalid Signature"},
        {failure(Kind::Refused, 0, "", "", "pid不正确"), "搜索失败：pid不正确"},
        {failure(Kind::Refused, 0, "11"), "搜索失败：平台拒绝了请求（错误 11）"},
        {failure(Kind::Refused), "搜索失败：平台拒绝了请求"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FailureLine("搜索失败", c.failure), c.line);
}

}  // namespace
}  // namespace quenbo
