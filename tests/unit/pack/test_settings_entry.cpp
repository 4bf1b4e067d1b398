#include "pack/settings_entry.h"

#include "core/cipher_key.h"
#include "core/setting_cipher.h"

#include <gtest/gtest.h>

namespace quenbo::pack {
namespace {

std::string text(const ArchiveEntry &entry)
{
    return std::string(entry.data.begin(), entry.data.end());
}

TEST(SettingsEntry, WritesOneCrLfLinePerSettingUnderConfig)
{
    const Setting settings[] = {{"NickName", "掌柜"}, {"App_Key", ""}, {"IndexUrl", "http://h/"}};
    const ArchiveEntry entry = settingsEntry(settings);
    EXPECT_EQ(entry.name, "config.ini");

    const std::string ini = text(entry);
    const TSettingCipher cipher(settingsCipherKey());
    std::string expected = "[config]\r\n";
    for (const Setting &setting : settings)
        expected += setting.key + "=" + cipher.EncryptText(setting.value) + "\r\n";
    EXPECT_EQ(ini, expected);
    // No plain value shows through.
    EXPECT_EQ(ini.find("http"), std::string::npos);
    EXPECT_EQ(cipher.DecryptText(ini.substr(ini.find("NickName=") + 9, 12)), "掌柜");
}

TEST(SettingsEntry, WithoutSettingsHoldsOnlyTheSection)
{
    EXPECT_EQ(text(settingsEntry({})), "[config]\r\n");
}

TEST(SettingKeys, AcceptsTheNineKeysInAnyLetterCase)
{
    const std::vector<std::string_view> expected = {"App_Key",  "App_Secret", "NickName",
                                                    "IndexUrl", "FanXianUrl", "Gateway",
                                                    "SiteUrl",  "ItemMethod", "AdzoneId"};
    EXPECT_EQ(std::vector<std::string_view>(settingKeys().begin(), settingKeys().end()), expected);
    for (std::string_view key : settingKeys()) {
        std::string lower(key);
        for (char &c : lower)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(canonicalSettingKey(lower), key);
    }
    EXPECT_FALSE(canonicalSettingKey("App_Keys"));
    EXPECT_FALSE(canonicalSettingKey("deltmp"));
}

TEST(SettingValues, TakesUtf8TextWithoutControlCharacters)
{
    for (std::string_view good : {"", "http://127.0.0.1:8360/fanxian?id=", "小店 掌柜", "€ 𝄞"})
        EXPECT_EQ(settingValueProblem(good), "") << good;
    for (std::string_view bad : {"a\tb", "a\r\n", "\xC0\xAF", "\xF5\x80\x80\x80", "\xE2\x82"})
        EXPECT_NE(settingValueProblem(bad), "") << bad;
}

}  // namespace
}  // namespace quenbo::pack
