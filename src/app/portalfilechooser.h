// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "widgets/dialogs/dialogs.h"

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

#include <optional>

class QDialog;

namespace varnel {

// The desktop's own open dialog, through the XDG desktop portal's FileChooser
// (org.freedesktop.portal.FileChooser.OpenFile): no file of ours records what was browsed,
// and the dialog is the one the desktop shows everywhere. While it runs the window is
// blocked as by a modal dialog. Where no portal answers on the session bus, Qt's own
// dialog opens instead (dialogs::qtOpenFiles).
class PortalFileChooser : public QObject {
    Q_OBJECT

public:
    explicit PortalFileChooser(const QDBusConnection& bus, QObject* parent = nullptr);

    // Whether the session bus has a portal with a FileChooser (asked once, on first use).
    bool available();
    // The files chosen in the portal's dialog, none when it was cancelled; nothing when
    // the portal could not show one.
    std::optional<QList<QUrl>> openFiles(QWidget* parent, const dialogs::OpenFileRequest& request);

    // Sends every open dialog of the process through the portal while one runs.
    static void useForOpenDialogs();

private Q_SLOTS:
    void onResponse(uint response, const QVariantMap& results);

private:
    QDBusConnection m_bus;
    std::optional<bool> m_available;
    quint64 m_requests = 0;
    // The answer of the request running now.
    std::optional<QList<QUrl>> m_answer;
    QDialog* m_waiting = nullptr;
};

} // namespace varnel
