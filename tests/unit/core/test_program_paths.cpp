#include "core/program_paths.h"
#include "core/ucommon.h"
#include "platform/favourites_db.h"
#include "program_folder.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

namespace quenbo {
namespace {

namespace fs = std::filesystem;

void WriteText(const fs::path &file, const std::string &text)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

std::string ReadText(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Names(const std::string &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

constexpr const char *kSchema = "CREATE TABLE info (fid TEXT, fTitle TEXT);";

// A home and a prefix: <root>/prefix/bin holds the program, <root>/home the user's folders
// and <root>/local and <root>/system two shared data folders.
class ProgramPathsTest : public ::testing::Test {
protected:
    std::string Program() const { return (m_root / "prefix" / "bin").string(); }
    XdgFolders Xdg() const
    {
        return {(m_root / "home/data").string(),
                (m_root / "home/config").string(),
                (m_root / "home/cache").string(),
                {(m_root / "local").string(), (m_root / "system").string()}};
    }
    std::string At(const std::string &name) const { return (m_root / name).string(); }

    testsupport::TempDir m_root;
};

TEST_F(ProgramPathsTest, AnArchiveBesideTheProgramKeepsEverythingThere)
{
    WriteText(m_root / "prefix/bin/data/skin.isn", "zip");
    // Also with archives in the per-user folders: beside the program wins.
    WriteText(m_root / "home/data/quenbo/skin.isn", "zip");
    const ProgramPaths paths = ChooseProgramPaths(Program(), Xdg());
    EXPECT_EQ(paths.layout, FolderLayout::Portable);
    EXPECT_EQ(paths.programFolder, At("prefix/bin/"));
    EXPECT_EQ(paths.archive, At("prefix/bin/data/skin.isn"));
    EXPECT_EQ(paths.settingsFile, At("prefix/bin/config.ini"));
    EXPECT_EQ(paths.cacheFolder, At("prefix/bin/temp/"));
    EXPECT_EQ(paths.databaseFile, At("prefix/bin/data/data.db"));
    EXPECT_EQ(paths.schemaFile, "");
}

TEST_F(ProgramPathsTest, WithoutOneTheProgramUsesThePerUserFolders)
{
    const ProgramPaths paths = ChooseProgramPaths(Program(), Xdg());
    EXPECT_EQ(paths.layout, FolderLayout::Installed);
    EXPECT_EQ(paths.settingsFile, At("home/config/quenbo/config.ini"));
    EXPECT_EQ(paths.cacheFolder, At("home/cache/quenbo/pictures/"));
    EXPECT_EQ(paths.databaseFile, At("home/data/quenbo/data.db"));
    const std::vector<std::string> places = {
        At("home/data/quenbo/skin.isn"), At("local/quenbo/skin.isn"), At("system/quenbo/skin.isn"),
        At("prefix/share/quenbo/skin.isn")};
    EXPECT_EQ(paths.archivePlaces, places);
    EXPECT_FALSE(ArchiveFound(paths));
    EXPECT_EQ(paths.archive, places.front());

    const std::string message = DescribeMissingArchive(paths);
    EXPECT_TRUE(message.starts_with("找不到资源包 skin.isn")) << message;
    for (const std::string &place : places)
        EXPECT_NE(message.find("  " + place + "\n"), std::string::npos) << message;
    EXPECT_NE(message.find("quenbo-pack --out " + places.front() + " --set App_Key="),
              std::string::npos)
        << message;
}

TEST_F(ProgramPathsTest, TheFirstArchiveAndSchemaFoundAreUsed)
{
    struct Case {
        std::vector<std::string> archives;
        std::string archive;
        std::vector<std::string> schemas;
        std::string schema;
    };
    const std::vector<Case> cases = {
        {{"home/data", "system", "prefix/share"},
         "home/data",
         {"system", "prefix/share"},
         "prefix/share"},
        {{"system", "local"}, "local", {"system", "local"}, "local"},
        {{"prefix/share"}, "prefix/share", {}, ""},
    };
    for (const Case &c : cases) {
        testsupport::TempDir root;
        for (const std::string &folder : c.archives)
            WriteText(root / folder / "quenbo/skin.isn", "zip");
        for (const std::string &folder : c.schemas)
            WriteText(root / folder / "quenbo/schema.sql", kSchema);
        const XdgFolders xdg{(root / "home/data").string(),
                             (root / "home/config").string(),
                             (root / "home/cache").string(),
                             {(root / "local").string(), (root / "system").string()}};
        const ProgramPaths paths = InstalledPaths((root / "prefix/bin").string(), xdg);
        EXPECT_EQ(paths.archive, (root / c.archive / "quenbo/skin.isn").string());
        EXPECT_TRUE(ArchiveFound(paths));
        EXPECT_EQ(paths.schemaFile,
                  c.schema.empty() ? "" : (root / c.schema / "quenbo/schema.sql").string());
    }
}

TEST_F(ProgramPathsTest, FirstRunMakesTheFoldersAndTheDatabaseFromTheSchema)
{
    WriteText(m_root / "prefix/share/quenbo/schema.sql", kSchema);
    const ProgramPaths paths = InstalledPaths(Program(), Xdg());
    PrepareInstalledFolders(paths);
    EXPECT_TRUE(fs::is_directory(At("home/config/quenbo")));
    EXPECT_TRUE(fs::is_directory(paths.cacheFolder));
    FavouritesDb db(paths.databaseFile);
    const SqlValue row[] = {std::string("7"), std::string("标题")};
    db.execute("INSERT INTO info (fid, fTitle) VALUES (?, ?)", row);
    EXPECT_EQ(db.query("SELECT * FROM info").size(), 1U);
    // Only the database is left in its folder: no temporary file.
    EXPECT_EQ(Names(At("home/data/quenbo")), std::vector<std::string>{"data.db"});

    // A later run keeps the database as it is, also when the schema has changed.
    const std::string before = ReadText(paths.databaseFile);
    WriteText(m_root / "prefix/share/quenbo/schema.sql", "CREATE TABLE other (x);");
    PrepareInstalledFolders(paths);
    EXPECT_EQ(ReadText(paths.databaseFile), before);
    EXPECT_FALSE(CreateDatabaseFile(paths.databaseFile, kSchema));
    EXPECT_EQ(ReadText(paths.databaseFile), before);
}

TEST_F(ProgramPathsTest, APreparationThatFailsNamesWhatAndLeavesNoDatabase)
{
    struct Case {
        const char *name;
        std::function<void()> arrange;
        std::string named;  // what the message starts with: the Chinese words and the file
    };
    const std::string database = "收藏夹数据库无法创建：" + At("home/data/quenbo/data.db") + ": ";
    const std::vector<Case> cases = {
        {"no schema", [] {}, database + "找不到安装的 schema.sql"},
        {"schema a folder",
         [&] { fs::create_directories(m_root / "prefix/share/quenbo/schema.sql"); },
         database + "找不到安装的 schema.sql"},
        {"schema too large",
         [&] {
             WriteText(m_root / "prefix/share/quenbo/schema.sql", kSchema);
             fs::resize_file(m_root / "prefix/share/quenbo/schema.sql", 1 << 21);
         },
         database + "无法读取 " + At("prefix/share/quenbo/schema.sql")},
        {"schema does not run",
         [&] { WriteText(m_root / "prefix/share/quenbo/schema.sql", "CREATE"); }, database},
        {"config folder a file", [&] { WriteText(m_root / "home/config/quenbo", "x"); },
         "文件夹无法创建：" + At("home/config/quenbo") + ": "},
    };
    for (const Case &c : cases) {
        fs::remove_all(m_root / "prefix");
        fs::remove_all(m_root / "home");
        c.arrange();
        const ProgramPaths paths = InstalledPaths(Program(), Xdg());
        try {
            PrepareInstalledFolders(paths);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const std::exception &error) {
            EXPECT_EQ(std::string(error.what()).substr(0, c.named.size()), c.named)
                << c.name << ": " << error.what();
        }
        EXPECT_FALSE(fs::exists(paths.databaseFile)) << c.name;
        if (fs::is_directory(At("home/data/quenbo"))) {
            EXPECT_TRUE(Names(At("home/data/quenbo")).empty()) << c.name;
        }
    }
}

TEST_F(ProgramPathsTest, TheCoreObjectKeepsItsFilesInThePerUserFolders)
{
    testsupport::ProgramFolder archiveHolder;
    archiveHolder.writeStandardArchive();
    WriteText(m_root / "prefix/share/quenbo/schema.sql", kSchema);
    const ProgramPaths paths = InstalledPaths(Program(), Xdg());
    PrepareInstalledFolders(paths);
    const auto zip = archiveHolder.openArchive();
    auto common = std::make_unique<TCommon>(*zip, paths);
    EXPECT_EQ(common->Cache.folder(), paths.cacheFolder);
    common->Settings.DataCache = true;
    WriteText(fs::path(paths.cacheFolder) / "5.jpg", "x");
    common->Shutdown();
    EXPECT_EQ(ReadText(paths.settingsFile), "[config]\r\ndeltmp=1\r\n");
    EXPECT_TRUE(fs::exists(fs::path(paths.cacheFolder) / "5.jpg"));
    EXPECT_FALSE(fs::exists(m_root / "prefix/bin"));
}

}  // namespace
}  // namespace quenbo
