#include "app/single_instance.h"
#include "core/program_paths.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <regex>
#include <string>

namespace quenbo {
namespace {

namespace fs = std::filesystem;

std::string serverName(const fs::path &lockFile)
{
    return singleInstanceServerName(QString::fromStdString(lockFile.string())).toStdString();
}

// <root>/a and <root>/b, a link to a, and a folder nested deeper than a socket address is long.
class ServerNameTest : public ::testing::Test {
protected:
    ServerNameTest()
    {
        fs::create_directories(m_root / "a");
        fs::create_directories(m_root / "b");
        fs::create_directory_symlink(m_root / "a", m_root / "link-to-a");
        fs::create_directories(deep());
    }
    fs::path root() const { return m_root.path(); }
    fs::path deep() const { return m_root / (std::string(120, 'd') + "/" + std::string(120, 'e')); }

    testsupport::TempDir m_root;
};

TEST_F(ServerNameTest, EverySpellingOfOneFolderGivesOneName)
{
    const std::string name = serverName(root() / "a/quenbo.lock");
    for (const fs::path &spelling : {root() / "a/quenbo.lock", root() / "a/../a/quenbo.lock",
                                     root() / "a/./quenbo.lock", root() / "link-to-a/quenbo.lock"})
        EXPECT_EQ(serverName(spelling), name) << spelling;
}

TEST_F(ServerNameTest, OtherFoldersGiveOtherNames)
{
    const fs::path program = root() / "a";
    const XdgFolders xdg{(root() / "b/data").string(),
                         (root() / "b/config").string(),
                         (root() / "b/cache").string(),
                         {}};
    struct Pair {
        const char *what;
        fs::path first;
        fs::path second;
    };
    const Pair pairs[] = {
        {"two folders", root() / "a/quenbo.lock", root() / "b/quenbo.lock"},
        {"two folders not made yet", root() / "new-1/quenbo.lock", root() / "new-2/quenbo.lock"},
        {"a portable copy and an installed program in one folder",
         PortablePaths(program.string()).lockFile, InstalledPaths(program.string(), xdg).lockFile},
    };
    for (const Pair &pair : pairs)
        EXPECT_NE(serverName(pair.first), serverName(pair.second)) << pair.what;
}

TEST_F(ServerNameTest, TheNameIsShortAndTheUsers)
{
    const std::regex form("quenbo-" + std::to_string(::getuid()) + "-[0-9a-f]{16}");
    for (const fs::path &lock : {root() / "a/quenbo.lock", deep() / "quenbo.lock"}) {
        const std::string name = serverName(lock);
        EXPECT_TRUE(std::regex_match(name, form)) << name;
    }
}

TEST(LockFile, LiesBesideTheFavourites)
{
    const XdgFolders xdg{"/home/u/.local/share", "/home/u/.config", "/home/u/.cache", {}};
    EXPECT_EQ(PortablePaths("/opt/q").lockFile, "/opt/q/data/quenbo.lock");
    EXPECT_EQ(InstalledPaths("/usr/bin", xdg).lockFile, "/home/u/.local/share/quenbo/quenbo.lock");
}

}  // namespace
}  // namespace quenbo
