#include "application.h"

#include "message_box.h"

namespace quenbo {

void showUncaughtError(const std::exception &error)
{
    showErrorMessage(QApplication::activeWindow(), QString::fromUtf8(error.what()));
}

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{
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
