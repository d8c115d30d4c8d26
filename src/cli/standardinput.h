// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/error.h"
#include "readers/filetypedetector.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace varnel::cli {

// All of standard input, up to `limit` bytes: /dev/zero, for one, never ends. Past the
// limit: "Standard input is too large to PURPOSE: more than SIZE." With `onlyText`, input
// whose start does not look like text is refused as soon as that start has been read,
// as a binary file is.
Expected<QByteArray> readStandardInput(qint64 limit, const QString& purpose, bool onlyText = false);

// "-" as a file argument: standard input, as GNU diff reads it.
inline bool isStandardInput(const QString& argument)
{
    return argument == u"-";
}

// The two sides of a comparison from their arguments: files, or standard input for one
// "-" (held in memory, named "standard input", refused as a binary file is when it does
// not look like text, and over the memory budget as a file of its size is). Both "-" is
// refused.
Expected<std::pair<FileItem, FileItem>> comparedSides(const QStringList& files);

} // namespace varnel::cli
