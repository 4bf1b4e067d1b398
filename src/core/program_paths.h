#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quenbo {

// Where the program keeps its files. Portable: everything beside the executable, as a copy
// unpacked into any folder expects. Installed: the per-user folders of the XDG base directory
// rules, so that a program in a folder its user cannot write still keeps settings, pictures
// and favourites.
enum class FolderLayout : std::uint8_t { Portable, Installed };

// The per-user folders, as the desktop resolves them: absolute, without a trailing "/".
struct XdgFolders {
    std::string dataHome;               // $XDG_DATA_HOME, ~/.local/share by default
    std::string configHome;             // $XDG_CONFIG_HOME, ~/.config by default
    std::string cacheHome;              // $XDG_CACHE_HOME, ~/.cache by default
    std::vector<std::string> dataDirs;  // $XDG_DATA_DIRS, in their order of preference
};

// Every file and folder the program uses. Folders end in "/".
struct ProgramPaths {
    FolderLayout layout = FolderLayout::Portable;
    std::string programFolder;  // the executable's folder
    // The resource archive: the first of archivePlaces that exists, else the first place.
    std::string archive;
    std::vector<std::string> archivePlaces;  // every place looked at, in order
    std::string settingsFile;                // "config.ini": the data-cache flag
    std::string cacheFolder;                 // the picture cache
    std::string databaseFile;                // the favourites
    // "quenbo.lock", beside the favourites: held by the window that uses these files, so
    // that one window runs per set of folders.
    std::string lockFile;
    // The schema a missing database is made from; empty in the portable layout, where the
    // database is never made by the program.
    std::string schemaFile;
};

// The portable layout of the program in programFolder: "data/skin.isn", "config.ini",
// "temp/", "data/data.db" and "data/quenbo.lock" beside the executable.
ProgramPaths PortablePaths(std::string programFolder);

// The installed layout: the archive in dataHome/quenbo, else the first "quenbo/skin.isn" of
// dataDirs, else beside the installed schema (programFolder/../share/quenbo); the settings
// in configHome/quenbo, the picture cache in cacheHome/quenbo/pictures, the favourites and the
// lock in dataHome/quenbo. The schema is the first of programFolder/../share/quenbo/schema.sql and
// the dataDirs' quenbo/schema.sql that exists.
ProgramPaths InstalledPaths(std::string programFolder, const XdgFolders &xdg);

// The portable layout when programFolder holds "data/skin.isn", otherwise the installed one.
ProgramPaths ChooseProgramPaths(std::string programFolder, const XdgFolders &xdg);

// True when the layout's archive exists.
bool ArchiveFound(const ProgramPaths &paths);

// The start-up message, in Chinese, for an installed program that found no archive: every
// place looked at and the quenbo-pack command that makes one in the first place.
std::string DescribeMissingArchive(const ProgramPaths &paths);

// Makes the installed layout's folders and, when it is missing, the favourites database from
// the schema. An existing database is never touched, not even by a run that races this one.
// Nothing is done for the portable layout. Raises std::runtime_error (or DatabaseError) that
// says in Chinese what could not be made, then "：", the file or folder and the reason.
void PrepareInstalledFolders(const ProgramPaths &paths);

// "portable" or "installed", and a line per file and folder, for the command line's answers.
std::string DescribeProgramPaths(const ProgramPaths &paths);

}  // namespace quenbo
