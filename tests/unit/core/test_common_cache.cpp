#include "core/ucommon.h"
#include "program_folder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace quenbo {
namespace {

namespace fs = std::filesystem;

void WriteBytes(const fs::path &file, const std::vector<std::uint8_t> &bytes)
{
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

class CacheTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir.writeStandardArchive();
        m_zip = m_dir.openArchive();
        m_common = std::make_unique<TCommon>(*m_zip, m_dir.appPath());
    }

    testsupport::ProgramFolder m_dir;
    std::unique_ptr<TZipFile> m_zip;
    std::unique_ptr<TCommon> m_common;
};

TEST_F(CacheTest, CachedPictureLoadsOnceItsFileArrives)
{
    const auto own = testsupport::sampleJpeg(60, 40);
    TJpegImage picture;
    EXPECT_FALSE(m_common->LoadCachedPicture("4711", picture));
    WriteBytes(m_dir.tempDir() / "4711.jpg", own);
    EXPECT_TRUE(m_common->LoadCachedPicture("4711", picture));
    EXPECT_EQ(picture.Bytes(), own);
    EXPECT_EQ(picture.Width(), 60);
}

TEST_F(CacheTest, CachedPictureResults)
{
    WriteBytes(m_dir.tempDir() / "1.jpg", {});
    WriteBytes(m_dir.tempDir() / "2.jpg", {'<', 'h', 't', 'm', 'l', '>'});
    fs::create_directory(m_dir.tempDir() / "3.jpg");
    // A valid picture outside the cache, reachable only through a path in the id.
    WriteBytes(m_dir.path() / "5.jpg", testsupport::sampleJpeg(8, 8));
    WriteBytes(m_dir.tempDir() / "6 .jpg", testsupport::sampleJpeg(8, 8));

    const struct {
        const char *id;
        bool result;
    } cases[] = {
        {"1", true},                     // an empty file loads as an empty picture
        {"2", false},                    // not a JPEG
        {"3", false},                    // not a file
        {"../5", false},                 // never leaves the cache directory
        {"6 ", false},                   // not a plain digit id
        {"", false},     {"99", false},  // not cached yet
    };
    for (const auto &c : cases) {
        TJpegImage picture;
        EXPECT_EQ(m_common->LoadCachedPicture(c.id, picture), c.result) << c.id;
    }
}

TEST_F(CacheTest, CacheFileNamesOnlyForIdsThatAreFileNames)
{
    const std::string opaque = "e3R0dpHDtdmy9egpXuXoBFzt0-wKgkm2tQZ6kpryRf9";
    for (const std::string &id : {std::string("12345"), opaque, std::string("12a"),
                                  std::string("-1"), std::string(64, 'Z')})
        EXPECT_EQ(m_common->CacheFileName(id), m_dir.appPath() + "temp/" + id + ".jpg") << id;
    for (const std::string &id :
         {std::string(), std::string("../1"), std::string("1/2"), std::string(" 1"),
          std::string("１２"), std::string("a.b"), std::string(".."), std::string("a\\b"),
          std::string("a\0b", 3), std::string("a_b"), std::string(65, '1')})
        EXPECT_EQ(m_common->CacheFileName(id), std::nullopt) << id;
}

}  // namespace
}  // namespace quenbo
