#include "ui/application.h"

#include "ui/message_box.h"
#include "ui/skin.h"

namespace quenbo {

void showUncaughtError(const std::exception &error)
{
    showErrorMessage(QApplication::activeWindow(), QString::fromUtf8(error.what()));
}

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{
    // The desktop's theme (a dark one too) does not reach the program's own windows and
    // messages; the main window also keeps its skin when the theme changes while it is open.
    setPalette(skinPalette());
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        showUncaughtError(error);
    }
    return false;
}

}  // namespace quenbo
