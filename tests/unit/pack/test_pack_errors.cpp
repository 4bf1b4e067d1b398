// quenbo-pack refuses what it cannot do with a message and a non-zero exit, and never leaves
// a partial archive behind.
#include "pack_test_support.h"

#include <gtest/gtest.h>

namespace quenbo::pack::testing {
namespace {

namespace fs = std::filesystem;

TEST(PackProgram, RefusesBadRequestsAndLeavesNoFile)
{
    struct Case {
        std::vector<std::string> args;  // "{dir}" stands for the scratch folder
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--set", "App_Key=1"}, "--out FILE is missing"},
        {{"--out", "{dir}/skin.isn", "--set", "AppKey=1"}, "unknown key 'AppKey'"},
        {{"--out", "{dir}/skin.isn", "--set", "App_Key"}, "--set needs KEY=VALUE"},
        {{"--out", "{dir}/skin.isn", "--set", "App_Key=1", "--set", "app_key=2"},
         "App_Key is given twice"},
        {{"--out", "{dir}/skin.isn", "--set", "NickName=a\nb"}, "control character"},
        {{"--out", "{dir}/skin.isn", "--set", "NickName=\xC3("}, "not UTF-8"},
        {{"--out", "{dir}/skin.isn", "--set"}, "--set needs a value"},
        {{"--out", "{dir}/skin.isn", "--verbose"}, "unknown argument: --verbose"},
        {{"--out", "{dir}/missing/skin.isn"}, "cannot write {dir}/missing/skin.isn"},
        {{"--out", "{dir}/blocker/skin.isn"}, "cannot write"},
        {{"--out", "{dir}/folder"}, "cannot write {dir}/folder"},
        {{"--out", "{dir}/skin.isn", "--export", "{dir}/blocker/export"},
         "cannot make the export folder {dir}/blocker/export"},
    };
    for (const Case &c : cases) {
        const testsupport::TempDir dir;
        writeFile(dir / "blocker", "a file where a folder is expected");
        fs::create_directory(dir / "folder");
        const std::vector<std::string> before = dir.names();
        const auto expand = [&](std::string text) {
            for (std::size_t at; (at = text.find("{dir}")) != std::string::npos;)
                text.replace(at, 5, dir.path().string());
            return text;
        };
        std::vector<std::string> args;
        for (const std::string &arg : c.args)
            args.push_back(expand(arg));

        const ProgramRun run = runPackProgram(args);
        const std::string where = c.message;
        EXPECT_GT(run.exitCode, 0) << where;
        EXPECT_NE(run.standardError.find(expand(c.message)), std::string::npos)
            << where << "\n"
            << run.standardError;
        EXPECT_EQ(dir.names(), before) << where;
        EXPECT_TRUE(fs::is_empty(dir / "folder")) << where;
    }
}

TEST(PackProgram, AFailedRunKeepsThePreviousArchive)
{
    const testsupport::TempDir dir;
    writeFile(dir / "skin.isn", "the archive of an earlier run");
    writeFile(dir / "blocker", "");
    const ProgramRun run = runPackProgram(
        {"--out", (dir / "skin.isn").string(), "--export", (dir / "blocker" / "export").string()});
    EXPECT_GT(run.exitCode, 0);
    EXPECT_EQ(readFile(dir / "skin.isn"), "the archive of an earlier run");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"blocker", "skin.isn"}));
}

TEST(PackProgram, HelpNamesEveryKey)
{
    const ProgramRun run = runPackProgram({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    for (const char *key : {"App_Key", "App_Secret", "NickName", "IndexUrl", "FanXianUrl",
                            "Gateway", "SiteUrl", "ItemMethod", "AdzoneId"})
        EXPECT_NE(run.standardOutput.find(key), std::string::npos) << key;
}

}  // namespace
}  // namespace quenbo::pack::testing
