#include "app/xdg_folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace quenbo {

XdgFolders currentXdgFolders()
{
    const auto folder = [](QStandardPaths::StandardLocation location) {
        return QStandardPaths::writableLocation(location).toStdString();
    };
    XdgFolders xdg;
    xdg.dataHome = folder(QStandardPaths::GenericDataLocation);
    xdg.configHome = folder(QStandardPaths::GenericConfigLocation);
    xdg.cacheHome = folder(QStandardPaths::GenericCacheLocation);
    // The writable data folder comes first in the list; the shared ones follow it.
    for (const QString &dir :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        if (dir.toStdString() != xdg.dataHome)
            xdg.dataDirs.push_back(dir.toStdString());
    return xdg;
}

ProgramPaths currentProgramPaths()
{
    const QString programFolder = QDir(QCoreApplication::applicationDirPath()).absolutePath();
    return ChooseProgramPaths(programFolder.toStdString(), currentXdgFolders());
}

}  // namespace quenbo
