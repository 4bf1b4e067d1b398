#include "core/ucommon.h"
#include "platform/ini_file.h"
#include "program_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

namespace quenbo {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteText(const fs::path &file, const std::string &text)
{
    std::ofstream(file, std::ios::binary) << text;
}

class LifecycleTest : public ::testing::Test {
protected:
    std::unique_ptr<TCommon> Start()
    {
        m_zip = m_dir.openArchive();
        return std::make_unique<TCommon>(*m_zip, m_dir.appPath());
    }
    fs::path Settings() const { return m_dir.path() / "config.ini"; }

    testsupport::ProgramFolder m_dir;
    std::unique_ptr<TZipFile> m_zip;
};

TEST_F(LifecycleTest, FirstStartWritesDefaultsAndExitEmptiesTheCache)
{
    m_dir.writeStandardArchive();
    auto common = Start();
    EXPECT_EQ(ReadText(Settings()), "[config]\r\ndeltmp=true\r\n");
    EXPECT_FALSE(common->Settings.DataCache);
    EXPECT_EQ(common->Cache.folder(), m_dir.appPath() + "temp/");
    EXPECT_TRUE(fs::is_directory(m_dir.tempDir()));
    EXPECT_EQ(common->Settings.AppKey, "12345678");
    EXPECT_EQ(common->Settings.AppSecret, "test-secret");
    EXPECT_EQ(common->Settings.NickName, "测试者");
    EXPECT_EQ(common->Settings.IndexUrl, "http://127.0.0.1:1/index.xml");
    EXPECT_EQ(common->Settings.FanXianUrl, "http://127.0.0.1:1/fanxian?id=");
    EXPECT_EQ(common->Settings.GatewayAddress, "");
    EXPECT_EQ(common->Settings.SiteUrl, ProgramSettings::kDefaultSiteUrl);

    WriteText(m_dir.tempDir() / "1.jpg", "x");
    WriteText(m_dir.tempDir() / "2.jpg", "y");
    fs::create_directory(m_dir.tempDir() / "keep");
    WriteText(m_dir.tempDir() / "keep" / "3.jpg", "z");
    WriteText(m_dir.path() / "outside.jpg", "o");
    fs::create_symlink(m_dir.path() / "outside.jpg", m_dir.tempDir() / "link.jpg");
    common.reset();

    EXPECT_EQ(ReadText(Settings()), "[config]\r\ndeltmp=0\r\n");
    EXPECT_FALSE(fs::exists(m_dir.tempDir() / "1.jpg"));
    EXPECT_FALSE(fs::exists(m_dir.tempDir() / "2.jpg"));
    EXPECT_FALSE(fs::is_symlink(m_dir.tempDir() / "link.jpg"));
    EXPECT_TRUE(fs::exists(m_dir.tempDir() / "keep" / "3.jpg"));
    EXPECT_TRUE(fs::exists(m_dir.path() / "outside.jpg"));
}

TEST_F(LifecycleTest, CacheFlagDecidesWhetherPicturesSurviveExit)
{
    m_dir.writeStandardArchive();
    const struct {
        const char *settings;
        bool keeps;
        const char *saved;
    } cases[] = {
        {"[config]\r\ndeltmp=1\r\n", true, "1"},
        {"[config]\r\ndeltmp=0x10\r\n", true, "1"},
        {"[CONFIG]\r\n DelTmp = -1 \r\n", true, "1"},
        {"[config]\r\ndeltmp=0\r\n", false, "0"},
        {"[config]\r\ndeltmp=false\r\n", false, "0"},
        {"[config]\r\ndeltmp=yes\r\n", false, "0"},
        {"[config]\r\n", false, "0"},
        {"; no section\r\ndeltmp=1\r\n", false, "0"},
    };
    for (const auto &c : cases) {
        WriteText(Settings(), c.settings);
        auto common = Start();
        EXPECT_EQ(common->Settings.DataCache, c.keeps) << c.settings;
        WriteText(m_dir.tempDir() / "7.jpg", "x");
        common.reset();
        EXPECT_EQ(fs::exists(m_dir.tempDir() / "7.jpg"), c.keeps) << c.settings;
        EXPECT_EQ(readIniValue(Settings().string(), "config", "deltmp"), c.saved) << c.settings;
    }
}

TEST_F(LifecycleTest, SavingKeepsTheOtherLinesOfTheSettingsFile)
{
    m_dir.writeStandardArchive();
    WriteText(Settings(), "; mine\r\n[other]\r\na=b\r\n[config]\r\nx=1\r\ndeltmp=0\r\ny=2\r\n");
    auto common = Start();
    common->Settings.DataCache = true;
    common->Shutdown();
    EXPECT_EQ(ReadText(Settings()),
              "; mine\r\n[other]\r\na=b\r\n[config]\r\nx=1\r\ndeltmp=1\r\ny=2\r\n");
}

TEST_F(LifecycleTest, UnwritableSettingsFileStopsExitBeforeTheCacheIsEmptied)
{
    m_dir.writeStandardArchive();
    auto common = Start();
    WriteText(m_dir.tempDir() / "7.jpg", "x");
    // A directory in the settings file's place cannot be replaced by a file.
    fs::remove(Settings());
    fs::create_directory(Settings());
    try {
        common->Shutdown();
        FAIL() << "no error";
    } catch (const IniError &error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + Settings().string());
    }
    EXPECT_TRUE(fs::exists(m_dir.tempDir() / "7.jpg"));
    common.reset();
    EXPECT_TRUE(fs::exists(m_dir.tempDir() / "7.jpg"));
}

