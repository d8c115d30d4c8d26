// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/nativepath.h"

#include <QString>
#include <QUrl>

namespace varnel {

// Files are classified and coloured by the name alone; these two rules are shared by
// every place that does so.

// The part of the last path component after its last dot, as written; empty without one.
inline QString fileExtension(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot <= slash ? QString() : path.mid(dot + 1);
}

// The path a URL names: a local file's path (exact bytes, see nativepath.h), else the
// URL's own path.
inline QString filePath(const QUrl& url)
{
    return url.isLocalFile() ? localPath(url) : url.path();
}

} // namespace varnel
