// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/singleinstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace varnel::instance {

namespace {

// The user id at the other end of a connected local socket, or nothing.
std::optional<uid_t> peerUser(int fd)
{
    ucred credentials{};
    socklen_t size = sizeof(credentials);
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 || size != sizeof(credentials))
        return std::nullopt;
    return credentials.uid;
}

// Whether `path` is a folder (not a link to one) owned by this user and closed to
// others; one of ours with a looser mode is closed.
bool isPrivateFolder(const QString& path, QString* error)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (lstat(native.constData(), &info) != 0) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
        if (error)
            *error = QStringLiteral("%1 is not a folder of this user's").arg(path);
        return false;
    }
    if ((info.st_mode & 077) != 0 && chmod(native.constData(), 0700) != 0) {
        if (error)
            *error = QStringLiteral("%1 is open to other users").arg(path);
        return false;
    }
    return true;
}

// Waits until `fd` is ready for `events` or the deadline passes.
bool waitFor(int fd, short events, const QDeadlineTimer& deadline)
{
    pollfd entry{fd, events, 0};
    for (;;) {
        const int result = poll(&entry, 1, int(qMax<qint64>(0, deadline.remainingTime())));
        if (result > 0)
            return true;
        if (result == 0 || errno != EINTR)
            return false;
    }
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

std::optional<QString> folder(QString* error)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString path = !runtime.isEmpty() && QFileInfo(runtime).isDir()
                             ? runtime + QStringLiteral("/varnel")
                             : QDir::tempPath() + QStringLiteral("/varnel-%1").arg(geteuid());
    // mkdir fails harmlessly when the folder exists; the check below says whether it will do.
    ::mkdir(QFile::encodeName(path).constData(), 0700);
    if (!isPrivateFolder(path, error))
        return std::nullopt;
    return path;
}

QString socketPath(const QString& folder)
{
    // One instance per display: a Varnel on another X server or Wayland session is not ours.
    QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty())
        display = qEnvironmentVariable("DISPLAY");
    for (QChar& c : display) {
        if (!c.isLetterOrNumber() && c != u'.' && c != u'-')
            c = u'_';
    }
    return folder + QStringLiteral("/instance") + (display.isEmpty() ? QString() : u'-' + display);
}

HandOver handOver(const QString& path, const QStringList& files, int timeoutMs)
{
    const QByteArray native = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (native.size() >= qsizetype(sizeof(address.sun_path)))
        return HandOver::failed;
    std::memcpy(address.sun_path, native.constData(), std::size_t(native.size()));

    const FileDescriptor fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.get() < 0)
        return HandOver::failed;
    // A local connect never blocks for long: it succeeds, or fails at once.
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
        return errno == ENOENT || errno == ECONNREFUSED ? HandOver::noInstance : HandOver::failed;
    if (peerUser(fd.get()) != geteuid())
        return HandOver::failed;

    QJsonArray list;
    for (const QString& file : files)
        list.append(file);
    const QByteArray request =
        QJsonDocument(QJsonObject{{QStringLiteral("files"), list}}).toJson(QJsonDocument::Compact) + '\n';
    if (request.size() > kMaxRequestSize)
        return HandOver::failed;

    const QDeadlineTimer deadline(timeoutMs);
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) | O_NONBLOCK);
    qsizetype sent = 0;
    while (sent < request.size()) {
        if (!waitFor(fd.get(), POLLOUT, deadline))
            return HandOver::failed;
        const ssize_t written =
            ::send(fd.get(), request.constData() + sent, std::size_t(request.size() - sent), MSG_NOSIGNAL);
        if (written < 0 && errno != EAGAIN && errno != EINTR)
            return HandOver::failed;
        sent += qMax<ssize_t>(written, 0);
    }
    QByteArray answer;
    while (!answer.contains('\n') && answer.size() < 64) {
        if (!waitFor(fd.get(), POLLIN, deadline))
            return HandOver::failed;
        char buffer[64];
        const ssize_t got = ::recv(fd.get(), buffer, sizeof(buffer), 0);
        if (got == 0)
            return HandOver::failed;
        if (got < 0 && errno != EAGAIN && errno != EINTR)
            return HandOver::failed;
        answer.append(buffer, qMax<ssize_t>(got, 0));
    }
    return answer.startsWith("ok\n") ? HandOver::delivered : HandOver::failed;
}

Server::Server(QObject* parent) : QObject(parent), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &Server::accept);
}

Server::~Server() = default;

bool Server::listen(const QString& path)
{
    QLocalServer::removeServer(path);
    return m_server->listen(path);
}

QString Server::path() const
{
    return m_server->fullServerName();
}

void Server::accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        if (peerUser(int(socket->socketDescriptor())) != geteuid()) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        // A client that stalls is dropped; nothing it sent is used.
        auto* timer = new QTimer(socket);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        timer->start(kTimeoutMs);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
    }
}

void Server::read(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxRequestSize)
            socket->abort();
        return;
    }
    const QByteArray line = socket->readLine(kMaxRequestSize + 1);
    const QJsonDocument document = QJsonDocument::fromJson(line);
    const QJsonValue list = document.object().value(QStringLiteral("files"));
    QStringList files;
    bool valid = document.isObject() && list.isArray();
    for (const auto& entry : list.toArray()) {
        valid = valid && entry.isString() && QDir::isAbsolutePath(entry.toString());
        files.append(entry.toString());
    }
    socket->write(valid ? "ok\n" : "error\n");
    socket->flush();
    socket->disconnectFromServer();
    if (valid)
        Q_EMIT openRequested(files);
}

} // namespace varnel::instance
