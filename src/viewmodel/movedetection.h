// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "reading/movedblocks.h"
#include "viewmodel/preferences.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <optional>

namespace varnel {

// Whether a window looks for moved blocks ("detectMovedLines": on unless it says "false";
// one preference for every window and the next start), and the moved blocks of the
// window's published result. The comparison's own job finds them before it publishes, so
// a result and its moves arrive together; turning detection on for a result that has none
// finds them on a worker thread, turning it off only hides them.
class MoveDetection : public QObject {
    Q_OBJECT

public:
    explicit MoveDetection(QObject* parent = nullptr);
    // A search still running is told to stop: its result would go nowhere.
    ~MoveDetection() override;

    bool isEnabled() const { return m_enabled; }
    // Shows or hides the moves and remembers the choice for every window.
    void setEnabled(bool enabled);

    // The moves shown: none while detection is off or until they are known.
    const MovedBlocks& moves() const;
    // Whether the moves of the current result are being found on a worker thread.
    bool isFinding() const { return m_cancel != nullptr; }

    // For the view model: a new result of job `job` (none: no result), with its moves
    // when its job found them.
    void setResult(quint64 job, std::optional<DiffResult> full, std::optional<MovedBlocks> found);

Q_SIGNALS:
    void enabledChanged(bool enabled);
    // The moves shown changed (found, hidden, or a new result).
    void movesChanged();

private:
    void preferenceChanged(const QString& key);
    void apply(bool enabled);
    // Finds the current result's moves on a worker thread when they are wanted and unknown.
    void findIfWanted();
    void stopFinding();

    Preferences m_preferences;
    bool m_enabled = true;
    quint64 m_job = 0;
    std::optional<DiffResult> m_full;
    std::optional<MovedBlocks> m_found;
    std::shared_ptr<std::atomic<bool>> m_cancel; // the running search's stop flag
};

} // namespace varnel
