#include "viewmodel/openrequest.h"

#include "readers/filetypedetector.h"
#include "viewmodel/comparisonviewmodel.h"

namespace varnel {

std::optional<QString> openFiles(ComparisonViewModel& model, const QList<QUrl>& urls)
{
    std::optional<QString> refused;
    QList<QUrl> accepted;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        const DiffMode mode = FileTypeDetector::detect(url);
        if (mode.kind() != DiffMode::Kind::unsupported)
            accepted.append(url);
        else if (!refused)
            refused = mode.extension();
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
