// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/appearancecontroller.h"

#include "app/portal.h"
#include "widgets/style/appearance.h"

#include <QApplication>
#include <QDBusMessage>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QToolTip>

namespace varnel {

namespace {

const QString kSettingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kAppearanceGroup = QStringLiteral("org.freedesktop.appearance");
const QString kColorSchemeKey = QStringLiteral("color-scheme");
// The portal answers at once when it runs; a desktop without one answers with an error
// at once too. The limit is for a bus that hangs.
constexpr int kPortalTimeoutMs = 1000;

// color-scheme as the portal gives it (Read wraps the value in one more variant than
// SettingChanged does): 1 prefers dark, 2 prefers light, 0 and anything else no
// preference.
std::optional<bool> prefersDark(QVariant value)
{
    while (value.userType() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    bool ok = false;
    const uint scheme = value.toUInt(&ok);
    if (!ok)
        return std::nullopt;
    if (scheme == 1)
        return true;
    if (scheme == 2)
        return false;
    return std::nullopt;
}

// Fusion, but with the rims of check boxes and radio buttons visible on a dark window:
// Fusion draws them a shade darker than the window, which is lost on a dark one. There
// they are drawn a shade darker than a mid grey instead.
class VarnelStyle : public QProxyStyle {
public:
    VarnelStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        const bool indicator = element == PE_IndicatorRadioButton || element == PE_IndicatorCheckBox;
        if (indicator && option && option->palette.color(QPalette::Window).lightnessF() < 0.5) {
            const QColor rimBase = option->palette.color(QPalette::Text).darker(150);
            if (const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option)) {
                QStyleOptionButton copy(*button);
                copy.palette.setColor(QPalette::Window, rimBase);
                QProxyStyle::drawPrimitive(element, &copy, painter, widget);
            } else {
                QStyleOption copy(*option);
                copy.palette.setColor(QPalette::Window, rimBase);
                QProxyStyle::drawPrimitive(element, &copy, painter, widget);
            }
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
};

// Whether the platform's own palette is dark: read once, before any controller puts
// Varnel's palette in its place.
bool platformIsDark()
{
    static const bool dark = QGuiApplication::palette().color(QPalette::Window).lightnessF() < 0.5;
    return dark;
}

} // namespace

QString rawValue(AppearanceMode mode)
{
    switch (mode) {
    case AppearanceMode::light: return QStringLiteral("light");
    case AppearanceMode::dark: return QStringLiteral("dark");
    case AppearanceMode::system: break;
    }
    return QStringLiteral("system");
}

AppearanceMode appearanceModeFromRawValue(const QString& raw)
{
    if (raw == u"light")
        return AppearanceMode::light;
    if (raw == u"dark")
        return AppearanceMode::dark;
    return AppearanceMode::system;
}

QString label(AppearanceMode mode)
{
    switch (mode) {
    case AppearanceMode::light: return QStringLiteral("Light");
    case AppearanceMode::dark: return QStringLiteral("Dark");
    case AppearanceMode::system: break;
    }
    return QStringLiteral("System");
}

AppearanceController::AppearanceController(QObject* parent)
    : AppearanceController(QDBusConnection::sessionBus(), parent)
{
}

AppearanceController::AppearanceController(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
    , m_platformDark(platformIsDark())
{
    if (m_bus.isConnected()) {
        // The bus finds the slot by its parameters' type names, which must be known first.
        qRegisterMetaType<QDBusVariant>();
        m_bus.connect(portal::service, portal::path, kSettingsInterface, QStringLiteral("SettingChanged"), this,
                      SLOT(onSettingChanged(QString, QString, QDBusVariant)));
        readPortal();
    }
    connect(&m_preferences, &Preferences::valueChanged, this, [this](const QString& key) {
        if (key == Preferences::kAppearanceMode)
            apply();
    });
    apply();
}

AppearanceMode AppearanceController::mode() const
{
    return appearanceModeFromRawValue(m_preferences.string(Preferences::kAppearanceMode, QString()));
}

bool AppearanceController::isDark() const
{
    switch (mode()) {
    case AppearanceMode::light: return false;
    case AppearanceMode::dark: return true;
    case AppearanceMode::system: break;
    }
    return m_desktopDark.value_or(m_platformDark);
}

void AppearanceController::readPortal()
{
    QDBusMessage read =
        QDBusMessage::createMethodCall(portal::service, portal::path, kSettingsInterface, QStringLiteral("Read"));
    read << kAppearanceGroup << kColorSchemeKey;
    const QDBusMessage reply = m_bus.call(read, QDBus::Block, kPortalTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
        m_desktopDark = prefersDark(reply.arguments().constFirst());
}

void AppearanceController::onSettingChanged(const QString& group, const QString& key, const QDBusVariant& value)
{
    if (group != kAppearanceGroup || key != kColorSchemeKey)
        return;
    m_desktopDark = prefersDark(value.variant());
    apply();
}

void AppearanceController::apply()
{
    const bool dark = isDark();
    if (!dynamic_cast<VarnelStyle*>(QApplication::style()))
        QApplication::setStyle(new VarnelStyle());
    const QPalette palette = Palette::forDark(dark).widgetPalette();
    QApplication::setPalette(palette);
    QToolTip::setPalette(palette);
    Appearance::instance().setDark(dark);
    Q_EMIT applied();
}

} // namespace varnel
