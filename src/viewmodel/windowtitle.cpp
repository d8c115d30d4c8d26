// SPDX-License-Identifier: GPL-3.0-or-later

#include "viewmodel/windowtitle.h"

#include "core/fileextension.h"
#include "core/nativepath.h"

#include <QStringList>

#include <algorithm>

namespace varnel {

namespace {

// The last `count` parts of the path ("a/b/c.txt" for 3), or nothing when it has fewer.
QString tail(const QStringList& parts, qsizetype count)
{
    if (count > parts.size())
        return {};
    return parts.mid(parts.size() - count).join(u'/');
}

} // namespace

QString comparisonTitle(const FileItem& left, const FileItem& right)
{
    const QString arrow = QStringLiteral("%1 \u2194 %2");
    const QString leftPath = filePath(left.url);
    const QString rightPath = filePath(right.url);
    if (left.name != right.name || left.name != displayName(leftPath) || right.name != displayName(rightPath))
        return arrow.arg(left.name, right.name);
    const QStringList leftParts = leftPath.split(u'/', Qt::SkipEmptyParts);
    const QStringList rightParts = rightPath.split(u'/', Qt::SkipEmptyParts);
    for (qsizetype count = 2; count <= std::max(leftParts.size(), rightParts.size()); ++count) {
        const QString leftTail = tail(leftParts, count);
        const QString rightTail = tail(rightParts, count);
        if (leftTail != rightTail) {
            return arrow.arg(displayPath(leftTail.isEmpty() ? leftPath : leftTail),
                             displayPath(rightTail.isEmpty() ? rightPath : rightTail));
        }
    }
    return arrow.arg(left.name, right.name); // one file on both sides
}

} // namespace varnel
