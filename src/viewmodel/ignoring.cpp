// SPDX-License-Identifier: GPL-3.0-or-later

#include "viewmodel/ignoring.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace varnel {

namespace {

const QString kOn = QStringLiteral("true");
const QString kOff = QStringLiteral("false");

// "a", "a and b", "a, b and c".
QString joinWithAnd(const QStringList& items)
{
    if (items.size() < 2)
        return items.join(QString());
    return items.first(items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + items.last();
}

bool ignoresSpace(const CompareOptions& options)
{
    return options.ignoreAllSpace || options.ignoreSpaceChange || options.ignoreTrailingSpace;
}

// The ignored lines' reasons, as far as the rows tell them: each flag once seen.
struct Reasons {
    bool space = false;
    bool letterCase = false;
    bool pattern = false;
    bool blank = false; // a blank line that ignoring blank lines set aside
};

Reasons reasonsOf(const DiffResult& result)
{
    Reasons seen;
    for (const DiffLine& line : result.lines()) {
        switch (line.ignored()) {
        case IgnoredReason::none: continue;
        case IgnoredReason::whitespace:
            (line.type() == DiffLineType::unchanged ? seen.space : seen.blank) = true;
            break;
        case IgnoredReason::letterCase: seen.letterCase = true; break;
        case IgnoredReason::pattern: seen.pattern = true; break;
        }
        if (int(seen.space) + int(seen.letterCase) + int(seen.pattern) + int(seen.blank) > 1)
            break; // mixed: nothing more to learn
    }
    return seen;
}

// "12 lines differ only in white space", "1 line matches an ignored pattern".
QString ignoredLinesPhrase(qint64 count, const Reasons& seen, const CompareOptions& options)
{
    const bool one = count == 1;
    const QString lines = one ? QStringLiteral("1 line") : QStringLiteral("%1 lines").arg(count);
    const QString differ = one ? QStringLiteral("differs") : QStringLiteral("differ");
    const bool onlyOne = int(seen.space) + int(seen.letterCase) + int(seen.pattern) + int(seen.blank) == 1;
    if (seen.blank && onlyOne)
        return (one ? QStringLiteral("1 blank line") : QStringLiteral("%1 blank lines").arg(count)) +
               QStringLiteral(" set aside");
    if (seen.pattern && onlyOne)
        return lines +
               (one ? QStringLiteral(" matches an ignored pattern") : QStringLiteral(" match ignored patterns"));
    QString how = QStringLiteral("in ignored ways");
    if (seen.space && onlyOne)
        how = QStringLiteral("in white space");
    else if (seen.letterCase && onlyOne && !ignoresSpace(options))
        how = QStringLiteral("in case");
    return QStringLiteral("%1 %2 only %3").arg(lines, differ, how);
}

// The aspects as the label names them: each pattern is counted, not quoted.
QStringList shortAspects(const CompareOptions& options)
{
    CompareOptions plain = options;
    plain.ignoreMatching.clear();
    QStringList aspects = ignoredAspects(plain);
    if (const qsizetype patterns = options.ignoreMatching.size(); patterns > 0)
        aspects << (patterns == 1 ? QStringLiteral("1 pattern") : QStringLiteral("%1 patterns").arg(patterns));
    return aspects;
}

struct FlagKey {
    const QString& key;
    bool CompareOptions::*flag;
};

const FlagKey kFlagKeys[] = {
    {Preferences::kIgnoreCase, &CompareOptions::ignoreCase},
    {Preferences::kIgnoreTrailingSpace, &CompareOptions::ignoreTrailingSpace},
    {Preferences::kIgnoreSpaceChange, &CompareOptions::ignoreSpaceChange},
    {Preferences::kIgnoreAllSpace, &CompareOptions::ignoreAllSpace},
    {Preferences::kIgnoreBlankLines, &CompareOptions::ignoreBlankLines},
};

} // namespace

QString ignoringLabel(const CompareOptions& options)
{
    const QStringList aspects = shortAspects(options);
    return aspects.isEmpty() ? QString() : QStringLiteral("Ignoring: ") + aspects.join(QStringLiteral(", "));
}

QString ignoringPhrase(const CompareOptions& options)
{
    const QStringList aspects = ignoredAspects(options);
    return aspects.isEmpty() ? QString() : QStringLiteral("ignoring ") + joinWithAnd(aspects);
}

QString ignoredBadgeToolTip(qint64 count, const CompareOptions& options)
{
    const QString lines = count == 1 ? QStringLiteral("1 line differs") : QStringLiteral("%1 lines differ").arg(count);
    QString tip = lines + QStringLiteral(" only in ignored ways");
    if (const QString phrase = ignoringPhrase(options); !phrase.isEmpty())
        tip += QLatin1Char('\n') + phrase.at(0).toUpper() + phrase.mid(1);
    return tip;
}

QString identicalNotice(const DiffResult& full, const CompareOptions& options)
{
    const qint64 count = full.ignoredCount();
    const QString phrase = ignoringPhrase(options);
    if (full.hasChanges() || count <= 0 || phrase.isEmpty())
        return QStringLiteral("Files are identical");
    return QStringLiteral("No differences, %1 (%2)").arg(phrase, ignoredLinesPhrase(count, reasonsOf(full), options));
}

CompareOptions rememberedCompareOptions(const Preferences& preferences)
{
    CompareOptions options;
    for (const FlagKey& each : kFlagKeys)
        options.*each.flag = preferences.string(each.key, QString()) == kOn;
    const QJsonDocument patterns =
        QJsonDocument::fromJson(preferences.string(Preferences::kIgnoreMatchingLines, QString()).toUtf8());
    const QJsonArray stored = patterns.array();
    for (const auto& value : stored) {
        const QString pattern = value.toString();
        if (value.isString() && !pattern.isEmpty() && !patternError(pattern) &&
            !options.ignoreMatching.contains(pattern))
            options.ignoreMatching.append(pattern);
    }
    return options;
}

void rememberCompareOptions(Preferences& preferences, const CompareOptions& options)
{
    for (const FlagKey& each : kFlagKeys)
        preferences.setString(each.key, options.*each.flag ? kOn : kOff);
    const QJsonArray patterns = QJsonArray::fromStringList(options.ignoreMatching);
    preferences.setString(Preferences::kIgnoreMatchingLines,
                          QString::fromUtf8(QJsonDocument(patterns).toJson(QJsonDocument::Compact)));
}

} // namespace varnel
