// SPDX-License-Identifier: GPL-3.0-or-later

// The comparison screen's ways to change its files: the replacement dialog and drops.
#include "viewmodel/openrequest.h"
#include "widgets/comparison/diffcontainerview.h"
#include "widgets/dialogs/dialogs.h"

#include <QDropEvent>
#include <QMimeData>

#include <algorithm>

namespace varnel {

void DiffContainerView::replaceFile(FileSide side)
{
    const ChosenFiles before(m_model);
    const std::optional<QUrl> url =
        dialogs::openFile(this, {QStringLiteral("Choose a replacement file"), FileTypeDetector::allowedContentTypes(),
                                 dialogFolder(m_model, side)});
    if (!url || before.changedIn(m_model))
        return;
    const Expected<FileItem> item = FileItem::inspect(*url);
    if (!item) {
        dialogs::showRefusedFile(this, item.error(), dialogs::UnsupportedFileContext::choose);
        return;
    }
    m_model.loadFile(*url, side);
}

namespace {

// The local files of a drag, when it carries only local files.
QList<QUrl> droppedFiles(const QMimeData* mime)
{
    const QList<QUrl> urls = mime && mime->hasUrls() ? mime->urls() : QList<QUrl>();
    const bool local = std::all_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
    return local ? urls : QList<QUrl>();
}

} // namespace

void DiffContainerView::dragEnterEvent(QDragEnterEvent* event)
{
    if (droppedFiles(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void DiffContainerView::dragMoveEvent(QDragMoveEvent* event)
{
    if (droppedFiles(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void DiffContainerView::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = droppedFiles(event->mimeData());
    if (urls.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Let the drag finish before anything modal (the alert) can appear.
    const FileSide side = dropSide(event->position().x());
    QMetaObject::invokeMethod(
        this,
        [this, urls, side] {
            if (const std::optional<Error> refused = placeFiles(m_model, urls, FilesFrom::drop, side))
                dialogs::showRefusedFile(this, *refused, dialogs::UnsupportedFileContext::drop);
        },
        Qt::QueuedConnection);
}

} // namespace varnel
