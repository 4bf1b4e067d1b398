#include "program_dir.h"

#include "picture_writers.h"
#include "test_archive.h"

#include <sqlite3.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace quenbo::testing {

namespace fs = std::filesystem;

namespace {

RgbaImage pattern(int width, int height)
{
    RgbaImage image;
    image.allocate(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t *p = image.row(y) + x * 4;
            p[0] = std::uint8_t(x * 13);
            p[1] = std::uint8_t(y * 7);
            p[2] = std::uint8_t(x ^ y);
            p[3] = 255;
        }
    return image;
}

void check(bool ok, const std::string &what)
{
    if (!ok)
        throw std::runtime_error("test fixture: " + what);
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

std::vector<std::uint8_t> sampleJpeg(int width, int height)
{
    return EncodeJpeg(pattern(width, height));
}

std::vector<std::uint8_t> standbyJpeg()
{
    return sampleJpeg(16, 12);
}

ProgramDir::ProgramDir()
{
    std::string name = (fs::temp_directory_path() / "quenbo-core-XXXXXX").string();
    check(::mkdtemp(name.data()) != nullptr, "cannot make a temporary directory");
    m_path = name;
    fs::create_directories(m_path / "data");
}

ProgramDir::~ProgramDir()
{
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

void ProgramDir::writeArchive(const std::string &configIni, bool withPictures)
{
    std::map<std::string, std::vector<std::uint8_t>> entries;
    entries["config.ini"].assign(configIni.begin(), configIni.end());
    if (withPictures) {
        for (int level = 1; level <= 20; ++level)
            entries[std::to_string(level) + ".gif"] =
                EncodeGif({GifFrame{pattern(level + 1, 3), 100}}, 0);
        entries["loadimg.jpg"] = standbyJpeg();
    }
    testsupport::writeEncryptedArchive(m_path / "data" / "skin.isn", entries);
}

std::unique_ptr<TZipFile> ProgramDir::openArchive() const
{
    return std::make_unique<TZipFile>((m_path / "data" / "skin.isn").string());
}

void ProgramDir::createDatabase() const
{
    std::ifstream in(QUENBO_SCHEMA_FILE);
    check(in.good(), "cannot read the schema");
    std::stringstream schema;
    schema << in.rdbuf();
    sqlite3 *db = nullptr;
    const std::string file = databaseFile().string();
    check(sqlite3_open(file.c_str(), &db) == SQLITE_OK, "cannot create the database");
    const int rc = sqlite3_exec(db, schema.str().c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    check(rc == SQLITE_OK, "schema failed");
}

}  // namespace quenbo::testing
