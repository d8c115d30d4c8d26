// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/export/exportpresenter.h"

#include "core/nativepath.h"
#include "core/privatefolder.h"
#include "report/exportservice.h"
#include "report/reportfile.h"
#include "widgets/dialogs/dialogs.h"
#include "widgets/export/pdfviewer.h"
#include "widgets/export/printbuffer.h"
#include "widgets/export/reportdialogs.h"
#include "widgets/export/reportjob.h"
#include "widgets/style/appearance.h"
#include "widgets/style/buttons.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPageLayout>
#include <QPageRanges>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QStandardPaths>

#include <algorithm>
#include <cstring>
#include <new>

namespace varnel {

namespace {

const QString& pdfSuffix()
{
    static const QString suffix = QStringLiteral(".pdf");
    return suffix;
}

QString outOfMemoryMessage()
{
    return QStringLiteral("There is not enough memory to draw the report.");
}

// What the report's header says the comparison ignored; empty when nothing was.
QString ignoredNote(const ReportRequest& request)
{
    return ExportService::ignoredNote(request.options, request.result.ignoredCount());
}

// The report as PDF bytes, drawn with progress for a long one; nothing when cancelled.
Expected<std::optional<QByteArray>> renderWithProgress(const QList<ExportService::SideBySideRow>& rows,
                                                       const ReportRequest& request, const QString& title,
                                                       QWidget* parent)
{
    std::optional<QByteArray> bytes;
    bool outOfMemory = false;
    const ReportJob::Outcome outcome = ReportJob::run(
        parent, title, ExportService::pageCount(rows.size()), true, [&](ExportService::Progress& progress) {
            try {
                bytes =
                    ExportService::render(rows, request.leftName, request.rightName, &progress, ignoredNote(request));
            } catch (const std::bad_alloc&) {
                outOfMemory = true;
            }
            return bytes.has_value();
        });
    if (outcome == ReportJob::Outcome::cancelled)
        return std::optional<QByteArray>();
    if (outOfMemory)
        return Error{Error::Kind::outOfMemory, outOfMemoryMessage()};
    if (outcome == ReportJob::Outcome::failed)
        return Error{Error::Kind::other, QStringLiteral("The report could not be drawn.")};
    return bytes;
}

// Where a menu for `anchor` opens: under a button, else at the widget's top.
QPoint menuPosition(QWidget* anchor)
{
    if (anchor == nullptr)
        return QCursor::pos();
    if (qobject_cast<QAbstractButton*>(anchor) == nullptr)
        return anchor->mapToGlobal(QPoint(0, 0));
    return anchor->mapToGlobal(QPoint(0, anchor->height()));
}

// Why the report cannot be offered, for a menu item: the file by its name (the folder is
// always the same), shortened in the middle when still too long.
QString menuText(const QMenu& menu, const QString& message, const QString& path)
{
    QString text = message;
    text.replace(QStringLiteral("\"%1\"").arg(displayPath(path)), QStringLiteral("\"%1\"").arg(displayName(path)));
    return menu.fontMetrics().elidedText(text, Qt::ElideMiddle, 560);
}

using PrintOutcome = ExportPresenter::PrintOutcome;

// The pages chosen in the print dialog, in the order the printer wants them.
QList<int> pagesToPrint(const QPrinter& printer, int total)
{
    QList<int> pages;
    const QPageRanges ranges = printer.pageRanges();
    for (int page = 1; page <= total; ++page) {
        if (ranges.isEmpty() || ranges.contains(page))
            pages.append(page);
    }
    if (printer.pageOrder() == QPrinter::LastPageFirst)
        std::reverse(pages.begin(), pages.end());
    return pages;
}

// Draws the pages on the printer. A print job is handed to the print system as one
// document when the drawing ends, and Qt offers no way to take it back unsent, so only a
// drawing into a file (`cancellable`) can be stopped half way.
PrintOutcome printPages(QPrinter& printer, const QList<ExportService::SideBySideRow>& rows, const QList<int>& pages,
                        const ReportRequest& request, QWidget* parent, bool cancellable = false)
{
    const auto draw = [&](ExportService::Progress& progress) {
        QPainter painter;
        if (!painter.begin(&printer))
            return false;
        bool drawn = false;
        try {
            drawn = ExportService::drawReport(painter, printer, rows, request.leftName, request.rightName, pages,
                                              &progress, ignoredNote(request));
        } catch (const std::bad_alloc&) {
            drawn = false;
        }
        return painter.end() && drawn;
    };
    switch (ReportJob::run(parent, QStringLiteral("Print"), int(pages.size()), cancellable, draw)) {
    case ReportJob::Outcome::finished: return PrintOutcome::printed;
    case ReportJob::Outcome::cancelled: return PrintOutcome::cancelled;
    case ReportJob::Outcome::failed: break;
    }
    return PrintOutcome::failed;
}

// A print to a file: drawn into memory, then written by the same atomic writer as Export,
// so the file named is replaced only by a whole document and a cancelled or failed print
// leaves it as it was. On failure `why` names the file and the reason.
PrintOutcome printToFile(QPrinter& printer, const QList<ExportService::SideBySideRow>& rows, const QList<int>& pages,
                         const ReportRequest& request, QWidget* parent, QString& why)
{
    const QString target = printer.outputFileName();
    const auto failedBecause = [&](int error) {
        why = ReportFile::writeFailed(target, QString::fromLocal8Bit(std::strerror(error))).message;
        return PrintOutcome::failed;
    };
    PrintBuffer buffer;
    if (buffer.error() != 0)
        return failedBecause(buffer.error());
    printer.setOutputFileName(buffer.path());
    const PrintOutcome drawn = printPages(printer, rows, pages, request, parent, true);
    printer.setOutputFileName(target);
    if (drawn != PrintOutcome::printed)
        return drawn;
    try {
        int error = 0;
        const std::optional<QByteArray> bytes = buffer.contents(&error);
        if (!bytes)
            return failedBecause(error);
        if (!PrintBuffer::isComplete(*bytes))
            return PrintOutcome::failed;
        if (std::optional<Error> failure =
                ReportFile::write(target, *bytes, request.inputs, ReportFile::NotRegular::refuse)) {
            why = failure->message;
            return PrintOutcome::failed;
        }
    } catch (const std::bad_alloc&) {
        why = ReportFile::writeFailed(target, outOfMemoryMessage()).message;
        return PrintOutcome::failed;
    }
    return PrintOutcome::printed;
}

} // namespace

QString ExportPresenter::defaultFileName(const QString& leftName, const QString& rightName)
{
    return ReportFile::defaultName(leftName, rightName);
}

QString ExportPresenter::shareFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isAbsolute() && QFileInfo(runtime).isDir())
        return runtime + QStringLiteral("/varnel");
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/varnel");
}

