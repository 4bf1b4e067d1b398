// The archive quenbo-pack writes, read back the way the application reads it.
#include "pack_test_support.h"

#include "assets/archive_password.h"
#include "assets/uzipfile.h"
#include "core/cipher_key.h"
#include "core/setting_cipher.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <regex>

namespace quenbo::pack::testing {
namespace {

namespace fs = std::filesystem;

const std::map<std::string, std::string> kAllSettings = {
    {"App_Key", "10000001"},
    {"App_Secret", "sandbox-secret"},
    {"NickName", "小店掌柜"},
    {"IndexUrl", "http://127.0.0.1:8360/index.xml"},
    {"FanXianUrl", "http://127.0.0.1:8360/fanxian?id="},
    {"Gateway", "http://127.0.0.1:8360"},
    {"SiteUrl", "http://127.0.0.1:8360/site"},
    {"ItemMethod", "taobao.tbk.dg.material.optional.upgrade"},
    {"AdzoneId", "10001"},
};

std::vector<std::string> setArguments(const std::map<std::string, std::string> &settings)
{
    std::vector<std::string> args;
    for (const auto &[key, value] : settings) {
        args.push_back("--set");
        args.push_back(key + "=" + value);
    }
    return args;
}

// The "Key=value" pairs of section "config", values decoded with the application's key.
std::map<std::string, std::string> decodedSettings(const TZipFile &archive)
{
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(archive.ReadEntry("config.ini", bytes));
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_TRUE(text.starts_with("[config]\r\n")) << text;
    const TSettingCipher cipher(settingsCipherKey());
    std::map<std::string, std::string> settings;
    const std::regex line(R"(([A-Za-z_]+)=([A-Za-z0-9+/=]+)\r\n)");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), line);
         it != std::sregex_iterator(); ++it)
        settings[(*it)[1]] = cipher.DecryptText((*it)[2].str());
    return settings;
}

enum class Kind { Bitmap, Jpeg, Png, Gif };

struct ExpectedPicture {
    std::string base;
    Kind kind;
    int width;  // 0: any width
    int height;
};

// Every picture the application asks for, at the size its layout draws it.
std::vector<ExpectedPicture> expectedPictures()
{
    std::vector<ExpectedPicture> pictures = {
        {"shopclass", Kind::Jpeg, 203, 24}, {"t_top", Kind::Bitmap, 447, 25},
        {"load", Kind::Gif, 197, 47},       {"treedown", Kind::Bitmap, 0, 84},
        {"loadimg", Kind::Jpeg, 80, 80},    {"nopic", Kind::Jpeg, 80, 80},
        {"class_1", Kind::Png, 8, 9},
    };
    const struct {
        const char *base;
        int width;
        int height;
    } buttons[] = {{"xin", 42, 19},   {"jia", 46, 19},      {"xiao", 42, 19},  {"fan", 46, 19},
                   {"B_sc", 199, 36}, {"b_serch", 106, 27}, {"b_shop", 73, 23}};
    for (const auto &button : buttons)
        for (const char *state : {"_1", "_2", "_3"})
            pictures.push_back(
                {button.base + std::string(state), Kind::Bitmap, button.width, button.height});
    for (const char *row : {"1", "2", "3", "4"})
        for (const char *state : {"", "_1", "_2"})
            pictures.push_back({row + std::string(state), Kind::Bitmap, 60, 22});
    return pictures;
}

// The picture's size when it was read and is not empty; nothing otherwise.
std::optional<std::pair<int, int>> sizeIfRead(bool read, const TPicture &object)
{
    if (!read || object.Empty())
        return std::nullopt;
    return std::make_pair(object.Width(), object.Height());
}

// Reads a picture through the loader the application uses for its kind; nothing when the
// loader fails.
std::optional<std::pair<int, int>> readSize(const TZipFile &archive, const ExpectedPicture &picture)
{
    switch (picture.kind) {
    case Kind::Bitmap: {
        TBitmap bitmap;
        return sizeIfRead(archive.ReadBitmap(picture.base, bitmap), bitmap);
    }
    case Kind::Jpeg: {
        TJpegImage jpeg;
        const bool read = archive.ReadJpeg(picture.base, jpeg) && !jpeg.Decoded().empty();
        return sizeIfRead(read, jpeg);
    }
    case Kind::Png: {
        TPngImage png;
        return sizeIfRead(archive.ReadPng(picture.base, png), png);
    }
    case Kind::Gif: {
        TGifImage gif;
        return sizeIfRead(archive.ReadGif(picture.base, gif), gif);
    }
    }
    return std::nullopt;
}

int transparentPixels(const RgbaImage &image)
{
    int count = 0;
    for (std::size_t i = 3; i < image.pixels.size(); i += 4)
        count += image.pixels[i] == 0 ? 1 : 0;
    return count;
}

