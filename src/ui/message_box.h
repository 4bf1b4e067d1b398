#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

namespace quenbo {

// Every message box of the program goes through showMessage, so tests can answer in place of
// a person (setMessageHandler) and nothing blocks an off-screen run.
struct MessageRequest {
    QWidget *parent = nullptr;
    QString text;
    QString caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

using MessageHandler = std::function<QMessageBox::StandardButton(const MessageRequest &)>;

// Shows the message modally and returns the button chosen.
QMessageBox::StandardButton showMessage(const MessageRequest &request);

// Replaces the handler that shows messages; an empty handler restores the real message box.
// Returns the previous handler.
MessageHandler setMessageHandler(MessageHandler handler);

// The caption of the program's message boxes.
QString applicationTitle();

// The default error display: the error's text, with "." added when its last character sorts
// after ".", the application's title, a stop icon and one OK button.
void showErrorMessage(QWidget *parent, const QString &text);

}  // namespace quenbo