void ExportPresenter::exportPdf(const ReportRequest& request, QWidget* parent)
{
    if (ReportJob::isRunning())
        return;
    const std::optional<dialogs::ReportFileChoice> choice =
        dialogs::chooseReportFile(parent, defaultFileName(request.leftName, request.rightName));
    if (!choice)
        return;
    const QString title = QStringLiteral("Export as PDF");
    std::optional<Error> failure;
    try {
        const QList<ExportService::SideBySideRow> rows =
            ExportService::makeSideBySideRows(request.result.lines(), choice->includeUnchanged, request.moves);
        const QPointer<QWidget> window = parent;
        const Expected<std::optional<QByteArray>> bytes = renderWithProgress(rows, request, title, parent);
        if (parent != nullptr && window.isNull())
            return; // the window closed while the report was drawn
        if (!bytes.ok())
            failure = ReportFile::writeFailed(choice->path, bytes.error().message);
        else if (!bytes.value())
            return; // cancelled: nothing is written
        else
            failure = ReportFile::write(choice->path, *bytes.value(), request.inputs, ReportFile::NotRegular::refuse);
    } catch (const std::bad_alloc&) {
        failure = ReportFile::writeFailed(choice->path, outOfMemoryMessage());
    }
    if (failure)
        dialogs::alert(parent, QStringLiteral("Export Failed"), failure->message);
}

