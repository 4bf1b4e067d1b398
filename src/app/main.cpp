#include "ufrmmain.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

#include <exception>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quenbo"));
    const QString appDir = QDir(QCoreApplication::applicationDirPath()).absolutePath() + u'/';

    std::unique_ptr<quenbo::Tfrm_main> window;
    try {
        window = std::make_unique<quenbo::Tfrm_main>(appDir);
    } catch (const std::exception &error) {
        // Nothing of the window exists without its archive: say which file failed and stop.
        QMessageBox::critical(nullptr, QStringLiteral("Quenbo"), QString::fromUtf8(error.what()));
        return 1;
    }
    window->show();
    return QApplication::exec();
}
