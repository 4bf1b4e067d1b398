#pragma once

#include "core/ucommon.h"
#include "interface_pictures.h"
#include "sandbox/sandbox_server.h"
#include "ui/browser_opener.h"
#include "ui/message_box.h"
#include "ui/skin.h"
#include "ui/uItemTree.h"
#include "ui/ufrmmain.h"
#include "window_controls.h"

#include <QApplication>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include <filesystem>

#include <httplib.h>

#include <map>
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

// Records every address handed to the browser instead of opening it, for the length of one
// scope.
class RecordedAddresses {
public:
    RecordedAddresses()
    {
        m_previous = setBrowserOpener(
            [this](const QUrl &url) { opened.push_back(url.toString().toStdString()); });
    }
    ~RecordedAddresses() { setBrowserOpener(std::move(m_previous)); }
    RecordedAddresses(const RecordedAddresses &) = delete;
    RecordedAddresses &operator=(const RecordedAddresses &) = delete;

    std::vector<std::string> opened;

private:
    BrowserOpener m_previous;
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

// The item list's model, as the window's presenter keeps it.
inline const ItemListModel &itemRows(const QListView *view)
{
    return *static_cast<const ItemListModel *>(view->model());
}

// The item ids of the list's rows, top to bottom.
inline std::vector<std::string> rowIds(const QListView *view)
{
    std::vector<std::string> ids;
    const ItemListModel &model = itemRows(view);
    for (int i = 0; i < model.rowCount(); ++i)
        ids.push_back(model.row(i).record.NumIid);
    return ids;
}

// The record of the first row with this id; an empty record when there is none.
inline TTaoBaoData shownRecord(const QListView *view, const std::string &id)
{
    const ItemListModel &model = itemRows(view);
    const int row = model.rowOf(id);
    return row < 0 ? TTaoBaoData() : model.row(row).record;
}

// The row at index, in the view's viewport coordinates.
inline QRect rowRect(const QListView *view, int index)
{
    return view->visualRect(view->model()->index(index, 0));
}

// Shows the window, waits until it is exposed and stops its start-up timer, so that the test
// drives the loading itself. False when the window never appeared.
inline bool showWithoutStartup(Tfrm_main &window)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    ui(window).trm_load->stop();
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

// For initTestCase: the fonts and a sandbox on a free loopback port, started.
inline std::unique_ptr<sandbox::SandboxServer> startSuiteSandbox()
{
    installFontSubstitutions();
    auto server = std::make_unique<sandbox::SandboxServer>(sandbox::SandboxConfig{});
    server->start();
    return server;
}

// For cleanup: releases the window and the sandbox's faults, then fails the test on a message
// box it did not expect (it may clear the messages first) or a window left open.
inline void finishWindowTest(std::unique_ptr<Tfrm_main> &window,
                             std::unique_ptr<RecordedMessages> &messages,
                             const std::string &sandboxUrl)
{
    // A shop menu a test left open is closed first, as Escape would close it.
    if (window)
        ui(window).Pop_MShop->hide();
    window.reset();
    postSandboxFault(sandboxUrl, "clear=1");
    const std::vector<QString> shown = messages ? messages->texts : std::vector<QString>{};
    messages.reset();
    if (!shown.empty())
        QFAIL(qPrintable(shown.front()));
    verifyNoWindowLeft();
}

// What the window suites share: a sandbox on a free loopback port, a program folder whose
// archive points at it, and for each test a fresh favourites database, the window and a record
// of its message boxes.
class SandboxedWindow {
public:
    // For initTestCase: the fonts, the sandbox and the program folder, its archive with the
    // sandbox settings and each of extraSettings in place of the one of the same name.
    void startSuite(const std::map<std::string, std::string> &extraSettings = {})
    {
        m_sandbox = startSuiteSandbox();
        m_folder = std::make_unique<ProgramFolder>();
        writeSandboxArchive(*m_folder, m_sandbox->baseUrl(), extraSettings);
    }

    // For init: an empty favourites database and the window, shown with its first loading left
    // to the test and the loading indicator hidden. False when the window never appeared.
    bool openWindow()
    {
        m_messages = std::make_unique<RecordedMessages>();
        std::error_code ignored;
        std::filesystem::remove(m_folder->databaseFile(), ignored);
        m_folder->createDatabase();
        m_window = std::make_unique<Tfrm_main>(appDir(*m_folder));
        if (!showWithoutStartup(*m_window))
            return false;
        ui(m_window).pnl_load->hide();
        return true;
    }

    // For cleanup: releases the window and the sandbox's faults, then fails the test on a
    // message box it did not expect (it may clear messages() first) or a window left open.
    void finishTest() { finishWindowTest(m_window, m_messages, m_sandbox->baseUrl()); }

    sandbox::SandboxServer &sandbox() { return *m_sandbox; }
    ProgramFolder &folder() { return *m_folder; }
    Tfrm_main &window() { return *m_window; }
    Tfrm_main *windowOrNull() { return m_window.get(); }
    RecordedMessages &messages() { return *m_messages; }
    void closeWindow() { m_window.reset(); }

private:
    std::unique_ptr<sandbox::SandboxServer> m_sandbox;
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<RecordedMessages> m_messages;
    std::unique_ptr<Tfrm_main> m_window;
};

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
    return QTest::qWaitFor([&] { return window.ItemListPresenter().Pictures().idle(); }, 30000);
}

}  // namespace quenbo::testsupport
