#include "pack/pack_options.h"

#include <gtest/gtest.h>

namespace quenbo::pack {
namespace {

ParsedOptions parse(const std::vector<std::string_view> &args)
{
    return parsePackOptions(args);
}

TEST(PackOptions, ReadsOutExportAndSettingsInTheirOrder)
{
    const ParsedOptions parsed =
        parse({"--set", "IndexUrl=http://h/i?a=b", "--out", "data/skin.isn", "--export=art",
               "--set=app_secret=", "--set", "SITEURL=http://s"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_FALSE(parsed.help);
    EXPECT_EQ(parsed.options.outPath, "data/skin.isn");
    EXPECT_EQ(parsed.options.exportDir, "art");
    ASSERT_EQ(parsed.options.settings.size(), 3u);
    const std::pair<std::string, std::string> expected[] = {
        {"IndexUrl", "http://h/i?a=b"}, {"App_Secret", ""}, {"SiteUrl", "http://s"}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(parsed.options.settings[i].key, expected[i].first);
        EXPECT_EQ(parsed.options.settings[i].value, expected[i].second);
    }
}

TEST(PackOptions, RecognisesAHelpRequest)
{
    EXPECT_TRUE(parse({"--set", "App_Key=1", "--help"}).help);
    EXPECT_TRUE(parse({"-h"}).help);
}

TEST(PackOptions, NamesWhatIsWrong)
{
    const struct {
        std::vector<std::string_view> args;
        std::string error;
    } cases[] = {
        {{}, "--out FILE is missing"},
        {{"--out"}, "--out needs a value"},
        {{"--out="}, "--out needs a non-empty path"},
        {{"--out", "a", "--out", "b"}, "--out is given twice"},
        {{"--out", "a", "--export", "x", "--export", "y"}, "--export is given twice"},
        {{"--out", "a", "--set", "=1"},
         "unknown key '' (known keys: App_Key, App_Secret, "
         "NickName, IndexUrl, FanXianUrl, Gateway, SiteUrl, ItemMethod, AdzoneId)"},
        {{"--out", "a", "--set", "App_Key 1"}, "--set needs KEY=VALUE, not 'App_Key 1'"},
        {{"--out", "a", "--set", "Gateway=x", "--set", "GATEWAY=y"}, "Gateway is given twice"},
        {{"--out", "a", "--set", "SiteUrl=\x7F"}, "the value of SiteUrl holds a control character"},
        {{"--out", "a", "--set", "NickName=\xE4\xB8"}, "the value of NickName is not UTF-8 text"},
        {{"--out", "a", "--set", "NickName=\xED\xA0\x80"},
         "the value of NickName is not UTF-8 text"},
        {{"--out", "a", "out2"}, "unknown argument: out2"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(parse(c.args).error, c.error);
}

}  // namespace
}  // namespace quenbo::pack
