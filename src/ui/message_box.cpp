#include "ui/message_box.h"

namespace quenbo {

namespace {

MessageHandler &currentHandler()
{
    static MessageHandler handler;
    return handler;
}

}  // namespace

QMessageBox::StandardButton showMessage(const MessageRequest &request)
{
    if (const MessageHandler &handler = currentHandler())
        return handler(request);
    QMessageBox box(request.icon, request.caption, request.text, request.buttons, request.parent);
    return QMessageBox::StandardButton(box.exec());
}

MessageHandler setMessageHandler(MessageHandler handler)
{
    MessageHandler previous = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return previous;
}

QString applicationTitle()
{
    return QStringLiteral("Quenbo");
}

void showErrorMessage(QWidget *parent, const QString &text)
{
    QString shown = text;
    if (!shown.isEmpty() && shown.back() > u'.')
        shown += u'.';
    showMessage({parent, shown, applicationTitle(), QMessageBox::Critical, QMessageBox::Ok});
}

}  // namespace quenbo
