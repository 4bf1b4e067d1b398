#pragma once

#include "interface_pictures.h"
#include "item_thumbnails.h"
#include "message_box.h"
#include "uItemTree.h"
#include "ucommon.h"
#include "ufrmmain.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include <httplib.h>

#include <memory>
#include <string>
#include <vector>

// Small helpers shared by the GUI suites.

namespace quenbo::testsupport {

// Records every message box instead of showing it, for the length of one scope.
class RecordedMessages {
public:
    RecordedMessages()
    {
        m_previous = setMessageHandler([this](const MessageRequest &request) {
            texts.push_back(request.text);
            return QMessageBox::Ok;
        });
    }
    ~RecordedMessages() { setMessageHandler(std::move(m_previous)); }
    RecordedMessages(const RecordedMessages &) = delete;
    RecordedMessages &operator=(const RecordedMessages &) = delete;

    std::vector<QString> texts;

private:
    MessageHandler m_previous;
};

// Sends one mouse event straight to target, as the window system would deliver it.
inline void sendMouse(QWidget *target, QEvent::Type type, QPoint pos,
                      Qt::MouseButton button = Qt::NoButton)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease || type == QEvent::MouseMove
                                      ? Qt::NoButton
                                      : Qt::MouseButtons(button);
    QMouseEvent event(type, pos, target->mapToGlobal(pos), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

// A single press and release of button at pos.
inline void click(QWidget *target, QPoint pos, Qt::MouseButton button = Qt::LeftButton)
{
    sendMouse(target, QEvent::MouseButtonPress, pos, button);
    sendMouse(target, QEvent::MouseButtonRelease, pos, button);
}

// A double-click as the window system delivers it: press, release, double-click, release.
inline void doubleClick(QWidget *target, QPoint pos)
{
    click(target, pos);
    sendMouse(target, QEvent::MouseButtonDblClick, pos, Qt::LeftButton);
    sendMouse(target, QEvent::MouseButtonRelease, pos, Qt::LeftButton);
}

// Posts a fault rule (a form such as "picture=12&kind=not_found") to the sandbox at baseUrl,
// or removes every rule for the form "clear=1". True when the sandbox took it.
inline bool postSandboxFault(const std::string &baseUrl, const std::string &form)
{
    httplib::Client client(baseUrl);
    const std::string path = form == "clear=1" ? "/__control/clear" : "/__control/fault";
    const auto result = client.Post(path.c_str(), form, "application/x-www-form-urlencoded");
    return result && result->status == 200;
}

// The item ids of the list's rows, top to bottom.
inline std::vector<std::string> rowIds(VirtualTree *tree)
{
    std::vector<std::string> ids;
    for (int i = 0; i < tree->topLevelCount(); ++i)
        ids.push_back(VirtualTree::nodeData<ItemRow>(tree->topLevelNode(i))->NumIid);
    return ids;
}

// Shows the window, waits until it is exposed and stops its start-up timer, so that the test
// drives the loading itself. False when the window never appeared.
inline bool showWithoutStartup(Tfrm_main &window)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    window.trm_load->stop();
    return true;
}

// The main window over folder, shown as showWithoutStartup leaves it; null when it never
// appeared.
inline std::unique_ptr<Tfrm_main> openWindow(const ProgramFolder &folder)
{
    auto window = std::make_unique<Tfrm_main>(appDir(folder));
    if (!showWithoutStartup(*window))
        return nullptr;
    return window;
}

// For each suite's cleanup(), after it has released its windows: no top-level widget is left,
// shown or hidden.
inline void verifyNoWindowLeft()
{
    QStringList left;
    for (const QWidget *widget : QApplication::topLevelWidgets())
        left << QString::fromLatin1(widget->metaObject()->className()) + " \"" +
                    widget->objectName() + "\"";
    QVERIFY2(left.isEmpty(), qPrintable("windows left open: " + left.join(", ")));
}

// Waits, within a generous bound, until no exchange of the window with the gateway or the
// maker's site is out and every answer has been applied.
inline bool waitForGateway(Tfrm_main &window)
{
    return QTest::qWaitFor([&] { return window.GatewayIdle(); }, 30000);
}

// Waits, within a generous bound, until every download worker of the window has ended and the
// thumbnails of their pictures are made.
inline bool waitForWorkers(Tfrm_main &window)
{
    return QTest::qWaitFor(
        [&] { return window.Common().Workers.size() == 0 && window.Thumbnails().Idle(); }, 30000);
}

}  // namespace quenbo::testsupport
