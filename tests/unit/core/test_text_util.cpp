#include "core/split_title.h"
#include "core/text_util.h"
#include "core/ucommon.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quenbo {
namespace {

// The characters of a text as the one UTF-8 walk sees them: code point and byte length.
std::vector<std::pair<char32_t, std::size_t>> walk(std::string_view text)
{
    std::vector<std::pair<char32_t, std::size_t>> characters;
    for (std::size_t at = 0; at < text.size(); at += characters.back().second)
        characters.push_back(decodeUtf8At(text, at));
    return characters;
}

TEST(Utf8Walk, MalformedBytesAreOneCharacterEach)
{
    using Walk = std::vector<std::pair<char32_t, std::size_t>>;
    const struct {
        std::string text;
        Walk characters;
    } cases[] = {
        {"a\xC3\xA9", {{U'a', 1}, {U'\u00E9', 2}}},
        {"\xE8\xBF\x9E", {{U'\u8FDE', 3}}},
        {"\xF0\x9F\x98\x80", {{U'\U0001F600', 4}}},
        {"\x80z", {{0x80, 1}, {U'z', 1}}},                 // stray continuation byte
        {"\xE8\xBF", {{0xE8, 1}, {0xBF, 1}}},              // sequence cut short at the end
        {"\xE8z\x9E", {{0xE8, 1}, {U'z', 1}, {0x9E, 1}}},  // lead without continuations
        {"\xC0\xAF", {{0xC0, 1}, {0xAF, 1}}},              // overlong lead
        {"\xF8\x88\x80\x80\x80", {{0xF8, 1}, {0x88, 1}, {0x80, 1}, {0x80, 1}, {0x80, 1}}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(walk(c.text), c.characters) << c.text;

    // Both users of the walk count a malformed byte as one character.
    const auto wide = [](char32_t) { return 10; };
    EXPECT_EQ(SplitTitle("ab\x80"
                         "cd",
                         25, wide),
              (std::pair<std::string, std::string>{"ab", "\x80"
                                                         "cd"}));
    EXPECT_EQ(TCommon::SimilarKeyword("xx\x80"
                                      "123456789"),
              "\x80"
              "123456789");
}

TEST(TextUtil, TrimsBlanksAndTrailingSlashes)
{
    EXPECT_EQ(trimBlanks(" \t\r\n\x01 a b \x1F\x20"), "a b");
    EXPECT_EQ(trimBlanks("   "), "");
    EXPECT_EQ(trimBlanks("\xE8\xBF\x9E"), "\xE8\xBF\x9E");
    EXPECT_EQ(withoutTrailingSlashes("http://h:1///"), "http://h:1");
    EXPECT_EQ(withoutTrailingSlashes("http://h/a"), "http://h/a");
    EXPECT_EQ(withoutTrailingSlashes("/"), "");
}

}  // namespace
}  // namespace quenbo