void ExportPresenter::preparePrinter(QPrinter& printer, const QString& leftName, const QString& rightName)
{
    printer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Point));
    printer.setFullPage(true);
    QString name = defaultFileName(leftName, rightName);
    name.chop(pdfSuffix().size());
    printer.setDocName(name);
    printer.setCreator(QApplication::applicationName());
}

void ExportPresenter::print(const ReportRequest& request, QWidget* parent)
{
    if (ReportJob::isRunning())
        return;
    QPrinter printer(QPrinter::HighResolution);
    preparePrinter(printer, request.leftName, request.rightName);
    // With the unchanged lines every line of the result is one row of the report.
    const int pages = ExportService::pageCount(request.result.lines().size());
    if (!dialogs::choosePrinter(parent, printer, pages))
        return;
    const QPointer<QWidget> window = parent;
    QString failure;
    const PrintOutcome outcome = printTo(printer, request, parent, &failure);
    if (parent != nullptr && window.isNull())
        return;
    if (outcome == PrintOutcome::failed)
        dialogs::alert(parent, QStringLiteral("Print Failed"), failure);
}

ExportPresenter::PrintOutcome ExportPresenter::printTo(QPrinter& printer, const ReportRequest& request, QWidget* parent,
                                                       QString* failure)
{
    QString ignored;
    QString& why = failure != nullptr ? *failure : ignored;
    const QString target = printer.outputFileName();
    why = target.isEmpty() ? QStringLiteral("The report could not be printed on \"%1\".").arg(printer.printerName())
                           : QStringLiteral("The report could not be printed to \"%1\".").arg(displayPath(target));
    if (!target.isEmpty()) {
        // Refused before anything is drawn, as Export refuses: never over a compared file
        // (through any link), never into a device, FIFO or open descriptor.
        const ReportFile::Target kind = ReportFile::inspect(target, request.inputs);
        if (kind != ReportFile::Target::absent && kind != ReportFile::Target::regularFile) {
            why = (kind == ReportFile::Target::input ? ReportFile::inputRefused(target)
                                                     : ReportFile::notRegularRefused(target))
                      .message;
            return PrintOutcome::failed;
        }
    }
    QList<ExportService::SideBySideRow> rows;
    try {
        rows = ExportService::makeSideBySideRows(request.result.lines(), true, request.moves);
    } catch (const std::bad_alloc&) {
        return PrintOutcome::failed;
    }
    const QList<int> pages = pagesToPrint(printer, ExportService::pageCount(rows.size()));
    if (pages.isEmpty())
        return PrintOutcome::printed; // a range past the last page: nothing to print
    if (target.isEmpty())
        return printPages(printer, rows, pages, request, parent);
    return printToFile(printer, rows, pages, request, parent, why);
}

Expected<QString> ExportPresenter::writeShareFile(const ReportRequest& request, QWidget* parent)
{
    const QString folder = shareFolder();
    if (std::optional<Error> error = makePrivateFolder(folder))
        return *error;
    const QString path = folder + u'/' + defaultFileName(request.leftName, request.rightName);
    try {
        const QList<ExportService::SideBySideRow> rows =
            ExportService::makeSideBySideRows(request.result.lines(), true, request.moves);
        const Expected<std::optional<QByteArray>> bytes =
            renderWithProgress(rows, request, QStringLiteral("Share"), parent);
        if (!bytes.ok())
            return ReportFile::writeFailed(path, bytes.error().message);
        if (!bytes.value())
            return Error{Error::Kind::cancelled, QStringLiteral("The report was cancelled.")};
        if (std::optional<Error> error =
                ReportFile::write(path, *bytes.value(), request.inputs, ReportFile::NotRegular::refuse))
            return *error;
    } catch (const std::bad_alloc&) {
        return ReportFile::writeFailed(path, outOfMemoryMessage());
    }
    return path;
}

QMimeData* ExportPresenter::fileMimeData(const QString& path)
{
    auto* data = new QMimeData;
    const QUrl url = fileUrl(path);
    data->setUrls({url});
    data->setData(QStringLiteral("x-special/gnome-copied-files"), "copy\n" + url.toEncoded());
    data->setText(displayPath(path));
    return data;
}

