// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/singleinstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QLocale>
#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

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

// The address of the socket at `path`, or nothing when the path is too long for one.
std::optional<sockaddr_un> socketAddress(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (native.isEmpty() || native.size() >= qsizetype(sizeof(address.sun_path)))
        return std::nullopt;
    std::memcpy(address.sun_path, native.constData(), std::size_t(native.size()));
    return address;
}

enum class Connection {
    connected,
    absent, // no socket there, or one nobody listens on
    busy,   // a listener whose queue stayed full until the deadline
    failed,
};

// Connects the non-blocking socket `fd`. A listener's full queue makes connect fail at
// once rather than wait: it is tried again until the deadline.
Connection connectTo(int fd, const sockaddr_un& address, const QDeadlineTimer& deadline)
{
    for (;;) {
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0)
            return Connection::connected;
        if (errno == EISCONN) // an interrupted connect went on
            return Connection::connected;
        if (errno == ENOENT || errno == ECONNREFUSED)
            return Connection::absent;
        if (errno != EAGAIN && errno != EINTR)
            return Connection::failed;
        if (deadline.hasExpired())
            return Connection::busy;
        ::poll(nullptr, 0, 10);
    }
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QString noAnswer(int timeoutMs)
{
    return QStringLiteral("it did not answer within %1 seconds").arg(timeoutMs / 1000);
}

// Sends `request` on the connected socket `fd` and reads the answer: nothing when it was
// accepted, else why not.
std::optional<QString> exchange(int fd, const QByteArray& request, const QDeadlineTimer& deadline, int timeoutMs)
{
    qsizetype sent = 0;
    while (sent < request.size()) {
        if (!waitFor(fd, POLLOUT, deadline))
            return noAnswer(timeoutMs);
        const ssize_t written =
            ::send(fd, request.constData() + sent, std::size_t(request.size() - sent), MSG_NOSIGNAL);
        if (written < 0 && errno != EAGAIN && errno != EINTR)
            return QStringLiteral("it closed the connection");
        sent += qMax<ssize_t>(written, 0);
    }
    QByteArray answer;
    while (!answer.contains('\n') && answer.size() < 64) {
        if (!waitFor(fd, POLLIN, deadline))
            return noAnswer(timeoutMs);
        char buffer[64];
        const ssize_t got = ::recv(fd, buffer, sizeof(buffer), 0);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR))
            return QStringLiteral("it closed the connection");
        answer.append(buffer, qMax<ssize_t>(got, 0));
    }
    if (!answer.startsWith("ok\n"))
        return QStringLiteral("it refused the request");
    return std::nullopt;
}

// How long the server waits before accepting again after it could not.
constexpr int kRetryMs = 200;

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

HandOver handOver(const QString& path, const QStringList& files, int timeoutMs, QString* error)
{
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return HandOver::failed;
    };
    const std::optional<sockaddr_un> address = socketAddress(path);
    if (!address)
        return HandOver::noInstance; // no Varnel can listen at a path this long
    const FileDescriptor fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (fd.get() < 0)
        return fail(systemError());
    const QDeadlineTimer deadline(timeoutMs);
    switch (connectTo(fd.get(), *address, deadline)) {
    case Connection::absent: return HandOver::noInstance;
    case Connection::busy: return fail(noAnswer(timeoutMs));
    case Connection::failed: return fail(systemError());
    case Connection::connected: break;
    }
    if (peerUser(fd.get()) != geteuid())
        return fail(QStringLiteral("%1 belongs to another user").arg(path));

    QJsonArray list;
    for (const QString& file : files)
        list.append(file);
    const QByteArray request =
        QJsonDocument(QJsonObject{{QStringLiteral("files"), list}}).toJson(QJsonDocument::Compact) + '\n';
    if (request.size() > kMaxRequestSize)
        return fail(QStringLiteral("the list of files is too long (%1 bytes, at most %2)")
                        .arg(QLocale::c().toString(request.size()), QLocale::c().toString(kMaxRequestSize)));

    if (const std::optional<QString> why = exchange(fd.get(), request, deadline, timeoutMs))
        return fail(*why);
    return HandOver::delivered;
}

Server::Server(QObject* parent) : QObject(parent), m_retry(new QTimer(this))
{
    m_retry->setSingleShot(true);
    m_retry->setInterval(kRetryMs);
    connect(m_retry, &QTimer::timeout, this, [this] {
        if (m_notifier)
            m_notifier->setEnabled(true);
    });
}

Server::~Server()
{
    close();
}

bool Server::listen(const QString& path)
{
    close();
    const std::optional<sockaddr_un> address = socketAddress(path);
    if (!address)
        return false;
    // Only a socket no one answers on is replaced: a live one is another Varnel's.
    {
        const FileDescriptor probe(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (probe.get() < 0)
            return false;
        switch (connectTo(probe.get(), *address, QDeadlineTimer(0))) {
        case Connection::connected:
        case Connection::busy: return false;
        case Connection::failed: break;
        case Connection::absent: ::unlink(address->sun_path); break;
        }
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    struct stat info {};
    const mode_t mask = ::umask(077);
    const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof(*address)) == 0;
    ::umask(mask);
    if (!bound || ::listen(fd, SOMAXCONN) != 0 || ::lstat(address->sun_path, &info) != 0) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    m_fd = fd;
    m_path = path;
    m_device = info.st_dev;
    m_inode = info.st_ino;
    m_notifier = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &Server::acceptPending);
    return true;
}

void Server::close()
{
    if (m_fd < 0)
        return;
    delete m_notifier;
    m_notifier = nullptr;
    m_retry->stop();
    const QByteArray native = QFile::encodeName(m_path);
    struct stat info {};
    if (::lstat(native.constData(), &info) == 0 && info.st_dev == m_device && info.st_ino == m_inode)
        ::unlink(native.constData());
    ::close(m_fd);
    m_fd = -1;
    m_path.clear();
    for (QLocalSocket* socket : std::exchange(m_connections, {})) {
        socket->abort();
        socket->deleteLater();
    }
}

QString Server::path() const
{
    return m_path;
}

void Server::acceptPending()
{
    for (;;) {
        const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            hold(fd);
            continue;
        }
        if (errno == EINTR || errno == ECONNABORTED || errno == EPROTO)
            continue;
        // Out of file descriptors or memory: the connection waits in the queue, and the
        // server takes it a moment later rather than spin (or give up listening).
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            m_notifier->setEnabled(false);
            m_retry->start();
        }
        return;
    }
}

void Server::hold(int fd)
{
    if (peerUser(fd) != geteuid()) {
        ::close(fd);
        return;
    }
    if (m_connections.size() >= kMaxConnections) {
        // The oldest makes room, but a request it has sent already is read (and answered)
        // first: reading emits readyRead.
        QLocalSocket* oldest = m_connections.constFirst();
        oldest->waitForReadyRead(0);
        drop(oldest);
    }
    auto* socket = new QLocalSocket(this);
    if (!socket->setSocketDescriptor(qintptr(fd))) {
        ::close(fd);
        delete socket;
        return;
    }
    m_connections.append(socket);
    // A client that stalls is dropped; nothing it sent is used.
    QTimer::singleShot(kIdleMs, socket, [this, socket] { drop(socket); });
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] { drop(socket); });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
}

void Server::drop(QLocalSocket* socket)
{
    if (!m_connections.removeOne(socket))
        return;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void Server::read(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxRequestSize)
            drop(socket);
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
