// SPDX-License-Identifier: GPL-3.0-or-later

#include "viewmodel/openrequest.h"

#include "readers/filetypedetector.h"
#include "viewmodel/comparisonviewmodel.h"

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

} // namespace varnel
