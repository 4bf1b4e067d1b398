#include "core/md5.h"

#include <gtest/gtest.h>

namespace quenbo {
namespace {

// Digests from RFC 1321's test suite and from coreutils md5sum for the lengths around the
// padding boundaries (55, 56, 64) and just past one 16384-byte piece.
TEST(Md5Hex, MatchesKnownDigestsInUpperCase)
{
    const struct {
        std::string text;
        const char *digest;
    } cases[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {std::string(55, 'a'), "EF1772B6DFF9A122358552954AD0DF65"},
        {std::string(56, 'a'), "3B0C8AC703F828B04C6C197006D17218"},
        {std::string(64, 'a'), "014842D480B571495A4A0363793F7367"},
        {std::string(16385, 'a'), "8D075F723556E776F6F5DCF28E6889A7"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Md5Hex(c.text), c.digest) << c.text.size() << " bytes";
}

TEST(Md5Hex, DigestsEveryByteIncludingZeros)
{
    const std::string withZero("a\0b", 3);
    EXPECT_NE(Md5Hex(withZero), Md5Hex("a"));
    EXPECT_EQ(Md5Hex(withZero).size(), 32u);
}

}  // namespace
}  // namespace quenbo
