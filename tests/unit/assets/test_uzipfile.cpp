#include "assets/archive_password.h"
#include "assets/uzipfile.h"
#include "pictures/picture_writers.h"
#include "program_folder.h"
#include "temp_dir.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>

namespace quenbo {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

struct Entry {
    std::string name;
    Bytes data;
    bool encrypted = true;
    zip_int32_t compression = ZIP_CM_DEFLATE;
};

// Writes a ZIP archive with libzip; every encrypted entry uses traditional PKWARE
// encryption under the given password.
void WriteArchive(const fs::path &path, const std::vector<Entry> &entries,
                  const std::string &password)
{
    int code = 0;
    zip_t *archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    ASSERT_NE(archive, nullptr);
    for (const auto &entry : entries) {
        zip_source_t *source = zip_source_buffer(archive, entry.data.data(), entry.data.size(), 0);
        ASSERT_NE(source, nullptr);
        const zip_int64_t index =
            zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8);
        ASSERT_GE(index, 0) << zip_strerror(archive);
        ASSERT_EQ(zip_set_file_compression(archive, zip_uint64_t(index), entry.compression, 0), 0);
        if (entry.encrypted) {
            ASSERT_EQ(zip_file_set_encryption(archive, zip_uint64_t(index), ZIP_EM_TRAD_PKWARE,
                                              password.c_str()),
                      0);
        }
    }
    ASSERT_EQ(zip_close(archive), 0);
}

class ZipFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_bmp = EncodeBmp(testsupport::patternImage(21, 13));
        m_gif = EncodeGif({GifFrame{testsupport::patternImage(12, 9), 100},
                           GifFrame{testsupport::patternImage(12, 9, 0), 100}},
                          0);
        m_jpeg = EncodeJpeg(testsupport::patternImage(40, 30));
        m_png = EncodePng(testsupport::patternImage(9, 10, 128));
        m_ini = {'[', 'c', 'o', 'n', 'f', 'i', 'g', ']', '\n'};
    }

    fs::path Standard(const std::string &password = ArchivePassword())
    {
        const fs::path path = m_dir / "skin.isn";
        WriteArchive(path,
                     {{"config.ini", m_ini},
                      {"t_top.bmp", m_bmp, true, ZIP_CM_STORE},
                      {"Load.GIF", m_gif},
                      {"loadimg.jpg", m_jpeg, true, ZIP_CM_STORE},
                      {"class_1.png", m_png},
                      {"plain.bmp", m_bmp, false},
                      {"sub/inner.bmp", m_bmp}},
                     password);
        return path;
    }

    testsupport::TempDir m_dir{"quenbo-zip"};
    Bytes m_bmp, m_gif, m_jpeg, m_png, m_ini;
};

TEST(ArchivePassword, HasNineteenCharactersAndIsStable)
{
    EXPECT_EQ(ArchivePassword().size(), 19u);
    EXPECT_EQ(ArchivePassword(), ArchivePassword());
}

TEST(ArchivePassword, OpensAnArchivePackedOnceWithIt)
{
    // Packed once by Info-ZIP's zip with the password and checked in: every other test archive
    // is written with ArchivePassword() itself, so only this one notices a changed password.
    const TZipFile zip(QUENBO_PINNED_ARCHIVE);
    std::vector<std::uint8_t> entry;
    ASSERT_TRUE(zip.ReadEntry("config.ini", entry));
    EXPECT_EQ(std::string(entry.begin(), entry.end()), "[config]\r\npinned=yes\r\n");
}

TEST_F(ZipFileTest, ReadsEveryKindOfEntry)
{
    const TZipFile zip(Standard().string());

    Bytes ini{9, 9};
    ASSERT_TRUE(zip.ReadEntry("config.ini", ini));
    EXPECT_EQ(ini, m_ini);

    TBitmap bitmap;
    ASSERT_TRUE(zip.ReadBitmap("t_top", bitmap));
    EXPECT_EQ(bitmap.Width(), 21);
    EXPECT_EQ(bitmap.Height(), 13);

    TGifImage gif;
    ASSERT_TRUE(zip.ReadGif("load", gif));
    EXPECT_EQ(gif.Frames().size(), 2u);
    EXPECT_EQ(gif.LoopCount(), 0);

    TJpegImage jpeg;
    ASSERT_TRUE(zip.ReadJpeg("loadimg", jpeg));
    EXPECT_EQ(jpeg.Bytes(), m_jpeg);
    EXPECT_EQ(jpeg.Width(), 40);

    TPngImage png;
    ASSERT_TRUE(zip.ReadPng("class_1", png));
    EXPECT_EQ(png.Width(), 9);
    EXPECT_EQ(png.Image().pixels[3], 128);
}

