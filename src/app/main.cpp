#include "application.h"
#include "message_box.h"
#include "skin.h"
#include "ufrmmain.h"

#include <QDir>

#include <exception>
#include <memory>

int main(int argc, char *argv[])
{
    quenbo::Application app(argc, argv);
    quenbo::installFontSubstitutions();
    const QString appDir = QDir(QCoreApplication::applicationDirPath()).absolutePath() + u'/';

    std::unique_ptr<quenbo::Tfrm_main> window;
    try {
        window = std::make_unique<quenbo::Tfrm_main>(appDir);
    } catch (const std::exception &error) {
        // Without its archive or settings the window has nothing to show: say which file or
        // setting failed and stop.
        quenbo::showErrorMessage(nullptr, QString::fromUtf8(error.what()));
        return 1;
    }
    window->show();
    const int status = quenbo::Application::exec();
    window.reset();
    return status;
}
