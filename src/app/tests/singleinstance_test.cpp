// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/singleinstance.h"
#include "core/nativepath.h"
#include "widgets/tests/screentestutil.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <future>
#include <memory>
#include <vector>

using namespace varnel;

namespace {

// The mode bits of a path, without following a link.
mode_t modeOf(const QString& path)
{
    struct stat info {};
    lstat(QFile::encodeName(path).constData(), &info);
    return info.st_mode;
}

int connectTo(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    std::memcpy(address.sun_path, native.constData(), std::size_t(native.size()));
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Sends `request` on a fresh connection and returns what comes back before the server
// hangs up (run on a thread of its own while the test's thread serves).
QByteArray exchange(const QString& path, const QByteArray& request)
{
    const int fd = connectTo(path);
    if (fd < 0)
        return "(no connection)";
    (void)::send(fd, request.constData(), std::size_t(request.size()), MSG_NOSIGNAL);
    QByteArray answer;
    char buffer[64];
    ssize_t got = 0;
    while ((got = ::recv(fd, buffer, sizeof(buffer), 0)) > 0)
        answer.append(buffer, got);
    ::close(fd);
    return answer;
}

template <typename T>
T serveUntilReady(std::future<T>& future)
{
    EXPECT_TRUE(
        test::waitFor([&] { return future.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 20000));
    return future.get();
}

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(runtime.isValid());
        previousRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    }
    void TearDown() override { qputenv("XDG_RUNTIME_DIR", previousRuntime); }

    QTemporaryDir runtime;
    QByteArray previousRuntime;
};

TEST_F(SingleInstanceTest, TheFolderIsPrivateToTheUser)
{
    QString error;
    const std::optional<QString> folder = instance::folder(&error);
    ASSERT_TRUE(folder) << error.toStdString();
    EXPECT_EQ(*folder, runtime.filePath("varnel"));
    EXPECT_EQ(modeOf(*folder) & 0777, 0700u);

    // Loosened by someone: closed again.
    ASSERT_EQ(chmod(QFile::encodeName(*folder).constData(), 0755), 0);
    ASSERT_TRUE(instance::folder());
    EXPECT_EQ(modeOf(*folder) & 0777, 0700u);

    // A link or a file in its place is not used.
    ASSERT_TRUE(QDir(*folder).removeRecursively());
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QFile::link(elsewhere.path(), *folder));
    EXPECT_FALSE(instance::folder(&error));
    EXPECT_TRUE(error.contains("not a folder of this user's")) << error.toStdString();
    ASSERT_TRUE(QFile::remove(*folder));
    QFile file(*folder);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_FALSE(instance::folder());

    // The socket's name tells displays apart.
    const QByteArray display = qgetenv("DISPLAY");
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("DISPLAY", ":12.0");
    EXPECT_EQ(instance::socketPath("/run/x"), "/run/x/instance-_12.0");
    qunsetenv("DISPLAY");
    EXPECT_EQ(instance::socketPath("/run/x"), "/run/x/instance");
    qputenv("DISPLAY", display);
    qputenv("WAYLAND_DISPLAY", wayland);
}

TEST_F(SingleInstanceTest, FilesReachTheRunningInstanceAndAStaleSocketIsReplaced)
{
    const QString folder = *instance::folder();
    const QString path = instance::socketPath(folder);
    EXPECT_EQ(instance::handOver(path, {"/a"}), instance::HandOver::noInstance); // nothing there

    // A crash leaves the socket file behind with no one listening.
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray native = QFile::encodeName(path);
        std::memcpy(address.sun_path, native.constData(), std::size_t(native.size()));
        ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
        ::close(fd);
    }
    ASSERT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(instance::handOver(path, {"/a"}), instance::HandOver::noInstance);

    instance::Server server;
    ASSERT_TRUE(server.listen(path));
    EXPECT_EQ(modeOf(path) & 077, 0u);
    QSignalSpy requests(&server, &instance::Server::openRequested);
    const QStringList files = {"/tmp/left file.txt", "/tmp/ríght.txt", pathFromNative("/tmp/caf\xE9.txt")};
    auto delivered = std::async(std::launch::async, [&] { return instance::handOver(path, files); });
    EXPECT_EQ(serveUntilReady(delivered), instance::HandOver::delivered);
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0][0].toStringList(), files);

    // No files is a request too (a new window).
    auto empty = std::async(std::launch::async, [&] { return instance::handOver(path, {}); });
    EXPECT_EQ(serveUntilReady(empty), instance::HandOver::delivered);
    ASSERT_EQ(requests.size(), 2);
    EXPECT_TRUE(requests[1][0].toStringList().isEmpty());
}

