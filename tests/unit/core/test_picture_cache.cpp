#include "core/picture_cache.h"
#include "pictures/jpeg_image.h"
#include "platform/file_io.h"
#include "program_folder.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace quenbo {
namespace {

namespace fs = std::filesystem;

void Write(const fs::path &file, const std::vector<std::uint8_t> &bytes)
{
    ASSERT_TRUE(writeFileAtomically(file.string(), std::string(bytes.begin(), bytes.end())));
}

TEST(PictureCache, MakesItsFolderAndReadsOnlyPicturesNamedByPlainIds)
{
    const testsupport::TempDir dir;
    const PictureCache cache(dir.path().string() + "/temp/");
    EXPECT_TRUE(fs::is_directory(dir.path() / "temp"));

    Write(dir.path() / "temp" / "11.jpg", testsupport::sampleJpeg(8, 6));
    Write(dir.path() / "temp" / "12.jpg", {'n', 'o'});
    TJpegImage picture;
    EXPECT_TRUE(cache.load("11", picture));
    EXPECT_EQ(picture.Width(), 8);
    EXPECT_FALSE(cache.load("12", picture));
    EXPECT_FALSE(cache.load("13", picture));
    EXPECT_FALSE(cache.load("../temp/11", picture));
}

TEST(PictureCache, TheExitRuleKeepsOrEmptiesTheFilesButNothingElse)
{
    const testsupport::TempDir dir;
    const PictureCache cache(dir.path().string() + "/temp/");
    const fs::path folder = dir.path() / "temp";
    Write(folder / "1.jpg", {1});
    Write(dir.path() / "outside.jpg", {2});
    fs::create_symlink(dir.path() / "outside.jpg", folder / "link.jpg");
    fs::create_directory(folder / "inner");

    cache.finish(true);
    EXPECT_TRUE(fs::exists(folder / "1.jpg"));
    EXPECT_TRUE(fs::is_symlink(folder / "link.jpg"));

    cache.finish(false);
    EXPECT_FALSE(fs::exists(folder / "1.jpg"));
    EXPECT_FALSE(fs::is_symlink(folder / "link.jpg"));
    EXPECT_TRUE(fs::exists(dir.path() / "outside.jpg"));
    EXPECT_TRUE(fs::is_directory(folder / "inner"));
}

}  // namespace
}  // namespace quenbo
