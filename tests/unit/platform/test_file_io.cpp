#include "platform/file_io.h"
#include "platform/ini_file.h"
#include "temp_dir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>

namespace quenbo {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testsupport::TempDir;

// Far below forever, far above what a refusal takes.
constexpr auto kPromptly = 3s;

class FileIoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::ofstream(m_dir / "outside.jpg", std::ios::binary) << "outside";
        std::ofstream(m_dir / "outside.ini", std::ios::binary) << "[config]\r\ndeltmp=1\r\n";
    }

    std::string path(const char *name) const { return (m_dir / name).string(); }
    void makeFifo(const std::string &file) const { ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0); }

    // Runs job on a thread of its own and tells whether it ended within kPromptly. A job
    // still waiting on a FIFO is then let go by opening the FIFO's other end.
    template <typename Job> bool endsPromptly(const std::string &fifo, Job job) const
    {
        std::future<void> done = std::async(std::launch::async, job);
        if (done.wait_for(kPromptly) == std::future_status::ready) {
            done.get();
            return true;
        }
        while (done.wait_for(10ms) != std::future_status::ready) {
            const int end = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
            if (end >= 0)
                ::close(end);
        }
        return false;
    }

    TempDir m_dir{"quenbo-file-io"};
};

TEST_F(FileIoTest, ReadingRefusesLinksAndSpecialFilesWithoutWaiting)
{
    const std::string link = path("1.jpg");
    fs::create_symlink(m_dir / "outside.jpg", link);
    const std::string fifo = path("2.jpg");
    makeFifo(fifo);
    fs::create_directory(path("3.jpg"));
    const struct {
        const char *what;
        std::string file;
    } cases[] = {
        {"a symbolic link", link},      {"a FIFO", fifo},
        {"a directory", path("3.jpg")}, {"a missing file", path("4.jpg")},
        {"a device", "/dev/zero"},
    };
    for (const auto &c : cases) {
        std::vector<std::uint8_t> bytes = {7};
        std::string text = "kept";
        bool readBytes = true;
        bool readText = true;
        EXPECT_TRUE(endsPromptly(fifo,
                                 [&] {
                                     readBytes = readWholeFile(c.file, 1 << 20, bytes);
                                     readText = readWholeFile(c.file, 1 << 20, text);
                                 }))
            << c.what << " blocked the read";
        EXPECT_FALSE(readBytes) << c.what;
        EXPECT_FALSE(readText) << c.what;
        EXPECT_EQ(bytes, std::vector<std::uint8_t>{7}) << c.what;
        EXPECT_EQ(text, "kept") << c.what;
    }
    std::string text;
    EXPECT_TRUE(readWholeFile(path("outside.jpg"), 1 << 20, text));
    EXPECT_EQ(text, "outside");
}

TEST_F(FileIoTest, SettingsInALinkOrFifoAreNeitherReadNorWrittenThrough)
{
    const std::string link = path("config.ini");
    fs::create_symlink(m_dir / "outside.ini", link);
    const std::string fifo = path("fifo.ini");
    makeFifo(fifo);
    for (const std::string &file : {link, fifo}) {
        std::optional<std::string> value = "unset";
        bool refused = false;
        EXPECT_TRUE(endsPromptly(fifo, [&] {
            value = readIniValue(file, "config", "deltmp");
            try {
                writeIniValue(file, "config", "deltmp", "0");
            } catch (const IniError &) {
                refused = true;
            }
        })) << file;
        EXPECT_EQ(value, std::nullopt) << file;
        EXPECT_TRUE(refused) << file;
    }
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(readIniValue(path("outside.ini"), "config", "deltmp"), "1");
}

TEST_F(FileIoTest, AnAtomicWriteReplacesALinkAndLeavesItsTargetAlone)
{
    const std::string link = path("5.jpg");
    fs::create_symlink(m_dir / "outside.jpg", link);
    fs::permissions(m_dir / "outside.jpg", fs::perms(0600));
    ASSERT_TRUE(writeFileAtomically(link, "fresh", WriteSync::Unsynced));
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(fs::status(link).permissions(), fs::perms(0644));
    std::string text;
    EXPECT_TRUE(readWholeFile(link, 100, text));
    EXPECT_EQ(text, "fresh");
    EXPECT_TRUE(readWholeFile(path("outside.jpg"), 100, text));
    EXPECT_EQ(text, "outside");
}

}  // namespace
}  // namespace quenbo
