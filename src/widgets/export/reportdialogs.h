// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

class QAction;
class QFileDialog;
class QMenu;
class QPoint;
class QPrinter;
class QProgressDialog;
class QWidget;

namespace varnel::dialogs {

// What the report commands ask of the desktop: the save and print dialogs, the share
// menu, other programs and the file manager. Like the open dialog and the alert, each goes
// through a function that tests and tools replace, so that nothing ever waits for a
// person or starts a real program.

// The file chosen in "Export as PDF" and the state of its "Include unchanged lines" box.
struct ReportFileChoice {
    QString path;
    bool includeUnchanged = true;
};

using SaveReportHandler = std::function<std::optional<ReportFileChoice>(QWidget* parent, const QString& defaultName)>;
// Configures `printer` for a report of `pageCount` pages; false when cancelled.
using PrintHandler = std::function<bool(QWidget* parent, QPrinter& printer, int pageCount)>;
// Shows `menu` at a global position and gives the chosen action, or null.
using MenuHandler = std::function<QAction*(QMenu& menu, const QPoint& globalPosition)>;
// Starts a program on its own; false when it could not be started.
using LaunchHandler = std::function<bool(const QString& program, const QStringList& arguments)>;
using OpenUrlHandler = std::function<bool(const QUrl& url)>;
// Runs a program to its end and gives what it printed, trimmed; empty when it could not run.
using QueryHandler = std::function<QString(const QString& program, const QStringList& arguments)>;
// Shows a file selected in the file manager; false when there is none.
using ShowInFolderHandler = std::function<bool(const QString& path)>;
// Sees each progress dialog of a long report as it is made, before the drawing starts.
using ProgressHandler = std::function<void(QProgressDialog& dialog)>;

// The save dialog titled "Export as PDF", accept button "Export", PDF documents only, the
// name field holding `defaultName`, and the check box "Include unchanged lines" (on)
// under it. Qt's own dialog, since the desktop's cannot take the check box. Asks before
// replacing a file.
QFileDialog* makeSaveReportDialog(QWidget* parent, const QString& defaultName);

std::optional<ReportFileChoice> chooseReportFile(QWidget* parent, const QString& defaultName);
bool choosePrinter(QWidget* parent, QPrinter& printer, int pageCount);
QAction* runMenu(QMenu& menu, const QPoint& globalPosition);
bool launchProgram(const QString& program, const QStringList& arguments);
bool openUrl(const QUrl& url);
// A question to the desktop's tools, such as `xdg-mime query default application/pdf`.
QString queryProgram(const QString& program, const QStringList& arguments);
// org.freedesktop.FileManager1.ShowItems on the session bus, else the folder opened by
// the program that opens folders; false when neither is there.
bool showInFolder(const QString& path);
void progressStarted(QProgressDialog& dialog);

// Each returns the handler it replaced; an empty one restores the default.
SaveReportHandler setSaveReportHandler(SaveReportHandler handler);
PrintHandler setPrintHandler(PrintHandler handler);
MenuHandler setMenuHandler(MenuHandler handler);
LaunchHandler setLaunchHandler(LaunchHandler handler);
OpenUrlHandler setOpenUrlHandler(OpenUrlHandler handler);
QueryHandler setQueryHandler(QueryHandler handler);
ShowInFolderHandler setShowInFolderHandler(ShowInFolderHandler handler);
ProgressHandler setProgressHandler(ProgressHandler handler);

} // namespace varnel::dialogs
