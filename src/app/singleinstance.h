// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <optional>

class QLocalSocket;
class QSocketNotifier;
class QTimer;

namespace varnel {

// One Varnel per user and display: the first process listens on a local socket, and a
// later `varnel FILE...` hands its files to it and exits.
//
// The socket lives in a folder of the user's own ($XDG_RUNTIME_DIR/varnel, else
// /tmp/varnel-UID), which must be a real folder owned by the user with no access for
// anyone else; both ends check the other's user id through the socket's peer
// credentials. A request is one line of JSON, {"files": [absolute paths]}, at most
// kMaxRequestSize bytes, answered "ok" once it has been accepted.
namespace instance {

inline constexpr qsizetype kMaxRequestSize = 1 << 20;
// How long either end waits for the other before giving up on it.
inline constexpr int kTimeoutMs = 5000;
// How long the running Varnel keeps a connection whose request has not come in whole.
inline constexpr int kIdleMs = 3000;
// The connections it holds at once: a new one takes the place of the one open longest.
inline constexpr qsizetype kMaxConnections = 32;

// The folder for the sockets, made if needed, or nothing (with the reason in `error`)
// when it cannot be made private to this user.
std::optional<QString> folder(QString* error = nullptr);
// The socket of this user's Varnel on this display, inside `folder`.
QString socketPath(const QString& folder);

enum class HandOver {
    delivered,  // the running Varnel accepted the files
    noInstance, // nothing listens there (no socket, or a stale one left by a crash)
    failed,     // something listens but did not take them: `error` says why
};
// Sends the files to the Varnel listening at `path`. Plain system calls: this runs before
// the application object exists. A list longer than a request may hold is refused rather
// than cut.
HandOver handOver(const QString& path, const QStringList& files, int timeoutMs = kTimeoutMs, QString* error = nullptr);

// The running Varnel's end.
class Server : public QObject {
    Q_OBJECT

public:
    explicit Server(QObject* parent = nullptr);
    ~Server() override;

    // Listens at `path`, replacing a socket left there that no one answers on; a live one
    // is left alone and listen() fails (call it while holding the folder's lock, after
    // handOver found no one listening).
    bool listen(const QString& path);
    // Stops listening and removes the socket, if it is still the one this server made
    // (a later Varnel may have replaced it). The destructor does the same.
    void close();
    QString path() const;
    // The connections held now.
    qsizetype connectionCount() const { return m_connections.size(); }

Q_SIGNALS:
    // A request from another process of this user, accepted.
    void openRequested(const QStringList& files);

private:
    void acceptPending();
    void hold(int fd);
    void drop(QLocalSocket* socket);
    void read(QLocalSocket* socket);

    int m_fd = -1;
    QString m_path;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_retry;                    // accepting again after the process ran out of file descriptors
    QList<QLocalSocket*> m_connections; // the oldest first
};

} // namespace instance
} // namespace varnel
