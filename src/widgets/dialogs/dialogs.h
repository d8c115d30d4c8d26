// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/error.h"

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <functional>
#include <optional>

class QWidget;

namespace varnel::dialogs {

// What an open dialog asks for: existing files (one, or several when `several` is set),
// never a folder, starting in `folder` when one is given.
struct OpenFileRequest {
    QString caption;
    QStringList nameFilters; // as QFileDialog takes them, e.g. "Text files (*.txt)"
    QUrl folder = {};
    bool several = false;
};

// The window's modal dialogs go through these functions. By default they show the
// desktop's own open dialog where it offers one (GTK, the desktop portal) and a message
// box; tests and tools replace them so that nothing ever waits for a person.
// Qt's own dialog (used where the desktop offers none) leaves no trace of the folders
// browsed (see DialogHistory).
using OpenFileHandler = std::function<QList<QUrl>(QWidget* parent, const OpenFileRequest& request)>;
using AlertHandler = std::function<void(QWidget* parent, const QString& title, const QString& text)>;

// The chosen file's URL, or nothing when the dialog was cancelled.
std::optional<QUrl> openFile(QWidget* parent, const OpenFileRequest& request);
// The chosen files, in the order the dialog gives them; none when it was cancelled.
QList<QUrl> openFiles(QWidget* parent, const OpenFileRequest& request);
// Cancels the open dialogs shown over `window` (the comparison they were opened for has
// been replaced from outside).
void cancelOpenDialogs(const QWidget* window);
// Qt's own open dialog, the default where no handler is set.
QList<QUrl> qtOpenFiles(QWidget* parent, const OpenFileRequest& request);

// An open dialog running over `parent` for the life of the object, which
// cancelOpenDialogs ends with `cancel`.
class OpenDialogScope {
public:
    OpenDialogScope(QWidget* parent, std::function<void()> cancel);
    ~OpenDialogScope();
    OpenDialogScope(const OpenDialogScope&) = delete;
    OpenDialogScope& operator=(const OpenDialogScope&) = delete;
};
// A modal alert with one OK button.
void alert(QWidget* parent, const QString& title, const QString& text);

// Qt's own file dialogs write the folders they visited to the group "FileDialog" of
// QtProject.conf in the user's configuration folder as they close, and no option turns
// that off. Taken before such a dialog opens and restored once it has gone, this removes
// the file again when it was not there before, and otherwise (another Qt program keeps
// its dialogs' history there) puts the group back as it was.
class DialogHistory {
public:
    DialogHistory();
    void restore() const;

private:
    QString m_file;
    bool m_existed = false;
    QVariantMap m_group;
};

// Replace the dialogs; an empty handler restores the default. Each returns the handler it
// replaced.
OpenFileHandler setOpenFileHandler(OpenFileHandler handler);
AlertHandler setAlertHandler(AlertHandler handler);

// Where a refused file came from: a drop zone asks for a file to be dropped, the
// comparison screen for one to be chosen.
enum class UnsupportedFileContext { drop, choose };

// The alert for a file refused on its way in (FileTypeDetector::inspect says why): titled
// "Unsupported File Type" for a binary file, with what to drop (or choose) instead, "Folder
// Not Supported" for a folder, "Cannot Open File" for one that cannot be read.
QString refusedFileTitle(const Error& reason);
QString refusedFileMessage(const Error& reason, UnsupportedFileContext context);
void showRefusedFile(QWidget* parent, const Error& reason, UnsupportedFileContext context);

// The alert for a paste that was refused: "Nothing to Paste" when the clipboard holds no
// text (it says what it holds instead), "Text Too Large" over the memory budget, and a
// refused file's alert for pasted files.
void showRefusedPaste(QWidget* parent, const Error& reason);

} // namespace varnel::dialogs
