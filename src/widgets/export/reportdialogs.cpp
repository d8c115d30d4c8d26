// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/export/reportdialogs.h"

#include "widgets/dialogs/dialogs.h"
#include "widgets/style/appearance.h"

#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>

namespace varnel::dialogs {

namespace {

template <typename Handler>
Handler& slot()
{
    static Handler handler;
    return handler;
}

std::optional<ReportFileChoice> platformChooseReportFile(QWidget* parent, const QString& defaultName)
{
    const DialogHistory history;
    QFileDialog* dialog = makeSaveReportDialog(parent, defaultName);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    const QStringList files = dialog->selectedFiles();
    const auto* box = dialog->findChild<QCheckBox*>(QStringLiteral("includeUnchanged"));
    const bool includeUnchanged = box == nullptr || box->isChecked();
    delete dialog;
    history.restore();
    if (!accepted || files.isEmpty() || files.front().isEmpty())
        return std::nullopt;
    return ReportFileChoice{files.front(), includeUnchanged};
}

bool platformChoosePrinter(QWidget* parent, QPrinter& printer, int pageCount)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Print"));
    // Pages are whole report pages: a range of them, never a selection or "the current one".
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintCollateCopies | QAbstractPrintDialog::PrintShowPageSize);
    dialog.setMinMax(1, pageCount);
    return dialog.exec() == QDialog::Accepted;
}

void showFolderOf(const QString& path)
{
    openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

bool hasFileManagerService(QDBusConnection& bus)
{
    const QString name = QStringLiteral("org.freedesktop.FileManager1");
    QDBusConnectionInterface* names = bus.interface();
    return names != nullptr &&
           (names->isServiceRegistered(name).value() || names->activatableServiceNames().value().contains(name));
}

// Asks the file manager to select the file, without waiting for it: a file manager that
// answers with an error gets the folder opened instead. With none on the bus, the folder
// is opened by the desktop's program for folders, when it names one.
bool platformShowInFolder(const QString& path)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !hasFileManagerService(bus)) {
        if (queryProgram(QStringLiteral("xdg-mime"),
                         {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("inode/directory")})
                .isEmpty())
            return false;
        return openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [watcher, path] {
        if (watcher->isError())
            showFolderOf(path);
        watcher->deleteLater();
    });
    return true;
}

} // namespace

QFileDialog* makeSaveReportDialog(QWidget* parent, const QString& defaultName)
{
    auto* dialog = new QFileDialog(parent, QStringLiteral("Export as PDF"));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(QStringLiteral("PDF documents (*.pdf)"));
    dialog->setDefaultSuffix(QStringLiteral("pdf"));
    dialog->setLabelText(QFileDialog::Accept, QStringLiteral("Export"));
    dialog->selectFile(defaultName);
    Appearance::follow(dialog);

    auto* box = new QCheckBox(QStringLiteral("Include unchanged lines"), dialog);
    box->setObjectName(QStringLiteral("includeUnchanged"));
    box->setChecked(true);
    box->setToolTip(QStringLiteral("Show the lines both files share, and the markers of folded ones; "
                                   "without them the report holds only the changes"));
    // Qt's dialog lays itself out on a grid: the box takes a row of its own at the foot.
    if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout()))
        grid->addWidget(box, grid->rowCount(), 0, 1, grid->columnCount());
    return dialog;
}

std::optional<ReportFileChoice> chooseReportFile(QWidget* parent, const QString& defaultName)
{
    if (const auto& handler = slot<SaveReportHandler>())
        return handler(parent, defaultName);
    return platformChooseReportFile(parent, defaultName);
}

bool choosePrinter(QWidget* parent, QPrinter& printer, int pageCount)
{
    if (const auto& handler = slot<PrintHandler>())
        return handler(parent, printer, pageCount);
    return platformChoosePrinter(parent, printer, pageCount);
}

QAction* runMenu(QMenu& menu, const QPoint& globalPosition)
{
    if (const auto& handler = slot<MenuHandler>())
        return handler(menu, globalPosition);
    return menu.exec(globalPosition);
}

bool launchProgram(const QString& program, const QStringList& arguments)
{
    if (const auto& handler = slot<LaunchHandler>())
        return handler(program, arguments);
    return QProcess::startDetached(program, arguments);
}

bool openUrl(const QUrl& url)
{
    if (const auto& handler = slot<OpenUrlHandler>())
        return handler(url);
    return QDesktopServices::openUrl(url);
}

QString queryProgram(const QString& program, const QStringList& arguments)
{
    if (const auto& handler = slot<QueryHandler>())
        return handler(program, arguments);
    QProcess process;
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForFinished(5000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        process.kill();
        return {};
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

bool showInFolder(const QString& path)
{
    if (const auto& handler = slot<ShowInFolderHandler>())
        return handler(path);
    return platformShowInFolder(path);
}

void progressStarted(QProgressDialog& dialog)
{
    if (const auto& handler = slot<ProgressHandler>())
        handler(dialog);
}

SaveReportHandler setSaveReportHandler(SaveReportHandler handler)
{
    return std::exchange(slot<SaveReportHandler>(), std::move(handler));
}

PrintHandler setPrintHandler(PrintHandler handler)
{
    return std::exchange(slot<PrintHandler>(), std::move(handler));
}

MenuHandler setMenuHandler(MenuHandler handler)
{
    return std::exchange(slot<MenuHandler>(), std::move(handler));
}

LaunchHandler setLaunchHandler(LaunchHandler handler)
{
    return std::exchange(slot<LaunchHandler>(), std::move(handler));
}

QueryHandler setQueryHandler(QueryHandler handler)
{
    return std::exchange(slot<QueryHandler>(), std::move(handler));
}

OpenUrlHandler setOpenUrlHandler(OpenUrlHandler handler)
{
    return std::exchange(slot<OpenUrlHandler>(), std::move(handler));
}

ShowInFolderHandler setShowInFolderHandler(ShowInFolderHandler handler)
{
    return std::exchange(slot<ShowInFolderHandler>(), std::move(handler));
}

ProgressHandler setProgressHandler(ProgressHandler handler)
{
    return std::exchange(slot<ProgressHandler>(), std::move(handler));
}

} // namespace varnel::dialogs
