#include "platform/ini_file.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace quenbo {
namespace {

namespace fs = std::filesystem;

TEST(IniText, ReadsValuesByTrimmedCaseInsensitiveNames)
{
    const std::string text = "\xEF\xBB\xBF; comment=1\r\n"
                             "top=level\r\n"
                             "  [ Config ]  \r\n"
                             "\r\n"
                             "  App_Key =  a=b==  \r\n"
                             ";deltmp=9\r\n"
                             "deltmp\r\n"
                             "empty=\r\n"
                             "[other]\r\n"
                             "app_key=other\r\n"
                             "[config]\r\n"
                             "late=yes\r\n"
                             "APP_KEY=second";
    const IniText ini(text);
    const struct {
        const char *section, *key;
        std::optional<std::string> value;
    } cases[] = {
        {"config", "app_key", "a=b=="},
        {"CONFIG", "App_Key", "a=b=="},
        {"config", "deltmp", ""},
        {"config", "empty", ""},
        {"config", "late", "yes"},
        {"other", "APP_KEY", "other"},
        {"config", "top", std::nullopt},
        {"config", "comment", std::nullopt},
        {"config", "missing", std::nullopt},
        {"none", "app_key", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ini.value(c.section, c.key), c.value) << c.section << "/" << c.key;
    EXPECT_EQ(ini.text(), text);
}

TEST(IniText, SetValueRewritesOneLineAndKeepsTheRest)
{
    const struct {
        const char *before, *after;
    } cases[] = {
        {"", "[config]\r\ndeltmp=1\r\n"},
        {"[config]\r\ndeltmp=true\r\n", "[config]\r\ndeltmp=1\r\n"},
        {"[config]\ndeltmp=true\n", "[config]\ndeltmp=1\n"},
        {"; keep\r\n[Config]\r\n  DELTMP = 0  \r\nx=2\r\n",
         "; keep\r\n[Config]\r\ndeltmp=1\r\nx=2\r\n"},
        {"[config]\r\nx=1\r\n\r\n[other]\r\ny=2\r\n",
         "[config]\r\nx=1\r\ndeltmp=1\r\n\r\n[other]\r\ny=2\r\n"},
        {"[config]\r\nx=1", "[config]\r\nx=1\r\ndeltmp=1\r\n"},
        {"[other]\ny=2", "[other]\ny=2\n[config]\ndeltmp=1\n"},
        {"[config]\r\n[config]\r\ndeltmp=0\r\n", "[config]\r\n[config]\r\ndeltmp=1\r\n"},
    };
    for (const auto &c : cases) {
        IniText ini(c.before);
        ini.setValue("config", "deltmp", "1");
        EXPECT_EQ(ini.text(), c.after) << c.before;
        EXPECT_EQ(IniText(ini.text()).value("config", "deltmp"), "1") << c.before;
    }
}

TEST(IniText, RefusesNamesAndValuesThatWouldBreakTheLine)
{
    IniText ini("[config]\r\n");
    EXPECT_THROW(ini.setValue("config", "deltmp", "1\r\nx=2"), IniError);
    EXPECT_THROW(ini.setValue("config", "a=b", "1"), IniError);
    EXPECT_THROW(ini.setValue("con]fig", "a", "1"), IniError);
    EXPECT_THROW(ini.setValue("config", "", "1"), IniError);
    EXPECT_EQ(ini.text(), "[config]\r\n");
}

class IniFileTest : public ::testing::Test {
protected:
    std::string Read() const
    {
        std::ifstream in(m_file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    testsupport::TempDir m_dir{"quenbo-ini"};
    std::string m_file = (m_dir / "config.ini").string();
};

TEST_F(IniFileTest, WritesAtomicallyAndLeavesNoTemporaryFile)
{
    EXPECT_EQ(readIniValue(m_file, "config", "deltmp"), std::nullopt);
    writeIniText(m_file, "[config]\r\ndeltmp=true\r\n; note\r\n");
    fs::permissions(m_file, fs::perms(0640));
    writeIniValue(m_file, "config", "deltmp", "0");
    EXPECT_EQ(Read(), "[config]\r\ndeltmp=0\r\n; note\r\n");
    EXPECT_EQ(readIniValue(m_file, "config", "deltmp"), "0");
    EXPECT_EQ(fs::status(m_file).permissions(), fs::perms(0640));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.path()), fs::directory_iterator()), 1);
}

TEST_F(IniFileTest, ReportsTheFileItCannotWrite)
{
    const struct {
        const char *name;
        std::string file;
    } cases[] = {
        {"a directory in its place", m_file},
        {"no such directory", (m_dir / "missing" / "config.ini").string()},
    };
    fs::create_directory(m_file);
    for (const auto &c : cases) {
        try {
            writeIniValue(c.file, "config", "deltmp", "1");
            ADD_FAILURE() << c.name;
        } catch (const IniError &error) {
            EXPECT_EQ(std::string(error.what()), "Unable to write to " + c.file) << c.name;
        }
        EXPECT_THROW(writeIniText(c.file, "x"), IniError) << c.name;
    }
    EXPECT_TRUE(fs::is_directory(m_file));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.path()), fs::directory_iterator()), 1);
}

TEST_F(IniFileTest, OversizedFileIsNeitherReadNorRewritten)
{
    const std::string big = "[config]\r\ndeltmp=1\r\n" + std::string(kMaxIniFileSize, ';');
    writeIniText(m_file, big);
    EXPECT_EQ(readIniValue(m_file, "config", "deltmp"), std::nullopt);
    EXPECT_THROW(writeIniValue(m_file, "config", "deltmp", "0"), IniError);
    EXPECT_EQ(Read(), big);
}

}  // namespace
}  // namespace quenbo
