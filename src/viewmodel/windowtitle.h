// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "readers/filetypedetector.h"

#include <QString>

namespace varnel {

// A window's title for a comparison: "left ↔ right" by the files' names. When the two
// names are the same, each gets as many of its folders in front as tell the two apart
// ("old/notes.txt ↔ new/notes.txt"), with controls escaped as in every name shown.
// Names given as labels are kept as they are.
QString comparisonTitle(const FileItem& left, const FileItem& right);

} // namespace varnel
