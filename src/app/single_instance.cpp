#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>

namespace quenbo {

namespace {

using namespace std::chrono_literals;

constexpr const char *kShowRequest = "show\n";
constexpr const char *kShownAnswer = "shown\n";
// Longer than either line; a peer that sends more without a line end is not ours.
constexpr qint64 kMaxLine = 64;
// How long a start waits for the program holding the lock: that program answers from its
// event loop, which it reaches only once its window is made, so a start right after another
// one waits for that.
constexpr auto kAnswerTime = 30s;
// A program listens right after taking the lock. One that cannot be reached this long is not
// listening for us: another user's program in a shared folder, or a process that got the id of
// a program that died.
constexpr auto kUnreachableTime = 5s;
constexpr auto kConnectTime = 1s;
constexpr unsigned long kRetryPauseMs = 100;

// True when the peer runs as this program's user. A name in the abstract namespace has no file
// permissions: any local user can connect to it.
bool fromThisUser(const QLocalSocket &socket)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer,
                        &size) == 0 &&
           peer.uid == ::getuid();
}

enum class Answer : std::uint8_t { Shown, Unreachable, Dropped, Late };

// Asks the program listening on name to show its window and waits for its answer until
// deadline.
Answer askToShow(const QString &name, const QDeadlineTimer &deadline)
{
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(name);
    if (!socket.waitForConnected(static_cast<int>(std::chrono::milliseconds(kConnectTime).count())))
        return Answer::Unreachable;
    socket.write(kShowRequest);
    socket.flush();
    while (!socket.canReadLine()) {
        if (deadline.hasExpired())
            return Answer::Late;
        if (!socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())) &&
            socket.state() != QLocalSocket::ConnectedState && !socket.canReadLine())
            return Answer::Dropped;
    }
    return socket.readLine(kMaxLine) == kShownAnswer ? Answer::Shown : Answer::Dropped;
}

}  // namespace

QString singleInstanceServerName(const QString &lockFile)
{
    const QFileInfo lock(lockFile);
    QString folder = lock.absoluteDir().canonicalPath();
    if (folder.isEmpty())
        folder = QDir::cleanPath(lock.absolutePath());
    const QByteArray hash = QCryptographicHash::hash((folder + u'/' + lock.fileName()).toUtf8(),
                                                     QCryptographicHash::Sha256)
                                .toHex()
                                .left(16);
    return QStringLiteral("quenbo-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
}

SingleInstance::SingleInstance(const QString &lockFile)
    : m_lock(lockFile)
{
    // A window holds its lock for hours: a lock is stale only when its process is gone (or was
    // made before the machine last started), never by its age.
    m_lock.setStaleLockTime(0);
    const QString folder = QFileInfo(lockFile).absolutePath();
    const auto unguarded = [&](const std::string &reason) {
        m_role = Role::Unguarded;
        m_message = "锁文件无法创建，本程序照常运行，但不能阻止同一组文件夹上再启动一个：" +
                    lockFile.toStdString() + ": " + reason;
    };
    if (!QDir().mkpath(folder)) {
        unguarded("cannot make the folder " + folder.toStdString());
        return;
    }

    const QString name = singleInstanceServerName(lockFile);
    const QDeadlineTimer deadline(kAnswerTime);
    QDeadlineTimer unreachable(kUnreachableTime);
    for (;;) {
        errno = 0;
        if (m_lock.tryLock(0)) {
            listen(name);
            return;
        }
        if (m_lock.error() != QLockFile::LockFailedError) {
            // The error number of the failed open is the most precise reason there is.
            const int error = errno;
            unguarded(error != 0                                     ? std::strerror(error)
                      : m_lock.error() == QLockFile::PermissionError ? "permission denied"
                                                                     : "unknown error");
            return;
        }
        const Answer answer = askToShow(name, deadline);
        if (answer == Answer::Shown) {
            m_role = Role::Shown;
            m_message =
                "这组文件夹已有一个 Quenbo 在运行，已把它的窗口带到前面：" + folder.toStdString();
            return;
        }
        if (answer == Answer::Dropped)
            unreachable = QDeadlineTimer(kUnreachableTime);
        if (answer == Answer::Late || deadline.hasExpired() || unreachable.hasExpired())
            break;
        QThread::msleep(kRetryPauseMs);
    }
    qint64 pid = 0;
    QString host;
    QString program;
    m_lock.getLockInfo(&pid, &host, &program);
    m_role = Role::NoAnswer;
    const std::string process = pid > 0 ? "（进程 " + std::to_string(pid) + "）" : "";
    m_message = "另一个 Quenbo" + process + "正在使用这组文件夹，但没有应答；请关闭它再启动：" +
                lockFile.toStdString();
}

SingleInstance::~SingleInstance() = default;

void SingleInstance::setShowHandler(std::function<void()> handler)
{
    m_showHandler = std::move(handler);
    if (m_showPending && m_showHandler) {
        m_showPending = false;
        m_showHandler();
    }
}

void SingleInstance::stopAnswering()
{
    m_answering = false;
}

void SingleInstance::listen(const QString &name)
{
    m_server = std::make_unique<QLocalServer>();
    // A name in Linux's abstract socket namespace: no socket file is left anywhere, not even by
    // a program that crashed.
    m_server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    if (!m_server->listen(name)) {
        m_message = "窗口无法接收同一组文件夹上再次启动的请求：" + name.toStdString() + ": " +
                    m_server->errorString().toStdString();
        m_server.reset();
        return;
    }
    QObject::connect(m_server.get(), &QLocalServer::newConnection, m_server.get(),
                     [this] { takeRequests(); });
}

void SingleInstance::takeRequests()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        if (!fromThisUser(*socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QLocalSocket::readyRead, socket,
                         [this, socket] { readRequest(socket); });
        readRequest(socket);
    }
}

void SingleInstance::readRequest(QLocalSocket *socket)
{
    if (!m_answering)
        return;
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxLine)
            socket->abort();
        return;
    }
    if (socket->readLine(kMaxLine) != kShowRequest) {
        socket->abort();
        return;
    }
    std::cerr << "quenbo: 同一组文件夹上再次启动了本程序，已把窗口带到前面\n";
    // A request while the window is still being made (a message box of its start runs the
    // event loop) is carried out once the handler is set.
    if (m_showHandler)
        m_showHandler();
    else
        m_showPending = true;
    socket->write(kShownAnswer);
    socket->disconnectFromServer();
}

}  // namespace quenbo
