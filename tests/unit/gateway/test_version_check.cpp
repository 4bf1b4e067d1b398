#include "gateway/version_check.h"

#include <gtest/gtest.h>

namespace quenbo {
namespace {

TEST(SplitText, KeepsEveryPieceButAnEmptyLast)
{
    const struct {
        const char *name;
        std::string text;
        std::vector<std::string> pieces;
    } cases[] = {
        {"one piece", "v1", {"v1"}},
        {"two pieces", "v2|x", {"v2", "x"}},
        {"empty piece between", "a||b", {"a", "", "b"}},
        {"separator last", "a|", {"a"}},
        {"empty", "", {}},
        {"separator only", "|", {""}},
        {"line ends kept", "v1\r\n|x\n", {"v1\r\n", "x\n"}},
        {"multi-byte text", "新版本|下载", {"新版本", "下载"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SplitText(c.text, '|'), c.pieces) << c.name;
}

TEST(ReadVersionText, AsksOnlyForAnotherVersion)
{
    const std::string page = "http://127.0.0.1:8080/download";
    const struct {
        const char *name;
        std::string text;
        bool asked;
        std::string address;  // the download page offered
    } cases[] = {
        {"this release", "v1|" + page, false, ""},
        {"this release alone", "v1", false, ""},
        {"newer", "v2|" + page, true, page},
        {"capital V asks", "V1|" + page, true, page},
        {"fields after the address", "v3|" + page + "|x|y", true, page},
        {"line end after the address", "v2|" + page + "\r\n", true, page},
        {"blanks around the address", "v2| " + page + " ", true, page},
        {"no separator", "v2", true, ""},
        {"line end after the tag", "v1\r\n", true, ""},
        {"empty file", "", false, ""},
        {"address not on the web", "v2|file:///etc/passwd", true, "file:///etc/passwd"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const UpdateOffer offer = ReadVersionText(c.text);
        EXPECT_EQ(offer.askToUpgrade, c.asked);
        EXPECT_EQ(offer.address, c.address);
    }
}

}  // namespace
}  // namespace quenbo
