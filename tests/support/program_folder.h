#pragma once

#include "test_archive.h"

#include <QString>

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

// A program folder made by a test: data/skin.isn with protected settings and the interface
// pictures, as the resource packer would make it, in a temporary directory removed with the
// object. Shared by the GUI and end-to-end suites.

namespace quenbo::testsupport {

using Entries = ArchiveEntries;

// The five required settings and Gateway and SiteUrl for a sandbox at baseUrl, with the
// sandbox's default application key and secret.
std::map<std::string, std::string> sandboxSettings(const std::string &baseUrl);

// Every interface picture the program reads from the archive, drawn at the sizes the layout
// needs. The three state pictures of a picture button are filled with stateColour(1..3).
Entries interfacePictures();
// The fill colour of state picture k (1 normal, 2 hot, 3 pressed) as 0xRRGGBB.
std::uint32_t stateColour(int k);
// The colour of the category marker "class_1" as 0xRRGGBB, and its side in pixels.
std::uint32_t markerColour();
inline constexpr int kMarkerSide = 8;

class ProgramFolder {
public:
    ProgramFolder();
    ~ProgramFolder();
    ProgramFolder(const ProgramFolder &) = delete;
    ProgramFolder &operator=(const ProgramFolder &) = delete;

    const std::filesystem::path &path() const { return m_path; }
    // The folder ending in "/", as the main window takes it.
    QString appDir() const;
    std::filesystem::path archiveFile() const { return m_path / "data" / "skin.isn"; }

    // Writes data/skin.isn with configIni as its "config.ini" entry and the pictures, less the
    // entries named in omit; every entry encrypted with the archive password.
    void writeArchive(const std::string &configIni, const std::set<std::string> &omit = {});
    void writeArchive(const std::string &configIni, const Entries &entries);

private:
    std::filesystem::path m_path;
};

}  // namespace quenbo::testsupport
