// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/dialogs/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace varnel::dialogs {

namespace {

std::optional<QUrl> platformOpenFile(QWidget* parent, const OpenFileRequest& request)
{
    // A single existing file; the desktop's own dialog is used where the platform theme
    // provides one. Only local files can be read.
    const QUrl url = QFileDialog::getOpenFileUrl(parent, request.caption, QUrl(), request.nameFilters.join(u";;"),
                                                 nullptr, QFileDialog::Options(), {QStringLiteral("file")});
    if (url.isEmpty())
        return std::nullopt;
    return url;
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

std::optional<QUrl> openFile(QWidget* parent, const OpenFileRequest& request)
{
    if (const OpenFileHandler& handler = openFileHandler())
        return handler(parent, request);
    return platformOpenFile(parent, request);
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

} // namespace varnel::dialogs
