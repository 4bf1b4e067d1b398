#include "program_folder.h"

#include "pictures/picture_writers.h"
#include "sandbox/sandbox_server.h"

#include <sqlite3.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace quenbo::testsupport {

namespace fs = std::filesystem;

namespace {

void check(bool ok, const std::string &what)
{
    if (!ok)
        throw std::runtime_error("program folder fixture: " + what);
}

}  // namespace

std::map<std::string, std::string> standardSettings()
{
    return {{"App_Key", "12345678"},
            {"App_Secret", "test-secret"},
            {"NickName", "测试者"},
            {"IndexUrl", "http://127.0.0.1:1/index.xml"},
            {"FanXianUrl", "http://127.0.0.1:1/fanxian?id="}};
}

std::map<std::string, std::string> sandboxSettings(const std::string &baseUrl)
{
    return {{"App_Key", std::string(sandbox::kDefaultAppKey)},
            {"App_Secret", std::string(sandbox::kDefaultAppSecret)},
            {"NickName", "测试者"},
            {"IndexUrl", baseUrl + "/index.xml"},
            {"FanXianUrl", baseUrl + "/fanxian?id="},
            {"Gateway", baseUrl},
            {"SiteUrl", baseUrl}};
}

RgbaImage patternImage(int width, int height, std::uint8_t alpha)
{
    RgbaImage image;
    image.allocate(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t *p = image.row(y) + x * 4;
            p[0] = std::uint8_t(x * 13);
            p[1] = std::uint8_t(y * 7);
            p[2] = std::uint8_t(x ^ y);
            p[3] = alpha;
        }
    return image;
}

std::vector<std::uint8_t> sampleJpeg(int width, int height)
{
    return EncodeJpeg(patternImage(width, height));
}

std::vector<std::uint8_t> standbyJpeg()
{
    return sampleJpeg(16, 12);
}

ArchiveEntries corePictures()
{
    ArchiveEntries entries;
    for (int level = 1; level <= 20; ++level)
        entries[std::to_string(level) + ".gif"] =
            EncodeGif({GifFrame{patternImage(level + 1, 3), 100}}, 0);
    entries["loadimg.jpg"] = standbyJpeg();
    return entries;
}

void createFavouritesDatabase(const fs::path &file)
{
    std::ifstream in(QUENBO_SCHEMA_FILE);
    check(in.good(), "cannot read the schema");
    std::stringstream schema;
    schema << in.rdbuf();
    sqlite3 *db = nullptr;
    check(sqlite3_open(file.string().c_str(), &db) == SQLITE_OK, "cannot create the database");
    const int rc = sqlite3_exec(db, schema.str().c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    check(rc == SQLITE_OK, "schema failed");
}

std::vector<std::string> storedFavouriteIds(const fs::path &file)
{
    std::vector<std::string> ids;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(file.string().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return {"<cannot open the database>"};
    }
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, "select fid from info order by rowid", -1, &statement, nullptr) ==
        SQLITE_OK)
        while (sqlite3_step(statement) == SQLITE_ROW)
            ids.emplace_back(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return ids;
}

ProgramFolder::ProgramFolder()
    : m_dir("quenbo-program")
{
    fs::create_directories(path() / "data");
}

void ProgramFolder::writeArchive(const std::string &configIni, const ArchiveEntries &pictures)
{
    ArchiveEntries entries = pictures;
    entries["config.ini"].assign(configIni.begin(), configIni.end());
    writeEncryptedArchive(archiveFile(), entries);
}

std::unique_ptr<TZipFile> ProgramFolder::openArchive() const
{
    return std::make_unique<TZipFile>(archiveFile().string());
}

}  // namespace quenbo::testsupport
