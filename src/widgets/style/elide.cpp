// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/style/elide.h"

#include <QTextLayout>

namespace varnel {

namespace {

QStringList wrap(const QString& text, const QFont& font, int width, int maxLines, bool* fits)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    *fits = true;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        if (lines.size() == maxLines) {
            *fits = false;
            break;
        }
        line.setLineWidth(width);
        lines.append(text.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    return lines;
}

// The first `keep` characters of `text` around a "…" in its middle, never splitting a
// surrogate pair.
QString middleCut(const QString& text, qsizetype keep)
{
    qsizetype head = (keep + 1) / 2;
    qsizetype tail = keep / 2;
    if (head > 0 && text.at(head - 1).isHighSurrogate())
        --head;
    if (tail > 0 && text.at(text.size() - tail).isLowSurrogate())
        --tail;
    return text.left(head) + QChar(0x2026) + text.right(tail);
}

} // namespace

QStringList elideToLines(const QString& text, const QFont& font, int width, int maxLines)
{
    if (text.isEmpty() || maxLines < 1)
        return {};
    width = std::max(width, 1);
    bool fits = false;
    QStringList lines = wrap(text, font, width, maxLines, &fits);
    if (fits)
        return lines;
    // The longest middle cut that still fits, by bisection on the characters kept.
    qsizetype low = 0;
    qsizetype high = text.size() - 1;
    QStringList best = wrap(middleCut(text, 0), font, width, maxLines, &fits);
    while (low < high) {
        const qsizetype mid = (low + high + 1) / 2;
        QStringList candidate = wrap(middleCut(text, mid), font, width, maxLines, &fits);
        if (fits) {
            low = mid;
            best = std::move(candidate);
        } else {
            high = mid - 1;
        }
    }
    return best;
}

} // namespace varnel