TEST_F(LifecycleTest, SettingsFileThatVanishedIsNotRecreatedAtExit)
{
    m_dir.writeStandardArchive();
    auto common = Start();
    fs::remove(Settings());
    common.reset();
    EXPECT_FALSE(fs::exists(Settings()));
}

TEST_F(LifecycleTest, ConstructionFailsWithTheDecodersError)
{
    const auto without = [](const char *key) {
        auto settings = testsupport::standardSettings();
        settings.erase(key);
        return testsupport::protectedConfig(settings);
    };
    const struct {
        const char *name;
        std::string config;
        const char *error;
    } cases[] = {
        {"App_Key absent", without("App_Key"), "Invalid file format"},
        {"FanXianUrl absent", without("FanXianUrl"), "Invalid file format"},
        {"NickName empty", without("NickName") + "NickName=\r\n", "Invalid file format"},
        {"App_Key not Base64", without("App_Key") + "App_Key=ab cd\r\n",
         "Invalid Base64 Character"},
        {"empty entry", "", "Invalid file format"},
    };
    for (const auto &c : cases) {
        m_dir.writeArchive(c.config, testsupport::corePictures());
        try {
            Start();
            ADD_FAILURE() << c.name << ": constructed";
        } catch (const std::exception &error) {
            EXPECT_EQ(std::string(error.what()), c.error) << c.name;
        }
        // No core object came into being, so nothing was written beside the program.
        EXPECT_FALSE(fs::exists(Settings())) << c.name;
    }
}

TEST_F(LifecycleTest, OptionalAddressesAreDecodedWhenPresent)
{
    auto settings = testsupport::standardSettings();
    settings["Gateway"] = "http://127.0.0.1:8360";
    settings["SiteUrl"] = "http://127.0.0.1:8361";
    m_dir.writeArchive(testsupport::protectedConfig(settings), testsupport::corePictures());
    auto common = Start();
    EXPECT_EQ(common->Settings.GatewayAddress, "http://127.0.0.1:8360");
    EXPECT_EQ(common->Settings.SiteUrl, "http://127.0.0.1:8361");
    EXPECT_EQ(common->GatewayUrl(), "http://127.0.0.1:8360/router/rest?");

    m_dir.writeArchive(testsupport::protectedConfig(testsupport::standardSettings()) +
                           "Gateway=%%%%\r\n",
                       testsupport::corePictures());
    EXPECT_THROW(Start(), EBase64Error);
}

