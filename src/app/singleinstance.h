// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class QLocalServer;
class QLocalSocket;

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

// The folder for the sockets, made if needed, or nothing (with the reason in `error`)
// when it cannot be made private to this user.
std::optional<QString> folder(QString* error = nullptr);
// The socket of this user's Varnel on this display, inside `folder`.
QString socketPath(const QString& folder);

enum class HandOver {
    delivered,  // the running Varnel accepted the files
    noInstance, // nothing listens there (no socket, or a stale one left by a crash)
    failed,     // something listens but did not accept them in time, or is not ours
};
// Sends the files to the Varnel listening at `path`. Plain system calls: this runs before
// the application object exists.
HandOver handOver(const QString& path, const QStringList& files, int timeoutMs = kTimeoutMs);

// The running Varnel's end.
class Server : public QObject {
    Q_OBJECT

public:
    explicit Server(QObject* parent = nullptr);
    ~Server() override;

    // Listens at `path`, replacing a socket left there (call it while holding the
    // folder's lock, after handOver found no one listening).
    bool listen(const QString& path);
    QString path() const;

Q_SIGNALS:
    // A request from another process of this user, accepted.
    void openRequested(const QStringList& files);

private:
    void accept();
    void read(QLocalSocket* socket);

    QLocalServer* m_server;
};

} // namespace instance
} // namespace varnel
