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

QString unsupportedFileMessage(const QString& extension, UnsupportedFileContext context)
{
    const QString subject =
        extension.isEmpty() ? QStringLiteral("This file type") : QLatin1Char('\'') + extension + QLatin1Char('\'');
    const QString request = context == UnsupportedFileContext::drop ? QStringLiteral("drop") : QStringLiteral("choose");
    return QStringLiteral("%1 is not supported. Please %2 a PDF, DOCX, or text/code file.").arg(subject, request);
}

void showUnsupportedFile(QWidget* parent, const QString& extension, UnsupportedFileContext context)
{
    alert(parent, QStringLiteral("Unsupported File Type"), unsupportedFileMessage(extension, context));
}

} // namespace varnel::dialogs
