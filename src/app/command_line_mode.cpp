#include "app/command_line_mode.h"

#include "app/xdg_folders.h"
#include "core/favourites_backup.h"
#include "core/program_paths.h"
#include "platform/favourites_db.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <exception>
#include <iostream>
#include <string>
#include <string_view>

namespace quenbo {

namespace {

constexpr const char *kProgram = "quenbo";

void printHelp(const ProgramPaths &paths)
{
    std::cout << "Usage: quenbo [OPTION]\n"
                 "A shopping guide for the Taobao affiliate marketplace: browse its categories,\n"
                 "search items, see their cash-back and keep favourites.\n"
                 "Without an option, opens the window.\n"
                 "\n"
                 "  --export-favourites FILE  write every favourite to FILE as CSV (UTF-8)\n"
                 "  --import-favourites FILE  add the favourites of a CSV file not stored yet\n"
                 "  -h, --help                show this help and the files the program uses\n"
                 "  -v, --version             show the version and the files the program uses\n"
                 "\n"
              << DescribeProgramPaths(paths);
}

void printVersion(const ProgramPaths &paths)
{
    std::cout << kProgram << ' ' << QCoreApplication::applicationVersion().toStdString() << '\n'
              << DescribeProgramPaths(paths);
}

int exportFavourites(const ProgramPaths &paths, const std::string &file)
{
    // An installed program makes its database on its first run, also when that run is an
    // export: a fresh installation then writes a backup without favourites.
    PrepareInstalledFolders(paths);
    FavouritesDb db(paths.databaseFile);
    const std::size_t count = ExportFavourites(db, file);
    std::cout << "已将 " << count << " 条收藏写入 " << file << '\n';
    return 0;
}

int importFavourites(const ProgramPaths &paths, const std::string &file)
{
    PrepareInstalledFolders(paths);
    FavouritesDb db(paths.databaseFile);
    const FavouritesImport counts = ImportFavourites(db, file);
    std::cout << "已添加 " << counts.added << " 条收藏，" << counts.alreadyThere << " 条已经存在\n";
    return 0;
}

}  // namespace

bool isCommandLineRun(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const std::string_view name = argument.substr(0, argument.find('='));
        for (const std::string_view option :
             {"-h", "--help", "-v", "--version", "--export-favourites", "--import-favourites"})
            if (name == option)
                return true;
    }
    return false;
}

int runCommandLine()
{
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    const QCommandLineOption exportOption(QStringLiteral("export-favourites"), QString(),
                                          QStringLiteral("FILE"));
    const QCommandLineOption importOption(QStringLiteral("import-favourites"), QString(),
                                          QStringLiteral("FILE"));
    parser.addOptions({help, version, exportOption, importOption});
    const auto usageError = [](const std::string &message) {
        std::cerr << kProgram << ": " << message << "\nTry 'quenbo --help'.\n";
        return 2;
    };
    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText().toStdString());
    if (!parser.positionalArguments().isEmpty())
        return usageError("unexpected argument '" +
                          parser.positionalArguments().front().toStdString() + "'");
    if (parser.optionNames().size() != 1)
        return usageError("give one option at a time");

    const ProgramPaths paths = currentProgramPaths();
    try {
        if (parser.isSet(help)) {
            printHelp(paths);
            return 0;
        }
        if (parser.isSet(version)) {
            printVersion(paths);
            return 0;
        }
        if (parser.isSet(exportOption))
            return exportFavourites(paths, parser.value(exportOption).toStdString());
        return importFavourites(paths, parser.value(importOption).toStdString());
    } catch (const std::exception &error) {
        std::cerr << kProgram << ": " << error.what() << '\n';
        return 1;
    }
}

}  // namespace quenbo