class PackedArchive : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = std::make_unique<testsupport::TempDir>();
        std::vector<std::string> args = {"--out", archivePath().string(), "--export",
                                         (s_dir->path() / "export").string()};
        const std::vector<std::string> sets = setArguments(kAllSettings);
        args.insert(args.end(), sets.begin(), sets.end());
        const ProgramRun run = runPackProgram(args);
        ASSERT_EQ(run.exitCode, 0) << run.standardError;
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    static fs::path archivePath() { return s_dir->path() / "skin.isn"; }
    static fs::path exportDir() { return s_dir->path() / "export"; }

    static std::unique_ptr<testsupport::TempDir> s_dir;
};

std::unique_ptr<testsupport::TempDir> PackedArchive::s_dir;

TEST_F(PackedArchive, HoldsEveryPictureAtItsLayoutSize)
{
    const TZipFile archive(archivePath().string());
    for (const ExpectedPicture &picture : expectedPictures()) {
        const auto size = readSize(archive, picture);
        ASSERT_TRUE(size) << picture.base;
        if (picture.width > 0) {
            EXPECT_EQ(size->first, picture.width) << picture.base;
        }
        EXPECT_EQ(size->second, picture.height) << picture.base;
    }
}

TEST_F(PackedArchive, LoadingAnimationLoopsWithoutEndOverTransparency)
{
    const TZipFile archive(archivePath().string());
    TGifImage gif;
    ASSERT_TRUE(archive.ReadGif("load", gif));
    EXPECT_EQ(gif.LoopCount(), 0);
    ASSERT_GE(gif.Frames().size(), 6u);
    for (const GifFrame &frame : gif.Frames()) {
        EXPECT_GT(frame.delayMs, 0);
        EXPECT_GT(transparentPixels(frame.image), 0);
    }
    EXPECT_NE(gif.Frames()[0].image.pixels, gif.Frames()[1].image.pixels);
}

TEST_F(PackedArchive, CreditIconsFitBesideTheLabelAndGrowWithinEachKind)
{
    const TZipFile archive(archivePath().string());
    std::vector<std::vector<std::uint8_t>> firstSymbols;
    for (int level = 1; level <= 20; ++level) {
        TGifImage icon;
        ASSERT_TRUE(archive.ReadGif(std::to_string(level), icon)) << level;
        ASSERT_EQ(icon.Frames().size(), 1u) << level;
        EXPECT_LE(icon.Width(), 100) << level;
        EXPECT_LE(icon.Height(), 16) << level;
        EXPECT_GT(transparentPixels(icon.Frames()[0].image), 0) << level;
        if (level % 5 != 1) {
            TGifImage smaller;
            ASSERT_TRUE(archive.ReadGif(std::to_string(level - 1), smaller));
            EXPECT_GT(icon.Width(), smaller.Width()) << level;
        } else {
            firstSymbols.push_back(icon.Frames()[0].image.pixels);
        }
    }
    // Hearts, diamonds, crowns and golden crowns each look different.
    for (std::size_t a = 0; a < firstSymbols.size(); ++a)
        for (std::size_t b = a + 1; b < firstSymbols.size(); ++b)
            EXPECT_NE(firstSymbols[a], firstSymbols[b]) << a << " " << b;
}

TEST_F(PackedArchive, NoPictureThumbnailIsToldApartFromTheStandBy)
{
    // A row whose picture failed must not look like one still loading.
    const TZipFile archive(archivePath().string());
    TJpegImage standby;
    TJpegImage noPicture;
    ASSERT_TRUE(archive.ReadJpeg("loadimg", standby));
    ASSERT_TRUE(archive.ReadJpeg("nopic", noPicture));
    const RgbaImage &a = standby.Decoded();
    const RgbaImage &b = noPicture.Decoded();
    ASSERT_EQ(a.pixels.size(), b.pixels.size());
    int differing = 0;
    for (std::size_t i = 0; i + 3 < a.pixels.size(); i += 4)
        for (std::size_t c = 0; c < 3; ++c)
            if (std::abs(int(a.pixels[i + c]) - int(b.pixels[i + c])) > 40) {
                ++differing;
                break;
            }
    // The caption and the strike alone cover some hundreds of pixels.
    EXPECT_GT(differing, 150);
}

TEST_F(PackedArchive, ParentMarkerIsPartlyTransparent)
{
    const TZipFile archive(archivePath().string());
    TPngImage marker;
    ASSERT_TRUE(archive.ReadPng("class_1", marker));
    const int clear = transparentPixels(marker.Image());
    EXPECT_GT(clear, 0);
    EXPECT_LT(clear, marker.Width() * marker.Height());
}

TEST_F(PackedArchive, SettingsDecodeToThePackedValues)
{
    const TZipFile archive(archivePath().string());
    EXPECT_EQ(decodedSettings(archive), kAllSettings);
}

