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

std::optional<Error> placeFiles(ComparisonViewModel& model, const QList<QUrl>& urls, FilesFrom from,
                                std::optional<FileSide> side)
{
    if (urls.size() > 2) {
        const auto [done, todo] = from == FilesFrom::drop    ? std::pair(u"dropped", u"drop")
                                  : from == FilesFrom::paste ? std::pair(u"pasted", u"paste")
                                                             : std::pair(u"chosen", u"choose");
        return Error{Error::Kind::other,
                     QStringLiteral("Varnel compares two files at a time, and %1 were %2. Please %3 one or two files.")
                         .arg(urls.size())
                         .arg(QStringView(done), QStringView(todo))};
    }
    for (const QUrl& url : urls) {
        if (Expected<FileItem> item = FileItem::inspect(url); !item)
            return item.error();
    }
    if (urls.size() == 2) {
        if (model.leftFile() || model.rightFile())
            model.resetFiles();
        model.loadFile(urls[0], FileSide::left);
        model.loadFile(urls[1], FileSide::right);
    } else if (urls.size() == 1) {
        model.loadFile(urls[0], side.value_or(sideForOneFile(model)));
    }
    return std::nullopt;
}

FileSide sideForOneFile(const ComparisonViewModel& model)
{
    return model.leftFile() ? FileSide::right : FileSide::left;
}

QUrl dialogFolder(const ComparisonViewModel& model, FileSide side)
{
    const std::optional<FileItem>& own = side == FileSide::left ? model.leftFile() : model.rightFile();
    const std::optional<FileItem>& other = side == FileSide::left ? model.rightFile() : model.leftFile();
    const std::optional<FileItem>& from = own ? own : other;
    return from ? from->url.adjusted(QUrl::RemoveFilename) : QUrl();
}

ChosenFiles::ChosenFiles(const ComparisonViewModel& model)
    : m_files(model.leftFile() ? model.leftFile()->url : QUrl(), model.rightFile() ? model.rightFile()->url : QUrl())
{
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
