// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/portalfilechooser.h"

#include "app/portal.h"
#include "core/fileextension.h"
#include "core/nativepath.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDialog>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>

namespace varnel {

namespace {

const QString kFileChooser = QStringLiteral("org.freedesktop.portal.FileChooser");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
// A running portal answers at once; one being started by the bus may take a moment.
constexpr int kPortalTimeoutMs = 2000;

// How the portal names the window its dialog belongs to: an X11 window by its id (other
// platforms have no name the portal takes without more protocol, and get none).
QString windowName(const QWidget* parent)
{
    if (!parent || QGuiApplication::platformName() != QLatin1StringView("xcb"))
        return {};
    return QStringLiteral("x11:%1").arg(parent->window()->winId(), 0, 16);
}

} // namespace

PortalFileChooser::PortalFileChooser(const QDBusConnection& bus, QObject* parent) : QObject(parent), m_bus(bus) {}

bool PortalFileChooser::available()
{
    if (!m_available) {
        QDBusMessage get = QDBusMessage::createMethodCall(
            portal::service, portal::path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << kFileChooser << QStringLiteral("version");
        m_available =
            m_bus.isConnected() && m_bus.call(get, QDBus::Block, kPortalTimeoutMs).type() == QDBusMessage::ReplyMessage;
    }
    return *m_available;
}

std::optional<QList<QUrl>> PortalFileChooser::openFiles(QWidget* parent, const dialogs::OpenFileRequest& request)
{
    if (m_waiting || !available())
        return std::nullopt;
    // The request's object is named after our bus name and the token: its answer is
    // listened for before the call, so that it cannot come first.
    const QString token = QStringLiteral("varnel%1").arg(++m_requests);
    const QString sender = m_bus.baseService().mid(1).replace(u'.', u'_');
    const QString handle = QStringLiteral("%1/request/%2/%3").arg(portal::path, sender, token);
    m_bus.connect(portal::service, handle, kRequest, QStringLiteral("Response"), this,
                  SLOT(onResponse(uint, QVariantMap)));

    QVariantMap options{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("multiple"), request.several},
                        {QStringLiteral("modal"), true}};
    if (!request.folder.isEmpty())
        options.insert(QStringLiteral("current_folder"), nativePath(filePath(request.folder)) + '\0');
    QDBusMessage open =
        QDBusMessage::createMethodCall(portal::service, portal::path, kFileChooser, QStringLiteral("OpenFile"));
    open << windowName(parent) << request.caption << options;
    const QDBusMessage reply = m_bus.call(open, QDBus::Block, kPortalTimeoutMs);
    std::optional<QList<QUrl>> answer;
    if (reply.type() == QDBusMessage::ReplyMessage) {
        // A dialog that never shows blocks the window as the portal's dialog should.
        QDialog blocker(parent);
        blocker.setAttribute(Qt::WA_DontShowOnScreen);
        blocker.setWindowModality(Qt::WindowModal);
        m_waiting = &blocker;
        m_answer.reset();
        const QString path = reply.arguments().value(0).value<QDBusObjectPath>().path();
        const dialogs::OpenDialogScope shown(parent, [this, path, &blocker] {
            m_bus.call(QDBusMessage::createMethodCall(portal::service, path, kRequest, QStringLiteral("Close")),
                       QDBus::NoBlock);
            blocker.reject();
        });
        if (blocker.exec() == QDialog::Accepted)
            answer = m_answer;
        else
            answer = QList<QUrl>();
        m_waiting = nullptr;
    }
    m_bus.disconnect(portal::service, handle, kRequest, QStringLiteral("Response"), this,
                     SLOT(onResponse(uint, QVariantMap)));
    return answer;
}

void PortalFileChooser::onResponse(uint response, const QVariantMap& results)
{
    if (!m_waiting)
        return;
    // 0: chosen; 1: cancelled; 2: ended some other way.
    QList<QUrl> urls;
    for (const QString& uri : results.value(QStringLiteral("uris")).toStringList()) {
        const QUrl url(uri);
        if (url.isLocalFile())
            urls.append(url);
    }
    m_answer = urls;
    m_waiting->done(response == 0 ? QDialog::Accepted : QDialog::Rejected);
}

void PortalFileChooser::useForOpenDialogs()
{
    auto* chooser = new PortalFileChooser(QDBusConnection::sessionBus(), qApp);
    dialogs::setOpenFileHandler(
        [chooser = QPointer(chooser)](QWidget* parent, const dialogs::OpenFileRequest& request) {
            if (chooser) {
                if (std::optional<QList<QUrl>> urls = chooser->openFiles(parent, request))
                    return *urls;
            }
            return dialogs::qtOpenFiles(parent, request);
        });
}

} // namespace varnel
