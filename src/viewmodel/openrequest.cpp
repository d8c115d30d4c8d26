// SPDX-License-Identifier: GPL-3.0-or-later

#include "viewmodel/openrequest.h"

#include "readers/filetypedetector.h"
#include "viewmodel/comparisonviewmodel.h"

#include <QThread>

#include <utility>

namespace varnel {

std::optional<Error> openFiles(ComparisonViewModel& model, const QList<QUrl>& urls)
{
    std::optional<Error> refused;
    QList<QUrl> accepted;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        const Expected<FileItem> item = FileItem::inspect(url);
        if (item)
            accepted.append(url);
        else if (!refused)
            refused = item.error();
    }
    if (accepted.size() > 1 && (model.leftFile() || model.rightFile()))
        model.resetFiles();
    for (const QUrl& url : std::as_const(accepted)) {
        if (!model.leftFile()) {
            model.loadFile(url, FileSide::left);
        } else if (!model.rightFile()) {
            model.loadFile(url, FileSide::right);
        } else {
            model.resetFiles();
            model.loadFile(url, FileSide::left);
        }
    }
    return refused;
}

OpenRequestQueue::OpenRequestQueue(Handler handler, int baseLevel)
    : m_handler(std::move(handler))
    , m_baseLevel(baseLevel)
{
    m_check.setInterval(kCheckMs);
    QObject::connect(&m_check, &QTimer::timeout, [this] { handleWaiting(); });
}

bool OpenRequestQueue::nested() const
{
    return QThread::currentThread()->loopLevel() > m_baseLevel;
}

void OpenRequestQueue::submit(const QStringList& paths)
{
    if (m_waiting.isEmpty() && !nested()) {
        m_handler(paths);
        return;
    }
    m_waiting.append(paths);
    m_check.start();
}

void OpenRequestQueue::handleWaiting()
{
    if (nested())
        return;
    m_check.stop();
    // A request handled here may open a nested loop again: later ones then wait anew.
    while (!m_waiting.isEmpty() && !nested())
        m_handler(m_waiting.takeFirst());
    if (!m_waiting.isEmpty())
        m_check.start();
}

} // namespace varnel
