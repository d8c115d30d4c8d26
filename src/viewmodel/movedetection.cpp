// SPDX-License-Identifier: GPL-3.0-or-later

#include "viewmodel/movedetection.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

namespace varnel {

MoveDetection::MoveDetection(QObject* parent) : QObject(parent)
{
    m_enabled = m_preferences.string(Preferences::kDetectMovedLines, QString()) != u"false";
    connect(&m_preferences, &Preferences::valueChanged, this, &MoveDetection::preferenceChanged);
}

MoveDetection::~MoveDetection()
{
    stopFinding();
}

const MovedBlocks& MoveDetection::moves() const
{
    static const MovedBlocks none;
    return m_enabled && m_found ? *m_found : none;
}

void MoveDetection::setEnabled(bool enabled)
{
    m_preferences.setString(Preferences::kDetectMovedLines, enabled ? QStringLiteral("true") : QStringLiteral("false"));
    apply(enabled);
}

void MoveDetection::preferenceChanged(const QString& key)
{
    if (key == Preferences::kDetectMovedLines)
        apply(m_preferences.string(Preferences::kDetectMovedLines, QString()) != u"false");
}

void MoveDetection::apply(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    Q_EMIT enabledChanged(enabled);
    if (!enabled)
        stopFinding();
    findIfWanted();
    if (m_found)
        Q_EMIT movesChanged();
}

void MoveDetection::setResult(quint64 job, std::optional<DiffResult> full, std::optional<MovedBlocks> found)
{
    stopFinding();
    const bool shown = !moves().isEmpty();
    m_job = job;
    m_full = std::move(full);
    m_found = m_full ? std::move(found) : std::nullopt;
    if (shown || !moves().isEmpty())
        Q_EMIT movesChanged();
    findIfWanted();
}

void MoveDetection::stopFinding()
{
    if (m_cancel)
        m_cancel->store(true);
    m_cancel.reset();
}

void MoveDetection::findIfWanted()
{
    if (!m_enabled || !m_full || m_found || m_cancel)
        return;
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    m_cancel = cancel;
    auto* watcher = new QFutureWatcher<MovedBlocks>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, cancel, job = m_job] {
        watcher->deleteLater();
        // A newer result, or detection turned off, raised the flag: drop what was found.
        if (cancel->load() || job != m_job || m_cancel != cancel)
            return;
        m_cancel.reset();
        m_found = watcher->result();
        Q_EMIT movesChanged();
    });
    watcher->setFuture(QtConcurrent::run([full = *m_full, cancel] {
        return MovedBlocks::find(full, [cancel] { return cancel->load(std::memory_order_relaxed); });
    }));
}

} // namespace varnel
