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

TTaoBaoData Item(const std::string &id, const std::string &title)
{
    TTaoBaoData item;
    item.NumIid = id;
    item.Title = title;
    item.Commission = 2.5;
    item.Volume = 7;
    item.Picture = std::make_shared<TJpegImage>();
    return item;
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

TEST_F(CacheTest, FindItemCopiesTheFirstExactMatch)
{
    m_common->Items.append(Item("0123", "leading zero"));
    m_common->Items.append(Item("123", "first"));
    m_common->Items.append(Item("123", "second"));

    TTaoBaoData found;
    m_common->FindItem("123", found);
    EXPECT_EQ(found.Title, "first");
    EXPECT_EQ(found.Volume, 7);
    EXPECT_EQ(found.Picture, m_common->Items[1].Picture);

    TTaoBaoData none;
    m_common->FindItem("12", none);
    m_common->FindItem("1234", none);
    m_common->FindItem("", none);
    EXPECT_EQ(none.NumIid, "");
    EXPECT_EQ(none.Title, "");
    EXPECT_EQ(none.Volume, 0);
    EXPECT_EQ(none.Picture, nullptr);
}

TEST_F(CacheTest, RemoveItemTakesOnlyTheFirstAndKeepsLookupsRight)
{
    for (const char *id : {"1", "2", "1", "3"})
        m_common->Items.append(
            Item(id, std::string("t") + id + std::to_string(m_common->Items.size())));
    const std::weak_ptr<TJpegImage> firstPicture = m_common->Items[0].Picture;

    m_common->RemoveItem("1");
    ASSERT_EQ(m_common->Items.size(), 3u);
    EXPECT_TRUE(firstPicture.expired());
    TTaoBaoData found;
    m_common->FindItem("1", found);
    EXPECT_EQ(found.Title, "t12");
    m_common->FindItem("3", found);
    EXPECT_EQ(found.Title, "t33");

    m_common->RemoveItem("9");
    EXPECT_EQ(m_common->Items.size(), 3u);
    m_common->Items.clear();
    found = {};
    m_common->FindItem("3", found);
    EXPECT_EQ(found.NumIid, "");
}

TEST_F(CacheTest, LoadItemPictureFallsBackToTheStandbyUntilTheFileArrives)
{
    const auto standby = testsupport::standbyJpeg();
    const auto own = testsupport::sampleJpeg(60, 40);
    TJpegImage picture;

    EXPECT_FALSE(m_common->LoadItemPicture("4711", &picture));
    EXPECT_EQ(picture.Bytes(), standby);

    WriteBytes(m_dir.tempDir() / "4711.jpg", own);
    EXPECT_TRUE(m_common->LoadItemPicture("4711", &picture));
    EXPECT_EQ(picture.Bytes(), own);
    EXPECT_EQ(picture.Width(), 60);
}

TEST_F(CacheTest, LoadItemPictureResults)
{
    const auto standby = testsupport::standbyJpeg();
    WriteBytes(m_dir.tempDir() / "1.jpg", {});
    WriteBytes(m_dir.tempDir() / "2.jpg", {'<', 'h', 't', 'm', 'l', '>'});
    fs::create_directory(m_dir.tempDir() / "3.jpg");
    // A valid picture outside the cache, reachable only through a path in the id.
    WriteBytes(m_dir.path() / "5.jpg", testsupport::sampleJpeg(8, 8));
    WriteBytes(m_dir.tempDir() / "6 .jpg", testsupport::sampleJpeg(8, 8));

    const struct {
        const char *id;
        bool result;
        bool holdsStandby;
    } cases[] = {
        {"1", true, false},                          // an empty file loads as an empty picture
        {"2", false, true},                          // not a JPEG
        {"3", false, true},                          // not a file
        {"../5", false, true},                       // never leaves the cache directory
        {"6 ", false, true},                         // not a plain digit id
        {"", false, true},     {"99", false, true},  // not cached yet
    };
    for (const auto &c : cases) {
        TJpegImage picture;
        EXPECT_EQ(m_common->LoadItemPicture(c.id, &picture), c.result) << c.id;
        EXPECT_EQ(picture.Bytes() == standby, c.holdsStandby) << c.id;
    }
    EXPECT_FALSE(m_common->LoadItemPicture("1", nullptr));
}

TEST_F(CacheTest, WithoutAStandbyPictureTheObjectStaysEmpty)
{
    m_dir.writeArchive(testsupport::protectedConfig(testsupport::standardSettings()), {});
    auto zip = m_dir.openArchive();
    TCommon common(*zip, m_dir.appPath());
    TJpegImage picture;
    EXPECT_FALSE(common.LoadItemPicture("42", &picture));
    EXPECT_TRUE(picture.Empty());
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
