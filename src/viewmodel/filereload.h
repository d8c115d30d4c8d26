// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "viewmodel/filewatch.h"
#include "viewmodel/preferences.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <optional>

namespace varnel {

class ComparisonViewModel;

// What a window does when its files change on disk. It watches both files of the
// comparison (FileWatch) and, while "Reload Automatically" is on (the preference
// "reloadAutomatically": anything but "false" is on, so it is on by default; every window
// follows whoever writes it), compares them again when one changes, keeping the result on
// screen and the focus near where it was (ComparisonViewModel::compareAgain); the notice
// says so while it runs. A file rewritten many times a second is compared at most twice a
// second, and the last write is always compared: a change during such a comparison never
// stops it, it is compared once that one is published. A side that is not on disk (text
// held in memory) is not watched and never counts as gone. Off, the notice says that the
// file changed and that F5 compares again.
//
// A file deleted or replaced by a folder leaves the last result on screen and is named in
// the notice, which then offers another file for that side; the file coming back is
// compared again. The notice is plain text, one line, and goes when dismissed, when other
// files are chosen, or when the next change replaces it.
class FileReload : public QObject {
    Q_OBJECT

public:
    // The shortest time between two comparisons started by changes.
    static constexpr int kMinimumIntervalMs = 500;
    // Another shortest time, from the next change on (tests use it to hold the comparisons
    // back, or to let the one waiting start now).
    void setMinimumInterval(int ms);

    explicit FileReload(ComparisonViewModel& model);

    bool isAutomatic() const { return m_automatic; }
    // Chooses it for every window and the next start.
    void setAutomatic(bool automatic);

    // F5: compares both files again, both read afresh, whatever the watch has seen.
    void compareAgain();
    // The window became active: files on network disks, or renamed over without a
    // notice, are seen now.
    void windowActivated();

    // The notice to show, or an empty string.
    const QString& notice() const { return m_notice; }
    // The side a notice of a deleted file (or one made a folder) offers to replace.
    std::optional<FileSide> replaceableSide() const { return m_replaceable; }
    void dismissNotice();

    FileWatch& watch() { return m_watch; }

Q_SIGNALS:
    void noticeChanged();
    void automaticChanged(bool automatic);

private:
    enum class SideEvent { none, changed, comparedAgain, deleted, folder };

    void filesChosen();
    void sideChanged(FileSide side);
    void schedule();
    void start();
    void comparedAgain();
    // No comparison runs any more: the changes that waited for it are compared next.
    void comparisonEnded();
    // Starts the trailing comparison once the shortest interval has passed since the last.
    void startTrailing();
    void setNotice(const QString& text, std::optional<FileSide> replaceable = std::nullopt);
    // The notice for what happened to each side.
    void updateNotice();
    SideEvent& sideEvent(FileSide side) { return side == FileSide::left ? m_events[0] : m_events[1]; }
    bool anySideAway() const;

    ComparisonViewModel& m_model;
    FileWatch m_watch;
    Preferences m_preferences;
    bool m_automatic = true;
    int m_interval = kMinimumIntervalMs;
    QTimer m_trailing; // the comparison that waits for the interval to pass
    QElapsedTimer m_sinceStart;
    // What happened to each side since the notice was last set or dismissed.
    std::array<SideEvent, 2> m_events{SideEvent::none, SideEvent::none};
    // The sides the running comparison was started for, and those changed since.
    std::array<bool, 2> m_comparing{false, false};
    std::array<bool, 2> m_waiting{false, false};
    QString m_notice;
    std::optional<FileSide> m_replaceable;
};

} // namespace varnel
