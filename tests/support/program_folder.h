#pragma once

#include "assets/uzipfile.h"
#include "pictures/picture.h"
#include "temp_dir.h"
#include "test_archive.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

// A program folder made by a test: data/skin.isn with protected settings and pictures, as the
// resource packer would make it, and optionally a favourites database made from the schema
// that ships with the program, in a temporary folder removed with the object. Shared by every
// suite and benchmark that starts the core object or the main window.

namespace quenbo::testsupport {

// The five required settings with plain test values.
std::map<std::string, std::string> standardSettings();
// The five required settings and Gateway and SiteUrl for a sandbox at baseUrl, with the
// sandbox's default application key and secret.
std::map<std::string, std::string> sandboxSettings(const std::string &baseUrl);

// A picture of the given size whose every pixel differs from its neighbours, all with the given
// alpha.
RgbaImage patternImage(int width, int height, std::uint8_t alpha = 255);
// A JPEG of the given size, and the stand-by picture's bytes as corePictures holds them.
std::vector<std::uint8_t> sampleJpeg(int width, int height);
std::vector<std::uint8_t> standbyJpeg();
// The pictures the core object reads from the archive: the icons "1.gif" to "20.gif" (icon n
// is n + 1 pixels wide) and the stand-by picture "loadimg.jpg".
ArchiveEntries corePictures();

// Creates the SQLite database file from the shipped schema. Raises std::runtime_error when
// SQLite fails.
void createFavouritesDatabase(const std::filesystem::path &file);
// The ids of every favourite stored in the database file, in storage order; one entry
// "<cannot open the database>" when the file cannot be opened.
std::vector<std::string> storedFavouriteIds(const std::filesystem::path &file);

class ProgramFolder {
public:
    ProgramFolder();

    const std::filesystem::path &path() const { return m_dir.path(); }
    // The folder ending in "/", as the core object and the main window take it.
    std::string appPath() const { return path().string() + "/"; }
    std::filesystem::path tempDir() const { return path() / "temp"; }
    std::filesystem::path archiveFile() const { return path() / "data" / "skin.isn"; }
    std::filesystem::path databaseFile() const { return path() / "data" / "data.db"; }

    // Writes data/skin.isn with configIni as its "config.ini" entry beside the given entries,
    // every entry encrypted with the archive password.
    void writeArchive(const std::string &configIni, const ArchiveEntries &entries);
    // The archive with the standard settings and the core pictures.
    void writeStandardArchive()
    {
        writeArchive(protectedConfig(standardSettings()), corePictures());
    }
    std::unique_ptr<TZipFile> openArchive() const;

    // Creates data/data.db from the shipped schema.
    void createDatabase() const { createFavouritesDatabase(databaseFile()); }

private:
    TempDir m_dir;
};

}  // namespace quenbo::testsupport
