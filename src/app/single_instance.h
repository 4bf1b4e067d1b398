#pragma once

#include <QLockFile>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QLocalServer;
class QLocalSocket;

namespace quenbo {

// The name of the local server the window holding lockFile listens on: "quenbo-", the user's
// id, "-" and 16 hex digits of a hash of the lock's folder with its links resolved. The same
// for every spelling of one folder, different for other folders and other users, and short
// enough for any socket address.
QString singleInstanceServerName(const QString &lockFile);

// One window per set of folders. Made before the window, on the GUI thread, after the
// application object: it takes the lock, or, when another program holds it, asks that program
// to bring its window to the front. The program that holds the lock answers such requests from
// its event loop and keeps the lock until this object is destroyed, which must come after the
// window's own destruction (the picture cache is tidied there).
class SingleInstance {
public:
    enum class Role : std::uint8_t {
        First,      // this program holds the folders; message() is empty or a warning
        Unguarded,  // the lock cannot be made; run without it, message() says why
        Shown,      // another program holds the folders and brought its window to the front
        NoAnswer,   // another program holds the folders and did not answer; message() says so
    };

    // Claims the folders of lockFile. Waits for the program holding them to answer, at most
    // some seconds; when that program ends meanwhile, takes its place.
    explicit SingleInstance(const QString &lockFile);
    ~SingleInstance();

    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    Role role() const { return m_role; }
    // What to tell the user, in Chinese, then "：" and the details; empty when all is well.
    const std::string &message() const { return m_message; }

    // Sets what brings the window to the front when a later start asks for it. A request that
    // came before is carried out now.
    void setShowHandler(std::function<void()> handler);
    // Leaves later requests unanswered: for a window that is closing, so that a start meanwhile
    // waits, and takes the folders over once this object is gone.
    void stopAnswering();

private:
    void listen(const QString &name);
    void takeRequests();
    void readRequest(QLocalSocket *socket);

    QLockFile m_lock;
    // Destroyed before the lock is let go: a start that finds the lock held also finds the
    // server, or waits for the lock.
    std::unique_ptr<QLocalServer> m_server;
    std::function<void()> m_showHandler;
    bool m_showPending = false;
    bool m_answering = true;
    Role m_role = Role::First;
    std::string m_message;
};

}  // namespace quenbo
