// SPDX-License-Identifier: GPL-3.0-or-later

#include "viewmodel/preferences.h"

#include <QSettings>

namespace varnel {

namespace {

// Relays writes to every Preferences object in the process.
class PreferencesHub : public QObject {
    Q_OBJECT
public:
    static PreferencesHub& instance()
    {
        static PreferencesHub hub;
        return hub;
    }
Q_SIGNALS:
    void written(const QString& key);
};

QSettings settings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Varnel"), QStringLiteral("Varnel"));
}

} // namespace

Preferences::Preferences(QObject* parent) : QObject(parent)
{
    connect(&PreferencesHub::instance(), &PreferencesHub::written, this, &Preferences::valueChanged);
}

QString Preferences::fileName()
{
    return settings().fileName();
}

std::optional<QByteArray> Preferences::data(const QString& key) const
{
    const QVariant value = settings().value(key);
    if (!value.isValid() || value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return value.toByteArray();
}

QString Preferences::string(const QString& key, const QString& fallback) const
{
    const QVariant value = settings().value(key);
    if (!value.isValid() || value.typeId() != QMetaType::QString)
        return fallback;
    return value.toString();
}

void Preferences::setData(const QString& key, const QByteArray& value)
{
    write(key, value);
}

void Preferences::setString(const QString& key, const QString& value)
{
    write(key, value);
}

void Preferences::write(const QString& key, const QVariant& value)
{
    QSettings store = settings();
    store.setValue(key, value);
    store.sync(); // QSettings saves through a temporary file and a rename
    Q_EMIT PreferencesHub::instance().written(key);
}

} // namespace varnel

#include "preferences.moc"