TEST_F(PackedArchive, EveryEntryIsEncryptedAndOnlyBitmapsAndTextAreDeflated)
{
    int error = 0;
    zip_t *zip = zip_open(archivePath().c_str(), ZIP_RDONLY, &error);
    ASSERT_NE(zip, nullptr);
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    EXPECT_EQ(count, 1 + 7 + 21 + 12 + 20);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        ASSERT_EQ(zip_stat_index(zip, zip_uint64_t(i), 0, &stat), 0);
        const std::string name = stat.name;
        EXPECT_EQ(stat.encryption_method, ZIP_EM_TRAD_PKWARE) << name;
        const bool deflatable = name.ends_with(".bmp") || name.ends_with(".ini");
        EXPECT_EQ(stat.comp_method, deflatable ? ZIP_CM_DEFLATE : ZIP_CM_STORE) << name;
    }
    zip_close(zip);
}

TEST_F(PackedArchive, AnotherPasswordReadsNothing)
{
    int error = 0;
    zip_t *zip = zip_open(archivePath().c_str(), ZIP_RDONLY, &error);
    ASSERT_NE(zip, nullptr);
    std::string wrong = ArchivePassword();
    wrong.back() = wrong.back() == 'x' ? 'y' : 'x';
    ASSERT_EQ(zip_set_default_password(zip, wrong.c_str()), 0);
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    ASSERT_GT(count, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        // The one-byte check of the traditional encryption lets about one wrong password in
        // 256 past the header; the checksum then fails while reading.
        zip_file_t *file = zip_fopen_index(zip, zip_uint64_t(i), 0);
        if (file == nullptr)
            continue;
        std::vector<char> buffer(1 << 16);
        zip_int64_t got = 0;
        while ((got = zip_fread(file, buffer.data(), buffer.size())) > 0) {
        }
        EXPECT_LT(got, 0) << zip_get_name(zip, zip_uint64_t(i), 0);
        zip_fclose(file);
    }
    zip_close(zip);
}

TEST_F(PackedArchive, ExportHoldsEveryEntryAsAPlainFileAndAContactSheet)
{
    int error = 0;
    zip_t *zip = zip_open(archivePath().c_str(), ZIP_RDONLY, &error);
    ASSERT_NE(zip, nullptr);
    ASSERT_EQ(zip_set_default_password(zip, ArchivePassword().c_str()), 0);
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        ASSERT_EQ(zip_stat_index(zip, zip_uint64_t(i), 0, &stat), 0);
        std::string content(stat.size, '\0');
        zip_file_t *file = zip_fopen_index(zip, zip_uint64_t(i), 0);
        ASSERT_NE(file, nullptr) << stat.name;
        EXPECT_EQ(zip_fread(file, content.data(), content.size()), zip_int64_t(stat.size));
        zip_fclose(file);
        EXPECT_EQ(readFile(exportDir() / stat.name), content) << stat.name;
    }
    zip_close(zip);

    const std::string sheet = readFile(exportDir() / "contact-sheet.png");
    TPngImage png;
    png.LoadFromBuffer(
        ByteSpan(reinterpret_cast<const std::uint8_t *>(sheet.data()), sheet.size()));
    EXPECT_GE(png.Width(), 447);
    EXPECT_GT(png.Height(), 0);
}

TEST(PackedSettings, KeysLeftOutStayAbsent)
{
    const testsupport::TempDir dir;
    const std::map<std::string, std::string> some = {{"App_Key", "42"}, {"NickName", ""}};
    std::vector<std::string> args = {"--out", (dir / "skin.isn").string()};
    const std::vector<std::string> sets = setArguments(some);
    args.insert(args.end(), sets.begin(), sets.end());
    const ProgramRun run = runPackProgram(args);
    ASSERT_EQ(run.exitCode, 0) << run.standardError;

    const TZipFile archive((dir / "skin.isn").string());
    EXPECT_EQ(decodedSettings(archive), some);
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(archive.ReadEntry("config.ini", bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()).find("App_Secret"), std::string::npos);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"skin.isn"});
}

TEST(PackedSettings, KeysAreMatchedWithoutLetterCaseAndWrittenInTheirOwnSpelling)
{
    const testsupport::TempDir dir;
    const ProgramRun run = runPackProgram({"--out", (dir / "skin.isn").string(), "--set",
                                           "fanxianurl=http://h/f?id=", "--set=GATEWAY=http://g"});
    ASSERT_EQ(run.exitCode, 0) << run.standardError;
    const TZipFile archive((dir / "skin.isn").string());
    const std::map<std::string, std::string> expected = {{"FanXianUrl", "http://h/f?id="},
                                                         {"Gateway", "http://g"}};
    EXPECT_EQ(decodedSettings(archive), expected);
}

}  // namespace
}  // namespace quenbo::pack::testing