TEST_F(LifecycleTest, TheItemMethodIsCheckedAtStart)
{
    const std::string material = "taobao.tbk.dg.material.optional.upgrade";
    const struct {
        const char *name;
        std::map<std::string, std::string> extra;
        ItemMethod method;
        const char *error;  // empty: starts
    } cases[] = {
        {"neither entry", {}, ItemMethod::Classic, ""},
        {"an ad zone alone", {{"AdzoneId", "123"}}, ItemMethod::Classic, ""},
        {"the material search",
         {{"ItemMethod", material}, {"AdzoneId", "123"}},
         ItemMethod::MaterialSearch,
         ""},
        {"another method",
         {{"ItemMethod", "taobao.taobaoke.items.get"}},
         ItemMethod::Classic,
         "资源包的 config.ini 里的设置 ItemMethod 不受支持：\"taobao.taobaoke.items.get\"，只能是 "
         "taobao.tbk.dg.material.optional.upgrade"},
        {"no ad zone",
         {{"ItemMethod", material}},
         ItemMethod::Classic,
         "资源包的 config.ini 里的设置 AdzoneId 应是推广位的数字编号：\"\""},
        {"a whole PID for the ad zone",
         {{"ItemMethod", material}, {"AdzoneId", "mm_1_2_3"}},
         ItemMethod::Classic,
         "资源包的 config.ini 里的设置 AdzoneId 应是推广位的数字编号：\"mm_1_2_3\""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        auto settings = testsupport::standardSettings();
        settings.insert(c.extra.begin(), c.extra.end());
        m_dir.writeArchive(testsupport::protectedConfig(settings), testsupport::corePictures());
        if (std::string(c.error).empty()) {
            EXPECT_EQ(Start()->Settings.Method, c.method);
            continue;
        }
        try {
            Start();
            ADD_FAILURE() << "started";
        } catch (const SettingsError &error) {
            EXPECT_EQ(std::string(error.what()), c.error);
        }
    }
}

// Each favourites operation.
const struct {
    const char *name;
    void (*run)(TCommon &common);
} kFavouritesOperations[] = {
    {"add",
     [](TCommon &common) {
         TTaoBaoData item;
         item.NumIid = "1";
         common.Favourites.add(item);
     }},
    {"delete", [](TCommon &common) { common.DeleteFavourite("1"); }},
    {"list", [](TCommon &common) { common.FavouriteRows(); }},
};

TEST_F(LifecycleTest, StartsWithoutADatabaseAndFailsEachFavouritesOperation)
{
    m_dir.writeStandardArchive();
    auto common = Start();
    // The opening's own words, with nothing put in front by the operation.
    const std::string message =
        "收藏夹数据库无法打开：" + m_dir.databaseFile().string() + ": unable to open database file";
    for (const auto &operation : kFavouritesOperations) {
        try {
            operation.run(*common);
            ADD_FAILURE() << operation.name << ": no error";
        } catch (const DatabaseError &error) {
            EXPECT_EQ(std::string(error.what()), message) << operation.name;
        }
    }
    EXPECT_FALSE(fs::exists(m_dir.databaseFile()));
}

TEST_F(LifecycleTest, AfterShutdownEachFavouritesOperationSaysTheDatabaseIsClosed)
{
    m_dir.writeStandardArchive();
    m_dir.createDatabase();
    auto common = Start();
    common->Shutdown();
    for (const auto &operation : kFavouritesOperations) {
        try {
            operation.run(*common);
            ADD_FAILURE() << operation.name << ": no error";
        } catch (const DatabaseError &error) {
            EXPECT_EQ(std::string(error.what()), "收藏夹数据库没有打开") << operation.name;
        }
    }
}

TEST_F(LifecycleTest, CreditIconsComeFromTheArchiveByLevel)
{
    m_dir.writeStandardArchive();
    auto common = Start();
    ASSERT_EQ(common->CreditIcons.size(), 20u);
    for (std::int32_t level = 1; level <= 20; ++level) {
        const TGifImage *icon = common->CreditIcon(level);
        ASSERT_NE(icon, nullptr) << level;
        EXPECT_EQ(icon->Width(), level + 1);
    }
    EXPECT_EQ(common->CreditIcon(0), nullptr);
    EXPECT_EQ(common->CreditIcon(21), nullptr);
    EXPECT_EQ(common->CreditIcon(-1), nullptr);
}

TEST_F(LifecycleTest, MissingIconsStayAsEmptyPictures)
{
    m_dir.writeArchive(testsupport::protectedConfig(testsupport::standardSettings()), {});
    auto common = Start();
    ASSERT_EQ(common->CreditIcons.size(), 20u);
    ASSERT_NE(common->CreditIcon(5), nullptr);
    EXPECT_TRUE(common->CreditIcon(5)->Empty());
}

class FlagWorker : public TWorker {
public:
    explicit FlagWorker(std::vector<std::string> &log)
        : m_log(log)
    {
    }
    ~FlagWorker() override { m_log.push_back("released"); }
    void StopWork() override { m_log.push_back("stopped"); }

private:
    std::vector<std::string> &m_log;
};

TEST_F(LifecycleTest, ExitStopsAndReleasesTheRegisteredWorkers)
{
    m_dir.writeStandardArchive();
    std::vector<std::string> log;
    auto common = Start();
    common->AddWorker({11, std::make_unique<FlagWorker>(log)});
    common->AddWorker({12, std::make_unique<FlagWorker>(log)});
    common->RemoveWorker(12);
    common->RemoveWorker(99);
    EXPECT_EQ(common->Workers.size(), 1u);
    common.reset();
    EXPECT_EQ(log, (std::vector<std::string>{"stopped", "released", "released"}));
}

TEST(SimilarKeyword, TakesTheLastTenCharacters)
{
    const struct {
        const char *title, *keyword;
    } cases[] = {
        {"", ""},
        {"abcd", "abcd"},
        {"0123456789", "0123456789"},
        {"abcdefghijklmno0123456789", "0123456789"},
        {"新款女装夏季连衣裙修身显瘦雪纺长裙子", "裙修身显瘦雪纺长裙子"},
        {"四个汉字", "四个汉字"},
        {"价格ab1234567890", "1234567890"},
        {"ab价格12345678", "价格12345678"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TCommon::SimilarKeyword(c.title), c.keyword) << c.title;
}

}  // namespace
}  // namespace quenbo
