#include "core/program_paths.h"

#include "core/text_util.h"
#include "platform/favourites_db.h"
#include "platform/file_io.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace quenbo {

namespace fs = std::filesystem;

namespace {

constexpr const char *kFolderName = "quenbo/";
constexpr const char *kArchiveName = "skin.isn";
constexpr const char *kSchemaName = "schema.sql";
// The lock sits beside the favourites: inside the program's own folders in both layouts, in a
// folder every start has (a portable copy's data/ holds its archive; an installed program makes
// its data folder anyway), and one that must be writable already, since SQLite writes its
// journal there. $XDG_RUNTIME_DIR would not serve a portable copy, may be unset (Qt then makes
// a folder under /tmp), and lies outside the folders the program names.
constexpr const char *kLockName = "quenbo.lock";
// A schema is a few hundred bytes; anything near this is not one.
constexpr std::uint64_t kMaxSchemaBytes = 1 << 20;

std::string asFolder(std::string_view folder)
{
    return std::string(withoutTrailingSlashes(folder)) + '/';
}

bool isFile(const std::string &path)
{
    std::error_code ignored;
    return fs::is_regular_file(path, ignored);
}

// The shared-data folder of the prefix the program is installed under: bin/.. /share/quenbo.
std::string prefixDataFolder(const std::string &programFolder)
{
    return (fs::path(programFolder).parent_path().parent_path() / "share" / "quenbo")
               .lexically_normal()
               .string() +
           "/";
}

void makeFolder(const std::string &folder)
{
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        throw std::runtime_error("文件夹无法创建：" + folder + ": " + error.message());
}

}  // namespace

ProgramPaths PortablePaths(std::string programFolder)
{
    ProgramPaths paths;
    paths.layout = FolderLayout::Portable;
    paths.programFolder = asFolder(programFolder);
    paths.archive = paths.programFolder + "data/" + kArchiveName;
    paths.archivePlaces = {paths.archive};
    paths.settingsFile = paths.programFolder + "config.ini";
    paths.cacheFolder = paths.programFolder + "temp/";
    paths.databaseFile = paths.programFolder + "data/data.db";
    paths.lockFile = paths.programFolder + "data/" + kLockName;
    return paths;
}

ProgramPaths InstalledPaths(std::string programFolder, const XdgFolders &xdg)
{
    ProgramPaths paths;
    paths.layout = FolderLayout::Installed;
    paths.programFolder = asFolder(programFolder);
    const std::string dataFolder = asFolder(xdg.dataHome) + kFolderName;
    const std::string prefixFolder = prefixDataFolder(paths.programFolder);

    paths.archivePlaces.push_back(dataFolder + kArchiveName);
    std::vector<std::string> shared;
    for (const std::string &dir : xdg.dataDirs)
        shared.push_back(asFolder(dir) + kFolderName);
    shared.push_back(prefixFolder);
    for (const std::string &folder : shared) {
        const std::string place = folder + kArchiveName;
        if (std::find(paths.archivePlaces.begin(), paths.archivePlaces.end(), place) ==
            paths.archivePlaces.end())
            paths.archivePlaces.push_back(place);
    }
    paths.archive = paths.archivePlaces.front();
    for (const std::string &place : paths.archivePlaces)
        if (isFile(place)) {
            paths.archive = place;
            break;
        }

    paths.settingsFile = asFolder(xdg.configHome) + kFolderName + "config.ini";
    paths.cacheFolder = asFolder(xdg.cacheHome) + kFolderName + "pictures/";
    paths.databaseFile = dataFolder + "data.db";
    paths.lockFile = dataFolder + kLockName;

    // The schema installed with the program comes first: it matches the program's version.
    shared.insert(shared.begin(), prefixFolder);
    for (const std::string &folder : shared)
        if (isFile(folder + kSchemaName)) {
            paths.schemaFile = folder + kSchemaName;
            break;
        }
    return paths;
}

ProgramPaths ChooseProgramPaths(std::string programFolder, const XdgFolders &xdg)
{
    ProgramPaths portable = PortablePaths(std::move(programFolder));
    if (ArchiveFound(portable))
        return portable;
    return InstalledPaths(portable.programFolder, xdg);
}

bool ArchiveFound(const ProgramPaths &paths)
{
    return isFile(paths.archive);
}

std::string DescribeMissingArchive(const ProgramPaths &paths)
{
    std::string message = "找不到资源包 skin.isn，查找过这些位置：\n";
    for (const std::string &place : paths.archivePlaces)
        message += "  " + place + "\n";
    message += "请用自己的平台密钥制作一个：\n  quenbo-pack --out " + paths.archivePlaces.front() +
               " --set App_Key=KEY --set App_Secret=SECRET --set NickName=NICK"
               " --set IndexUrl=URL --set FanXianUrl=URL\n"
               "或者用演示商品目录试用本程序：quenbo-demo";
    return message;
}

void PrepareInstalledFolders(const ProgramPaths &paths)
{
    if (paths.layout != FolderLayout::Installed)
        return;
    makeFolder(fs::path(paths.settingsFile).parent_path().string());
    makeFolder(paths.cacheFolder);
    makeFolder(fs::path(paths.databaseFile).parent_path().string());
    if (isFile(paths.databaseFile))
        return;
    const std::string cannotMake = "收藏夹数据库无法创建：" + paths.databaseFile + ": ";
    if (paths.schemaFile.empty())
        throw std::runtime_error(cannotMake + "找不到安装的 schema.sql");
    std::string schema;
    if (!readWholeFile(paths.schemaFile, kMaxSchemaBytes, schema))
        throw std::runtime_error(cannotMake + "无法读取 " + paths.schemaFile);
    CreateDatabaseFile(paths.databaseFile, schema);
}

std::string DescribeProgramPaths(const ProgramPaths &paths)
{
    const bool installed = paths.layout == FolderLayout::Installed;
    std::string text = installed ? "Layout: installed (per-user folders)\n"
                                 : "Layout: portable (everything beside the program)\n";
    text += "  archive:    " + paths.archive + (ArchiveFound(paths) ? "" : " (missing)") + "\n";
    text += "  settings:   " + paths.settingsFile + "\n";
    text += "  pictures:   " + paths.cacheFolder + "\n";
    text += "  favourites: " + paths.databaseFile + "\n";
    text += "  lock:       " + paths.lockFile + " (while a window runs)\n";
    return text;
}

}  // namespace quenbo
