// SPDX-License-Identifier: GPL-3.0-or-later

#include "viewmodel/reportrequest.h"

#include "core/nativepath.h"
#include "viewmodel/comparisonviewmodel.h"

namespace varnel {

std::optional<ReportRequest> reportRequest(const ComparisonViewModel& model)
{
    const std::optional<DiffResult>& result = model.activeDiffResult();
    // A result kept in view while its files are compared again is no longer theirs.
    if (!result || model.isComparing() || !model.leftFile() || !model.rightFile())
        return std::nullopt;
    ReportRequest request{*result, model.leftFile()->name, model.rightFile()->name,
                          {},      model.compareOptions(), model.movedBlocks()};
    for (const FileItem* file : {&*model.leftFile(), &*model.rightFile()}) {
        if (file->url.isLocalFile())
            request.inputs.append(localPath(file->url));
    }
    return request;
}

} // namespace varnel
