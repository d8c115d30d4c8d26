// SPDX-License-Identifier: GPL-3.0-or-later

// A stand-in for the XDG desktop portal's Settings interface, for tests and screenshots:
//   varnel-fake-portal [SCHEME]
// It serves org.freedesktop.portal.Desktop on the session bus (DBUS_SESSION_BUS_ADDRESS),
// answers Read("org.freedesktop.appearance", "color-scheme") with SCHEME (0 no
// preference, 1 dark, 2 light; 0 unless told), prints "ready" once it is on the bus, and
// takes a new scheme per line of standard input, announcing each with SettingChanged.
// It ends at the end of its input. With `--files URI...` after SCHEME it also serves the
// FileChooser: every OpenFile is answered with those URIs, or cancelled when none are
// given; "asked TITLE OPTION=VALUE..." is printed for each.
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QSocketNotifier>

#include <unistd.h>

#include <cstdio>

namespace {

const QString kGroup = QStringLiteral("org.freedesktop.appearance");
const QString kKey = QStringLiteral("color-scheme");

class FakeSettings : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    explicit FakeSettings(uint scheme) : m_scheme(scheme) {}

    void setScheme(uint scheme)
    {
        m_scheme = scheme;
        Q_EMIT SettingChanged(kGroup, kKey, QDBusVariant(QVariant::fromValue(scheme)));
    }

public Q_SLOTS:
    // As the real portal does, Read wraps the value in one variant more than ReadOne.
    QDBusVariant Read(const QString& group, const QString& key, const QDBusMessage& message)
    {
        if (group != kGroup || key != kKey) {
            message.setDelayedReply(true);
            QDBusConnection::sessionBus().send(
                message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                                         QStringLiteral("Requested setting not found")));
            return {};
        }
        return QDBusVariant(QVariant::fromValue(QDBusVariant(QVariant::fromValue(m_scheme))));
    }
    QDBusVariant ReadOne(const QString& group, const QString& key, const QDBusMessage& message)
    {
        if (group != kGroup || key != kKey) {
            message.setDelayedReply(true);
            QDBusConnection::sessionBus().send(
                message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                                         QStringLiteral("Requested setting not found")));
            return {};
        }
        return QDBusVariant(QVariant::fromValue(m_scheme));
    }

Q_SIGNALS:
    void SettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    uint m_scheme;
};

// The FileChooser, beside Settings on the portal's object.
class FakeFileChooser : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.FileChooser")
    Q_PROPERTY(uint version READ version)

public:
    FakeFileChooser(QObject* parent, QStringList uris) : QDBusAbstractAdaptor(parent), m_uris(std::move(uris)) {}
    uint version() const { return 3; }

public Q_SLOTS:
    QDBusObjectPath OpenFile(const QString& window, const QString& title, const QVariantMap& options,
                             const QDBusMessage& message)
    {
        QStringList said{QStringLiteral("asked"), title};
        for (auto option = options.cbegin(); option != options.cend(); ++option)
            said.append(option.key() + u'=' + option.value().toString().remove(QChar(0)));
        std::puts(qPrintable(said.join(u' ')));
        std::fflush(stdout);
        const QString sender = message.service().mid(1).replace(u'.', u'_');
        const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                                 .arg(sender, options.value(QStringLiteral("handle_token")).toString());
        QDBusMessage response = QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.portal.Request"),
                                                           QStringLiteral("Response"));
        response << uint(m_uris.isEmpty() ? 1 : 0) << QVariantMap{{QStringLiteral("uris"), m_uris}};
        QDBusConnection::sessionBus().send(response);
        Q_UNUSED(window);
        return QDBusObjectPath(path);
    }

private:
    QStringList m_uris;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const uint scheme = argc > 1 ? QByteArray(argv[1]).toUInt() : 0;
    FakeSettings settings(scheme);
    const QStringList arguments = app.arguments();
    if (const qsizetype files = arguments.indexOf(QStringLiteral("--files")); files >= 0)
        new FakeFileChooser(&settings, arguments.mid(files + 1));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &settings,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                QDBusConnection::ExportAdaptors) ||
        !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
        std::fprintf(stderr, "varnel-fake-portal: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof(buffer));
        if (got <= 0) {
            QCoreApplication::quit();
            return;
        }
        pending.append(buffer, got);
        qsizetype end = 0;
        while ((end = pending.indexOf('\n')) >= 0) {
            settings.setScheme(pending.left(end).trimmed().toUInt());
            pending.remove(0, end + 1);
        }
    });
    return QCoreApplication::exec();
}

#include "fakeportal.moc"
