// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/error.h"
#include "viewmodel/reportrequest.h"

#include <QString>
#include <QStringList>

class QMimeData;
class QPrinter;
class QWidget;

namespace varnel {

// The report commands of a window: "Export as PDF…", "Print…" and "Share…". Each takes
// a ReportRequest (the window's active result, the two file names and paths); the share
// button and the menu commands call them. They run on the main thread and return when
// their dialogs close. A report never replaces one of the request's inputs.
class ExportPresenter {
public:
    // Asks for a file in the "Export as PDF" dialog and writes the report there, with or
    // without the unchanged lines as its check box says. The file is replaced only once
    // the new one is complete; a failure shows an alert naming the file and the reason,
    // and success shows nothing. A long report can be cancelled while it is drawn, and
    // then nothing is written.
    static void exportPdf(const ReportRequest& request, QWidget* parent);

    // Prints the whole report (unchanged lines and placeholders included) through the
    // print dialog: one US Letter sheet a page, full page, never scaled, the pages chosen
    // in the dialog. Cancelling the dialog leaves no trace. A print to a file is written as
    // Export writes: never over a compared file or a device, the file replaced only by a
    // whole document, and a failure shown in an alert naming the file and the reason.
    static void print(const ReportRequest& request, QWidget* parent);

    // Writes the whole report to a private folder (shareFolder()) under its default name
    // and offers it in a menu under `anchor`: "Email…" (with xdg-email), "Open in PDF
    // Viewer", "Copy File" and "Show in Folder". When the file could not be written the
    // menu says why and offers nothing else. The menu opens under `anchor` when it is a
    // button, else at its top left corner, and at the pointer without an anchor.
    static void share(const ReportRequest& request, QWidget* anchor);

    // The parts of the commands, for tests and tools.

    // "LEFT vs RIGHT.pdf", the names keeping their extensions; shortened in the middle
    // when longer than a file name may be.
    static QString defaultFileName(const QString& leftName, const QString& rightName);

    // $XDG_RUNTIME_DIR/varnel, or "varnel" in the user's cache folder when that is unset.
    static QString shareFolder();

    // The whole report written to shareFolder() (made private to the user first), or why
    // it could not be. Sharing the same pair again replaces the same file.
    static Expected<QString> writeShareFile(const ReportRequest& request, QWidget* parent = nullptr);

    // Sets up a printer for the report: US Letter, portrait, full page without margins,
    // and the document named after the two files.
    static void preparePrinter(QPrinter& printer, const QString& leftName, const QString& rightName);

    enum class PrintOutcome { printed, cancelled, failed };
    // Draws the whole report on a printer already set up (by the print dialog): the pages
    // of its page range, or all. What Print does once its dialog is accepted. A printer
    // with an output file draws into memory, and the document goes to that file through
    // ReportFile::write; a long one can then be cancelled, which leaves the file as it was.
    // When it fails, `failure` (if given) says why, naming the printer or the file.
    static PrintOutcome printTo(QPrinter& printer, const ReportRequest& request, QWidget* parent = nullptr,
                                QString* failure = nullptr);

    // The file for the clipboard: a URI list, the form GNOME's and other file managers
    // paste, and the path as text.
    static QMimeData* fileMimeData(const QString& path);
};

} // namespace varnel
