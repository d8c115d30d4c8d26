// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/compareoptions.h"
#include "core/diffresult.h"
#include "reading/movedblocks.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace varnel {

class ComparisonViewModel;

// What a report command (export, print, share) works on: the result to draw, the two
// files' names for the report's header and its default file name, the paths of the two
// compared files, which a report must never replace, and how their lines were compared.
struct ReportRequest {
    DiffResult result;
    QString leftName;
    QString rightName;
    QStringList inputs;
    CompareOptions options{};
    MovedBlocks moves{}; // none when moves are not looked for
};

// The request for a window's active result: nothing while the files are being compared,
// after a failure, or while fewer than two are chosen.
std::optional<ReportRequest> reportRequest(const ComparisonViewModel& model);

} // namespace varnel
