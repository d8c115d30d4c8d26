// SPDX-License-Identifier: GPL-3.0-or-later

#include "viewmodel/pastedtext.h"

#include "compare/comparison.h"
#include "core/memorybudget.h"
#include "viewmodel/comparisonviewmodel.h"
#include "viewmodel/openrequest.h"

#include <QMimeData>

#include <algorithm>

namespace varnel {

namespace {

Error noText(const QString& what)
{
    return Error{Error::Kind::noText, what + QStringLiteral(" Copy some text, then try again.")};
}

// The local files of a file manager's copy, when its first URL names one (as a drop).
QList<QUrl> localFiles(const QMimeData& data)
{
    if (!data.hasUrls())
        return {};
    QList<QUrl> urls = data.urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return {};
    urls.removeIf([](const QUrl& url) { return !url.isLocalFile(); });
    return urls;
}

// Qt's own image, or an image the desktop offers in a format of its own (image/png).
bool holdsImage(const QMimeData& data)
{
    const QStringList formats = data.formats();
    return data.hasImage() || std::any_of(formats.begin(), formats.end(),
                                          [](const QString& format) { return format.startsWith(u"image/"); });
}

} // namespace

Expected<Paste> readPaste(const QMimeData* data, const QDateTime& now, qint64 available)
{
    if (!data || data->formats().isEmpty())
        return noText(QStringLiteral("The clipboard is empty."));
    if (QList<QUrl> files = localFiles(*data); !files.isEmpty())
        return Paste{std::move(files), std::nullopt};
    if (!data->hasText()) {
        return noText(holdsImage(*data) ? QStringLiteral("The clipboard holds an image, not text.")
                                        : QStringLiteral("The clipboard holds no text."));
    }
    QByteArray bytes = data->text().toUtf8();
    if (bytes.isEmpty())
        return noText(QStringLiteral("The clipboard is empty."));
    Expected<FileItem> item = FileItem::fromText(std::move(bytes), QString::fromUtf16(kClipboardName),
                                                 QString::fromUtf16(kClipboardSubject), now);
    if (!item)
        return item.error();
    // Refused as a file of its size is: the comparison checks it again with the other side.
    const qint64 size = item.value().held->bytes.size();
    if (std::optional<Error> refusal = Comparison::checkSizes(item.value(), size, item.value(), 0, available))
        return *std::move(refusal);
    return Paste{{}, std::move(item).value()};
}

std::optional<Error> pasteInto(ComparisonViewModel& model, const QMimeData* data, FileSide side, const QDateTime& now,
                               qint64 available)
{
    Expected<Paste> paste = readPaste(data, now, available);
    if (!paste)
        return paste.error();
    if (!paste.value().text)
        return placeFiles(model, paste.value().files, FilesFrom::paste, side);
    model.loadText(*std::move(paste.value().text), side);
    return std::nullopt;
}

std::optional<Error> pasteInto(ComparisonViewModel& model, const QMimeData* data, FileSide side)
{
    return pasteInto(model, data, side, QDateTime::currentDateTime(), MemoryBudget::available());
}

bool holdsTextInMemory(const ComparisonViewModel& model)
{
    return (model.leftFile() && model.leftFile()->isInMemory()) ||
           (model.rightFile() && model.rightFile()->isInMemory());
}

} // namespace varnel
