#pragma once

#include "test_archive.h"
#include "uzipfile.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>

// A program directory built by a test: the resource archive with protected settings, credit
// icons and the stand-by picture, and optionally a favourites database made from the schema
// that ships with the program. Removed with the object.

namespace quenbo::testing {

// The five required settings with plain test values.
std::map<std::string, std::string> standardSettings();

using testsupport::protectedConfig;

class ProgramDir {
public:
    ProgramDir();
    ~ProgramDir();
    ProgramDir(const ProgramDir &) = delete;
    ProgramDir &operator=(const ProgramDir &) = delete;

    const std::filesystem::path &path() const { return m_path; }
    std::string appPath() const { return m_path.string() + "/"; }
    std::filesystem::path tempDir() const { return m_path / "temp"; }

    // Writes data/skin.isn with configIni as its "config.ini" entry, the icons "1.gif" to
    // "20.gif" (icon n is n + 1 pixels wide) and "loadimg.jpg" unless told otherwise.
    void writeArchive(const std::string &configIni, bool withPictures = true);
    // The archive with the standard settings.
    void writeStandardArchive() { writeArchive(protectedConfig(standardSettings())); }
    std::unique_ptr<TZipFile> openArchive() const;

    // Creates data/data.db from the shipped schema.
    void createDatabase() const;
    std::filesystem::path databaseFile() const { return m_path / "data" / "data.db"; }

private:
    std::filesystem::path m_path;
};

// A JPEG of the given size, and the stand-by picture's bytes as the archive holds them.
std::vector<std::uint8_t> sampleJpeg(int width, int height);
std::vector<std::uint8_t> standbyJpeg();

}  // namespace quenbo::testing
