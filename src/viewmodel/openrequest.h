// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/error.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

namespace varnel {

class ComparisonViewModel;

// Files the desktop, the command line or a second varnel asks a window to open. Each
// fills the left side when that is empty, else the right side when that is empty, else
// starts over with the file on the left. Several files at once are meant as one
// comparison (`varnel a b` compares a with b), so with a file already chosen they start
// over first. Anything but a local file is ignored, and a file FileTypeDetector::inspect
// refuses (a folder, a binary file) is refused before the others are opened: it neither
// ends the comparison in view nor takes a side.
//
// Returns why the first refused file was refused, for the alert; nothing when every file
// was taken.
std::optional<Error> openFiles(ComparisonViewModel& model, const QList<QUrl>& urls);

} // namespace varnel
