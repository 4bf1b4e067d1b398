#pragma once

#include <QApplication>

#include <exception>

namespace quenbo {

// Shows an error that escaped an event handler with the default error display (the error's
// text, the application's title, a stop icon, one OK button) over the active window.
void showUncaughtError(const std::exception &error);

// Runs an event handler and shows an error that escapes it with showUncaughtError. Handlers
// that can raise (favourites statements) run through this, so that the error never unwinds
// through Qt's own frames: Qt's widget modules are not built to pass exceptions, and an error
// unwound through a mouse event leaves the event's copies behind.
template <typename Handler> void runHandler(Handler &&handler)
{
    try {
        handler();
    } catch (const std::exception &error) {
        showUncaughtError(error);
    }
}

// The program's application object: an error that reaches the event loop is shown with
// showUncaughtError, the event counts as not handled, and the application goes on with its
// next event.
class Application : public QApplication {
    Q_OBJECT

public:
    Application(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};

}  // namespace quenbo
