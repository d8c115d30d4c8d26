// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/error.h"
#include "viewmodel/comparisonviewmodel.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <optional>
#include <utility>

namespace varnel {

// Files the desktop, the command line or a second varnel asks a window to open. Each
// fills the left side when that is empty, else the right side when that is empty, else
// starts over with the file on the left. Several files at once are meant as one
// comparison (`varnel a b` compares a with b), so with a file already chosen they start
// over first. Anything but a local file is ignored, and a file FileTypeDetector::inspect
// refuses (a folder, a binary file) is refused before the others are opened: it neither
// ends the comparison in view nor takes a side.
//
// Returns why the first refused file was refused, for the alert; nothing when every file
// was taken.
std::optional<Error> openFiles(ComparisonViewModel& model, const QList<QUrl>& urls);

// Files dropped or picked together in a window. One file goes to `side`, or without one
// to the first empty side, else the right side; two fill both sides in the order given,
// as a new comparison. Nothing changes when more than two come, or when any of them is
// refused: the answer says why (the first refused file's reason).
enum class FilesFrom { drop, dialog, paste };
std::optional<Error> placeFiles(ComparisonViewModel& model, const QList<QUrl>& urls, FilesFrom from,
                                std::optional<FileSide> side = std::nullopt);

// The side one picked file without a side of its own goes to: the first empty one, else
// the right one.
FileSide sideForOneFile(const ComparisonViewModel& model);

// Where a file dialog for `side` starts: in the folder of the file it replaces, else of
// the other side's file; empty (the dialog's own choice) while neither is chosen.
QUrl dialogFolder(const ComparisonViewModel& model, FileSide side);

// The two files a window holds, to tell whether they changed while a dialog was open: a
// file picked in a dialog that outlived its comparison is dropped, never paired with the
// files that came meanwhile.
class ChosenFiles {
public:
    explicit ChosenFiles(const ComparisonViewModel& model);
    bool changedIn(const ComparisonViewModel& model) const { return ChosenFiles(model).m_files != m_files; }

private:
    std::pair<QUrl, QUrl> m_files;
};

// Open requests from another process are handled from the application's own event loop
// only. A modal alert runs an event loop of its own; a request handled inside it could
// open another alert there, and that one another, until the stack runs out. So while a
// nested loop runs (loop level above `baseLevel`: an alert, a dialog, a menu), requests
// wait here in order, and once it has returned they are handled one after the other, so
// that their refusals make one alert.
class OpenRequestQueue {
public:
    using Handler = std::function<void(const QStringList& paths)>;
    // How often waiting requests check whether the nested loop has returned.
    static constexpr int kCheckMs = 50;

    explicit OpenRequestQueue(Handler handler, int baseLevel = 1);

    // Handles the request now, or once the nested loop running now has returned.
    void submit(const QStringList& paths);
    qsizetype waiting() const { return m_waiting.size(); }

private:
    bool nested() const;
    void handleWaiting();

    Handler m_handler;
    int m_baseLevel;
    QList<QStringList> m_waiting;
    QTimer m_check;
};

} // namespace varnel
