// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/error.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

class QWidget;

namespace varnel::dialogs {

// What an open dialog asks for: one existing file, never a folder.
struct OpenFileRequest {
    QString caption;
    QStringList nameFilters; // as QFileDialog takes them, e.g. "Text files (*.txt)"
};

// The window's modal dialogs go through these functions. By default they show the
// desktop's own open dialog where it offers one (GTK, the desktop portal) and a message
// box; tests and tools replace them so that nothing ever waits for a person.
using OpenFileHandler = std::function<std::optional<QUrl>(QWidget* parent, const OpenFileRequest& request)>;
using AlertHandler = std::function<void(QWidget* parent, const QString& title, const QString& text)>;

// The chosen file's URL, or nothing when the dialog was cancelled.
std::optional<QUrl> openFile(QWidget* parent, const OpenFileRequest& request);
// A modal alert with one OK button.
void alert(QWidget* parent, const QString& title, const QString& text);

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

} // namespace varnel::dialogs
