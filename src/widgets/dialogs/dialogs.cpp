// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/dialogs/dialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QSettings>

namespace varnel::dialogs {

namespace {

struct ShownDialog {
    const OpenDialogScope* scope;
    QPointer<QWidget> parent;
    std::function<void()> cancel;
};

QList<ShownDialog>& shownDialogs()
{
    static QList<ShownDialog> dialogs;
    return dialogs;
}

QList<QUrl> runDialog(QWidget* parent, const OpenFileRequest& request)
{
    // Existing files only; the desktop's own dialog is used where the platform theme
    // provides one. Only local files can be read.
    QFileDialog dialog(parent, request.caption);
    dialog.setFileMode(request.several ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    dialog.setNameFilters(request.nameFilters);
    dialog.setSupportedSchemes({QStringLiteral("file")});
    if (!request.folder.isEmpty())
        dialog.setDirectoryUrl(request.folder);
    const OpenDialogScope shown(parent, [&dialog] { dialog.reject(); });
    return dialog.exec() == QDialog::Accepted ? dialog.selectedUrls() : QList<QUrl>();
}

void platformAlert(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    box.exec();
}

OpenFileHandler& openFileHandler()
{
    static OpenFileHandler handler;
    return handler;
}

AlertHandler& alertHandler()
{
    static AlertHandler handler;
    return handler;
}

} // namespace

OpenDialogScope::OpenDialogScope(QWidget* parent, std::function<void()> cancel)
{
    shownDialogs().append({this, parent, std::move(cancel)});
}

OpenDialogScope::~OpenDialogScope()
{
    shownDialogs().removeIf([this](const ShownDialog& shown) { return shown.scope == this; });
}

QList<QUrl> qtOpenFiles(QWidget* parent, const OpenFileRequest& request)
{
    const DialogHistory history;
    QList<QUrl> urls = runDialog(parent, request);
    history.restore();
    return urls;
}

DialogHistory::DialogHistory()
{
    const QSettings settings(QSettings::UserScope, QStringLiteral("QtProject"));
    m_file = settings.fileName();
    m_existed = QFileInfo::exists(m_file);
    for (const QString& key : settings.allKeys()) {
        if (key.startsWith(QLatin1StringView("FileDialog/")))
            m_group.insert(key, settings.value(key));
    }
}

void DialogHistory::restore() const
{
    if (!m_existed) {
        QFile::remove(m_file);
        return;
    }
    QSettings settings(QSettings::UserScope, QStringLiteral("QtProject"));
    settings.remove(QStringLiteral("FileDialog"));
    for (auto entry = m_group.cbegin(); entry != m_group.cend(); ++entry)
        settings.setValue(entry.key(), entry.value());
}

QList<QUrl> openFiles(QWidget* parent, const OpenFileRequest& request)
{
    if (const OpenFileHandler& handler = openFileHandler())
        return handler(parent, request);
    return qtOpenFiles(parent, request);
}

std::optional<QUrl> openFile(QWidget* parent, const OpenFileRequest& request)
{
    OpenFileRequest one = request;
    one.several = false;
    const QList<QUrl> urls = openFiles(parent, one);
    if (urls.isEmpty())
        return std::nullopt;
    return urls.first();
}

void cancelOpenDialogs(const QWidget* window)
{
    // A cancel returns only once the dialog's loop has: the list is copied first.
    const QList<ShownDialog> shown = shownDialogs();
    for (const ShownDialog& dialog : shown) {
        if (dialog.parent && dialog.parent->window() == window)
            dialog.cancel();
    }
}

void alert(QWidget* parent, const QString& title, const QString& text)
{
    if (const AlertHandler& handler = alertHandler()) {
        handler(parent, title, text);
        return;
    }
    platformAlert(parent, title, text);
}

OpenFileHandler setOpenFileHandler(OpenFileHandler handler)
{
    return std::exchange(openFileHandler(), std::move(handler));
}

AlertHandler setAlertHandler(AlertHandler handler)
{
    return std::exchange(alertHandler(), std::move(handler));
}

QString refusedFileTitle(const Error& reason)
{
    switch (reason.kind) {
    case Error::Kind::unsupportedType: return QStringLiteral("Unsupported File Type");
    case Error::Kind::folder: return QStringLiteral("Folder Not Supported");
    default: break;
    }
    return QStringLiteral("Cannot Open File");
}

QString refusedFileMessage(const Error& reason, UnsupportedFileContext context)
{
    if (reason.kind != Error::Kind::unsupportedType)
        return reason.message;
    const QString request = context == UnsupportedFileContext::drop ? QStringLiteral("drop") : QStringLiteral("choose");
    return reason.message + QStringLiteral(" Please %1 a PDF, DOCX, or text file.").arg(request);
}

void showRefusedFile(QWidget* parent, const Error& reason, UnsupportedFileContext context)
{
    alert(parent, refusedFileTitle(reason), refusedFileMessage(reason, context));
}

void showRefusedPaste(QWidget* parent, const Error& reason)
{
    switch (reason.kind) {
    case Error::Kind::noText: alert(parent, QStringLiteral("Nothing to Paste"), reason.message); return;
    case Error::Kind::tooLarge: alert(parent, QStringLiteral("Text Too Large"), reason.message); return;
    default: break;
    }
    showRefusedFile(parent, reason, UnsupportedFileContext::choose);
}

} // namespace varnel::dialogs
