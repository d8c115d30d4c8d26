// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace varnel {

// A program to start, with its arguments.
struct ProgramStart {
    QString program;
    QStringList arguments;
};

// How "Open in PDF Viewer" opens a report: never with Varnel, which the desktop may name
// as the PDF handler (a user's choice, or an older install's claim), and which would
// replace the comparison on screen with its own report.
struct PdfViewerChoice {
    enum class Way { desktopDefault, program, none };
    Way way = Way::none;
    ProgramStart start; // for `program`: the next PDF handler installed, started directly
};

// `xdg-mime query default application/pdf` (through dialogs::queryProgram): when that
// names a program other than Varnel, the desktop's default opens the file; otherwise the
// first other desktop entry registered for PDFs in the applications folders
// ($XDG_DATA_HOME, $XDG_DATA_DIRS), or none.
PdfViewerChoice choosePdfViewer(const QString& file);

// The desktop ids registered for `mimeType` in a mimeinfo.cache or the "Added
// Associations" of a mimeapps.list, in their order.
QStringList handlersIn(const QString& listText, const QString& mimeType);

// A desktop entry's Exec line made into a program start for `file`: %f, %F, %u and %U
// become the file (a URL for the last two), other field codes are dropped, and the file is
// put last when the line names none. Nothing for an empty line.
std::optional<ProgramStart> expandExec(const QString& exec, const QString& file);

} // namespace varnel
