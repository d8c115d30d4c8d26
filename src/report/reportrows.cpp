// SPDX-License-Identifier: GPL-3.0-or-later

// The report's rows: what each cell of a page shows, made from a result's rows.
#include "report/exportservice.h"
#include "report/reportstyle.h"

namespace varnel {

using namespace report;

QString ExportService::Cell::gutterLabel() const
{
    const QString number = lineNumber ? QString::number(*lineNumber) : QString();
    if (ignored && kind != RowKind::placeholder && kind != RowKind::empty)
        return u'\u2248' + number; // "≈": quiet, the row is no change
    switch (kind) {
    case RowKind::added: return u'+' + number;
    case RowKind::removed: return u'-' + number;
    case RowKind::unchanged: return u' ' + number;
    case RowKind::placeholder: return middleDots();
    case RowKind::empty: break;
    }
    return QString();
}

std::optional<QColor> ExportService::Cell::backgroundColor() const
{
    if (ignored)
        return std::nullopt;
    if (moved && (kind == RowKind::added || kind == RowKind::removed))
        return palette::band(palette::violet);
    if (kind == RowKind::added)
        return palette::band(palette::green);
    if (kind == RowKind::removed)
        return palette::band(palette::red);
    return std::nullopt;
}

QColor ExportService::Cell::gutterColor() const
{
    if (ignored)
        return palette::tertiaryLabel;
    if (moved && (kind == RowKind::added || kind == RowKind::removed))
        return palette::violet;
    if (kind == RowKind::added)
        return palette::green;
    if (kind == RowKind::removed)
        return palette::red;
    return palette::quaternaryLabel;
}

QString ExportService::placeholderText(qint64 hiddenCount)
{
    return QStringLiteral("  %1 %2 unchanged line%3 hidden %1")
        .arg(middleDots())
        .arg(hiddenCount)
        .arg(hiddenCount == 1 ? QString() : QStringLiteral("s"));
}

QString ExportService::movedLegend()
{
    return QStringLiteral("\u21C5 Moved lines");
}

QList<ExportService::SideBySideRow> ExportService::makeSideBySideRows(const DiffRows& lines, bool showUnchanged,
                                                                      const MovedBlocks& moves)
{
    QList<SideBySideRow> rows;
    rows.reserve(lines.size());
    for (const DiffLine& line : lines) {
        const bool ignored = line.ignored() != IgnoredReason::none;
        switch (line.type()) {
        case DiffLineType::removed:
            rows.append({Cell{line.leftLineNumber(), line.contentString(), RowKind::removed, ignored,
                              !moves.isEmpty() && moves.of(line).has_value()},
                         Cell{}});
            break;
        case DiffLineType::added:
            rows.append({Cell{}, Cell{line.rightLineNumber(), line.contentString(), RowKind::added, ignored,
                                      !moves.isEmpty() && moves.of(line).has_value()}});
            break;
        case DiffLineType::unchanged:
            if (showUnchanged) {
                const QString left = line.contentString(PageSide::left);
                const QString right = line.sidesDiffer() ? line.contentString(PageSide::right) : left;
                rows.append({Cell{line.leftLineNumber(), left, RowKind::unchanged, ignored},
                             Cell{line.rightLineNumber(), right, RowKind::unchanged, ignored}});
            }
            break;
        case DiffLineType::contextCollapsed:
            if (showUnchanged) {
                const QString text = placeholderText(line.hiddenCount().value_or(0));
                rows.append(
                    {Cell{std::nullopt, text, RowKind::placeholder}, Cell{std::nullopt, text, RowKind::placeholder}});
            }
            break;
        }
    }
    return rows;
}

QString ExportService::ignoredNote(const CompareOptions& options, qint64 ignoredCount)
{
    const QStringList aspects = ignoredAspects(options);
    if (aspects.isEmpty())
        return QString();
    return QStringLiteral("Ignoring: %1 \u00B7 %2 %3 only in ignored ways")
        .arg(aspects.join(QStringLiteral(", ")))
        .arg(ignoredCount)
        .arg(ignoredCount == 1 ? QStringLiteral("line differs") : QStringLiteral("lines differ"));
}

} // namespace varnel