TEST_F(ZipFileTest, SameEntryTwiceGivesTheSamePicture)
{
    const TZipFile zip(Standard().string());
    TBitmap first, second;
    ASSERT_TRUE(zip.ReadBitmap("t_top", first));
    ASSERT_TRUE(zip.ReadBitmap("t_top", second));
    EXPECT_EQ(first.Image().pixels, second.Image().pixels);
}

TEST_F(ZipFileTest, LooksUpTopLevelNamesWithoutLetterCase)
{
    const TZipFile zip(Standard().string());
    Bytes bytes;
    const struct {
        const char *name;
        bool found;
    } cases[] = {
        {"CONFIG.INI", true}, {"Config.Ini", true},    {"load.gif", true},
        {"LOAD.gif", true},   {"config", false},       {"config.ini ", false},
        {"inner.bmp", false}, {"sub/inner.bmp", true}, {"", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(zip.ReadEntry(c.name, bytes), c.found) << c.name;

    // A typed loader appends its own extension and finds nothing under another one.
    TBitmap bitmap;
    EXPECT_FALSE(zip.ReadBitmap("loadimg", bitmap));
    TJpegImage jpeg;
    EXPECT_FALSE(zip.ReadJpeg("t_top", jpeg));
    EXPECT_FALSE(zip.ReadJpeg("loadimg.jpg", jpeg));
}

TEST_F(ZipFileTest, MissingEntryLeavesTheCallersObjectAsItWas)
{
    const TZipFile zip(Standard().string());
    TBitmap bitmap;
    ASSERT_TRUE(zip.ReadBitmap("t_top", bitmap));
    const Bytes before = bitmap.Image().pixels;
    EXPECT_FALSE(zip.ReadBitmap("nothing", bitmap));
    EXPECT_EQ(bitmap.Image().pixels, before);

    Bytes stream{1, 2, 3};
    EXPECT_FALSE(zip.ReadEntry("nothing", stream));
    EXPECT_EQ(stream, (Bytes{1, 2, 3}));
}

TEST_F(ZipFileTest, OtherPasswordReadsOnlyUnencryptedEntries)
{
    const TZipFile zip(Standard("another password!!!").string());
    Bytes bytes;
    EXPECT_FALSE(zip.ReadEntry("config.ini", bytes));
    EXPECT_FALSE(zip.ReadEntry("t_top.bmp", bytes));
    TGifImage gif;
    EXPECT_FALSE(zip.ReadGif("load", gif));
    EXPECT_TRUE(gif.Empty());
    TBitmap bitmap;
    EXPECT_TRUE(zip.ReadBitmap("plain", bitmap));
    EXPECT_EQ(bitmap.Width(), 21);
}

TEST_F(ZipFileTest, DataThatIsNotAPictureGivesFalse)
{
    const fs::path path = m_dir / "odd.isn";
    WriteArchive(path,
                 {{"broken.png", Bytes(m_png.begin(), m_png.begin() + 20)},
                  {"text.gif", m_ini},
                  {"empty.bmp", {}}},
                 ArchivePassword());
    const TZipFile zip(path.string());
    TPngImage png;
    EXPECT_FALSE(zip.ReadPng("broken", png));
    TGifImage gif;
    EXPECT_FALSE(zip.ReadGif("text", gif));
    TBitmap bitmap;
    EXPECT_FALSE(zip.ReadBitmap("empty", bitmap));
}

TEST_F(ZipFileTest, DamagedEntryDataGivesFalse)
{
    const fs::path path = m_dir / "damaged.isn";
    Bytes noise(4000);
    std::mt19937 random(7);
    for (auto &b : noise)
        b = std::uint8_t(random());
    WriteArchive(path, {{"noise.bin", noise, false, ZIP_CM_STORE}}, ArchivePassword());

    // Flip one byte of the stored data: the CRC no longer matches.
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    std::string archive((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const auto at = archive.find(std::string(noise.begin() + 1000, noise.begin() + 1032));
    ASSERT_NE(at, std::string::npos);
    file.seekp(std::streamoff(at));
    file.put(char(noise[1000] ^ 0xFF));
    file.close();

    const TZipFile zip(path.string());
    Bytes bytes{7};
    EXPECT_FALSE(zip.ReadEntry("noise.bin", bytes));
    EXPECT_EQ(bytes, Bytes{7});
}

TEST_F(ZipFileTest, OpeningFailsWithTheFileNamed)
{
    const std::string missing = (m_dir / "nowhere" / "skin.isn").string();
    try {
        TZipFile zip(missing);
        ADD_FAILURE() << "opened a missing archive";
    } catch (const EArchiveError &error) {
        const std::string message = error.what();
        EXPECT_TRUE(message.starts_with("资源包无法打开：\"" + missing + "\": ")) << message;
    }

    const fs::path notZip = m_dir / "not.isn";
    std::ofstream(notZip) << "this is not a zip archive";
    EXPECT_THROW(TZipFile zip(notZip.string()), EArchiveError);
}

}  // namespace
}  // namespace quenbo
