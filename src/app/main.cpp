#include "app/command_line_mode.h"
#include "app/single_instance.h"
#include "app/termination_signals.h"
#include "app/xdg_folders.h"
#include "core/program_paths.h"
#include "platform/ini_file.h"
#include "ui/application.h"
#include "ui/message_box.h"
#include "ui/skin.h"
#include "ui/ufrmmain.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <exception>
#include <iostream>
#include <memory>

namespace {

// Says why the program cannot go on, on the terminal and in a message box.
void reportStartupError(const std::string &message)
{
    std::cerr << "quenbo: " << message << '\n';
    quenbo::showErrorMessage(nullptr, QString::fromStdString(message));
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("quenbo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUENBO_VERSION));
    if (quenbo::isCommandLineRun(argc, argv)) {
        const QCoreApplication app(argc, argv);
        return quenbo::runCommandLine();
    }

    quenbo::Application app(argc, argv);
    // Ties the window to the desktop entry and its icon, also on Wayland.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quenbo.Quenbo"));
    quenbo::installFontSubstitutions();
    const quenbo::ProgramPaths paths = quenbo::currentProgramPaths();
    if (!quenbo::ArchiveFound(paths) && paths.layout == quenbo::FolderLayout::Installed) {
        reportStartupError(quenbo::DescribeMissingArchive(paths));
        return 1;
    }
    // One window per set of folders: a second one would open over the first and empty the
    // picture cache under it. Claimed before any of the files is made or opened, so that a start
    // that only brings the running window to the front touches none of the files.
    quenbo::SingleInstance instance(QString::fromStdString(paths.lockFile));
    switch (instance.role()) {
    case quenbo::SingleInstance::Role::Shown:
        std::cerr << "quenbo: " << instance.message() << '\n';
        return 0;
    case quenbo::SingleInstance::Role::NoAnswer:
        reportStartupError(instance.message());
        return 1;
    case quenbo::SingleInstance::Role::First:
    case quenbo::SingleInstance::Role::Unguarded:
        if (!instance.message().empty())
            std::cerr << "quenbo: " << instance.message() << '\n';
        break;
    }
    try {
        quenbo::PrepareInstalledFolders(paths);
    } catch (const std::exception &error) {
        // Without its folders or database the window still browses; the favourites commands
        // then report the database's own error.
        reportStartupError(error.what());
    }

    std::unique_ptr<quenbo::Tfrm_main> window;
    try {
        window = std::make_unique<quenbo::Tfrm_main>(paths);
    } catch (const quenbo::IniError &error) {
        // The settings file is made at the first start; the INI layer names the file.
        reportStartupError(std::string("设置文件无法写入：") + error.what());
        return 1;
    } catch (const std::exception &error) {
        // Without its archive or settings the window has nothing to show: say which file or
        // setting failed and stop.
        reportStartupError(error.what());
        return 1;
    }
    quenbo::closeOnTerminationSignals(window.get());
    instance.setShowHandler([&window] {
        // Restores a minimized window and keeps a maximized or full-screen one so.
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        window->show();
        window->raise();
        window->activateWindow();
    });
    // From the window's close on, a start waits, and takes the folders over once the picture
    // cache is tidied.
    QObject::connect(&app, &QGuiApplication::lastWindowClosed, &app,
                     [&instance] { instance.stopAnswering(); });
    window->show();
    const int status = quenbo::Application::exec();
    window.reset();
    return status;
}