namespace {

// xdg-email starts the program that handles mailto links, and when there is none it fails
// after we have let it go: so the handler is asked for first.
void emailReport(const QString& program, const QString& path, QWidget* anchor)
{
    const QString handler =
        dialogs::queryProgram(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                                           QStringLiteral("x-scheme-handler/mailto")});
    if (handler.isEmpty()) {
        dialogs::alert(anchor, QStringLiteral("Share"),
                       QStringLiteral("No email program is set up to send the report \"%1\".").arg(displayPath(path)));
        return;
    }
    if (!dialogs::launchProgram(program, {QStringLiteral("--attach"), path}))
        dialogs::alert(anchor, QStringLiteral("Share"),
                       QStringLiteral("Your email program could not be started (xdg-email)."));
}

void openInPdfViewer(const QString& path, QWidget* anchor)
{
    const PdfViewerChoice viewer = choosePdfViewer(path);
    bool started = false;
    switch (viewer.way) {
    case PdfViewerChoice::Way::desktopDefault: started = dialogs::openUrl(fileUrl(path)); break;
    case PdfViewerChoice::Way::program:
        started = dialogs::launchProgram(viewer.start.program, viewer.start.arguments);
        break;
    case PdfViewerChoice::Way::none:
        dialogs::alert(anchor, QStringLiteral("Share"),
                       QStringLiteral("No PDF viewer is installed to open the report \"%1\".").arg(displayPath(path)));
        return;
    }
    if (!started)
        dialogs::alert(anchor, QStringLiteral("Share"),
                       QStringLiteral("No program could open the report \"%1\".").arg(displayPath(path)));
}

} // namespace

void ExportPresenter::share(const ReportRequest& request, QWidget* anchor)
{
    if (ReportJob::isRunning())
        return;
    const QPointer<QWidget> window = anchor;
    const Expected<QString> file = writeShareFile(request, anchor);
    if (anchor != nullptr && window.isNull())
        return; // the window closed while the report was drawn
    if (!file.ok() && file.error().kind == Error::Kind::cancelled)
        return;

    QMenu menu(anchor);
    Appearance::follow(&menu);
    QAction* email = nullptr;
    QAction* open = nullptr;
    QAction* copy = nullptr;
    QAction* show = nullptr;
    QString emailProgram;
    if (file.ok()) {
        // Each item stands for the file just written; none is offered without it.
        emailProgram = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
        if (!emailProgram.isEmpty()) {
            email = menu.addAction(QStringLiteral("Email…"));
            email->setToolTip(QStringLiteral("Attach the report to a new message in your email program"));
        }
        open = menu.addAction(QStringLiteral("Open in PDF Viewer"));
        open->setToolTip(QStringLiteral("Open the report in your PDF viewer"));
        copy = menu.addAction(QStringLiteral("Copy File"));
        copy->setToolTip(QStringLiteral("Copy the report, to paste it in a file manager or a message"));
        show = menu.addAction(QStringLiteral("Show in Folder"));
        show->setToolTip(QStringLiteral("Show the report in your file manager"));
        menu.setToolTipsVisible(true);
    } else {
        const QString path = shareFolder() + u'/' + defaultFileName(request.leftName, request.rightName);
        QAction* reason = menu.addAction(menuText(menu, file.error().message, path));
        reason->setToolTip(file.error().message);
        reason->setEnabled(false);
    }

    QAction* chosen = dialogs::runMenu(menu, menuPosition(anchor));
    if (chosen == nullptr || !file.ok())
        return;
    const QString& path = file.value();
    if (chosen == email)
        emailReport(emailProgram, path, anchor);
    else if (chosen == open)
        openInPdfViewer(path, anchor);
    else if (chosen == copy)
        QGuiApplication::clipboard()->setMimeData(fileMimeData(path));
    else if (chosen == show && !dialogs::showInFolder(path))
        dialogs::alert(
            anchor, QStringLiteral("Share"),
            QStringLiteral("No file manager is installed to show the report \"%1\".").arg(displayPath(path)));
}

} // namespace varnel