TEST_F(SingleInstanceTest, BadRequestsAreRefused)
{
    const QString path = instance::socketPath(*instance::folder());
    instance::Server server;
    ASSERT_TRUE(server.listen(path));
    QSignalSpy requests(&server, &instance::Server::openRequested);
    for (const QByteArray& request :
         {QByteArray("{not json\n"), QByteArray("[\"/a\"]\n"), QByteArray("{\"files\": [\"relative.txt\"]}\n"),
          QByteArray("{\"files\": [\"/a\", 3]}\n"), QByteArray("{\"files\": \"/a\"}\n")}) {
        auto answer = std::async(std::launch::async, [&] { return exchange(path, request); });
        EXPECT_EQ(serveUntilReady(answer), "error\n") << request.constData();
    }
    // More than a request may hold, without an end: the connection is dropped.
    auto flood = std::async(std::launch::async,
                            [&] { return exchange(path, QByteArray(instance::kMaxRequestSize + 4096, 'x')); });
    EXPECT_EQ(serveUntilReady(flood), "");
    EXPECT_EQ(requests.size(), 0);
}

TEST_F(SingleInstanceTest, ALiveSocketIsNeverTakenAndOnlyOurOwnIsRemoved)
{
    const QString path = instance::socketPath(*instance::folder());
    auto first = std::make_unique<instance::Server>();
    ASSERT_TRUE(first->listen(path));
    instance::Server second;
    EXPECT_FALSE(second.listen(path)); // someone answers there
    auto delivered = std::async(std::launch::async, [&] { return instance::handOver(path, {"/a"}); });
    EXPECT_EQ(serveUntilReady(delivered), instance::HandOver::delivered);

    // Too long a list is refused, naming why, and the listener stays.
    QString error;
    const QStringList many(instance::kMaxRequestSize / 8, QStringLiteral("/tmp/a.txt"));
    auto tooLong = std::async(std::launch::async, [&] { return instance::handOver(path, many, 2000, &error); });
    EXPECT_EQ(serveUntilReady(tooLong), instance::HandOver::failed);
    EXPECT_TRUE(error.contains("too long")) << error.toStdString();
    EXPECT_EQ(first->path(), path);

    // Once the socket is another's, the first server leaves it when it goes.
    ASSERT_EQ(::unlink(QFile::encodeName(path).constData()), 0);
    ASSERT_TRUE(second.listen(path));
    QSignalSpy requests(&second, &instance::Server::openRequested);
    first.reset();
    auto toSecond = std::async(std::launch::async, [&] { return instance::handOver(path, {"/b"}); });
    EXPECT_EQ(serveUntilReady(toSecond), instance::HandOver::delivered);
    EXPECT_EQ(requests.size(), 1);
    second.close();
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(SingleInstanceTest, IdleConnectionsAndFailedAcceptsDoNotStopTheServer)
{
    const QString path = instance::socketPath(*instance::folder());
    instance::Server server;
    ASSERT_TRUE(server.listen(path));

    // More idle connections than it holds: the oldest make room, and a request gets through.
    std::vector<int> idle;
    for (qsizetype index = 0; index < instance::kMaxConnections + 20; ++index)
        idle.push_back(connectTo(path));
    EXPECT_TRUE(test::waitFor([&] { return server.connectionCount() == instance::kMaxConnections; }));
    auto delivered = std::async(std::launch::async, [&] { return instance::handOver(path, {"/a"}); });
    EXPECT_EQ(serveUntilReady(delivered), instance::HandOver::delivered);
    // Idle ones are dropped after a while.
    EXPECT_TRUE(test::waitFor([&] { return server.connectionCount() == 0; }, instance::kIdleMs + 5000));
    for (const int fd : idle)
        ::close(fd);

    // More requests at once than it holds connections: those making room are answered too.
    QSignalSpy requests(&server, &instance::Server::openRequested);
    std::vector<int> burst;
    const QByteArray request = "{\"files\": [\"/a\"]}\n";
    for (qsizetype index = 0; index < instance::kMaxConnections + 8; ++index) {
        burst.push_back(connectTo(path));
        (void)::send(burst.back(), request.constData(), std::size_t(request.size()), MSG_NOSIGNAL);
    }
    EXPECT_TRUE(test::waitFor([&] { return requests.size() == qsizetype(burst.size()); }));
    for (const int fd : burst)
        ::close(fd);

    // Out of file descriptors, accept fails: the connection waits and is taken later.
    // UBSan checks an object's type on its first use through a pipe, which cannot open at
    // the limit: the server's notifier is used there, so the check is made here first.
    QSocketNotifier(qintptr(0), QSocketNotifier::Read).setEnabled(false);
    const int waiting = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const int lowestFree = ::open("/dev/null", O_RDONLY);
    ::close(lowestFree);
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    const rlimit lowered{rlim_t(lowestFree), limit.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    std::memcpy(address.sun_path, native.constData(), std::size_t(native.size()));
    const int connected = ::connect(waiting, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    test::waitFor([] { return false; }, 300); // the server tries, and fails, to accept
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
    ASSERT_EQ(connected, 0);
    auto answer = std::async(std::launch::async, [&] {
        (void)::send(waiting, request.constData(), std::size_t(request.size()), MSG_NOSIGNAL);
        char buffer[8] = {};
        return QByteArray(buffer, qMax<ssize_t>(0, ::recv(waiting, buffer, sizeof(buffer), 0)));
    });
    EXPECT_EQ(serveUntilReady(answer), "ok\n");
    ::close(waiting);
    auto later = std::async(std::launch::async, [&] { return instance::handOver(path, {"/c"}); });
    EXPECT_EQ(serveUntilReady(later), instance::HandOver::delivered);
}

TEST_F(SingleInstanceTest, AnotherUsersConnectionIsRefused)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    // A folder everyone may enter, so that the check on the socket itself is what refuses.
    QTemporaryDir open;
    ASSERT_EQ(chmod(QFile::encodeName(open.path()).constData(), 0777), 0);
    const QString path = open.filePath("instance");
    instance::Server server;
    ASSERT_TRUE(server.listen(path));
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0777), 0);
    QSignalSpy requests(&server, &instance::Server::openRequested);

    const QByteArray native = QFile::encodeName(path);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Only system calls from here on. Exit 0: accepted, 1: refused, 2: no connection.
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, native.constData(), std::size_t(native.size()));
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
            _exit(2);
        const char request[] = "{\"files\": [\"/etc/hostname\"]}\n";
        (void)::send(fd, request, sizeof(request) - 1, MSG_NOSIGNAL);
        char answer[8] = {};
        const ssize_t got = ::recv(fd, answer, sizeof(answer), 0);
        _exit(got > 0 && answer[0] == 'o' ? 0 : 1);
    }
    int status = 0;
    ASSERT_TRUE(test::waitFor([&] { return waitpid(child, &status, WNOHANG) == child; }, 20000));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    test::settle();
    EXPECT_EQ(requests.size(), 0);

    // The sending end checks the listener too: a socket of another user's is not handed
    // anything.
    QTemporaryDir theirs;
    ASSERT_EQ(chmod(QFile::encodeName(theirs.path()).constData(), 0777), 0);
    const QByteArray theirPath = QFile::encodeName(theirs.filePath("instance"));
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t listener = fork();
    ASSERT_GE(listener, 0);
    if (listener == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, theirPath.constData(), std::size_t(theirPath.size()));
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 || ::listen(fd, 4) != 0)
            _exit(2);
        (void)::write(ready[1], "x", 1);
        const int client = ::accept(fd, nullptr, nullptr);
        char buffer[256];
        (void)::recv(client, buffer, sizeof(buffer), 0);
        (void)::send(client, "ok\n", 3, MSG_NOSIGNAL);
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    EXPECT_EQ(instance::handOver(QFile::decodeName(theirPath), {"/a"}, 2000), instance::HandOver::failed);
    kill(listener, SIGKILL);
    waitpid(listener, &status, 0);
    ::close(ready[0]);
    ::close(ready[1]);
}

} // namespace
