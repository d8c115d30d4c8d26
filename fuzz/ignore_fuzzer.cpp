// SPDX-License-Identifier: GPL-3.0-or-later

// libFuzzer target: comparisons under the ignore options, with their promises checked. The
// first byte picks the options; the rest is two texts split at the first NUL.
#include "core/diffengine.h"
#include "core/lineform.h"
#include "readers/fileparser.h"

#include <cstdint>
#include <cstdlib>

namespace {

using namespace varnel;

CompareOptions optionsFrom(std::uint8_t bits)
{
    CompareOptions options;
    options.ignoreCase = bits & 1;
    options.ignoreTrailingSpace = bits & 2;
    options.ignoreSpaceChange = bits & 4;
    options.ignoreAllSpace = bits & 8;
    options.ignoreBlankLines = bits & 16;
    if (bits & 32)
        options.ignoreMatching = {QStringLiteral("^#"), QStringLiteral("id=\\d+")};
    return options;
}

SharedLines linesOf(const QByteArray& bytes)
{
    std::optional<QByteArray> text = FileParser::decode(bytes);
    if (!text)
        std::abort(); // Latin-1 decodes anything
    return TextLines::share(TextLines::split(*text));
}

// Forms are stable: a line's form is its own form (case folding aside, which Unicode does
// not promise to be idempotent for every letter).
void checkForm(const LineForm& form, const LineForm& spaceOnly, QByteArrayView line)
{
    LineForm::Scratch first;
    LineForm::Scratch second;
    const QByteArray once = spaceOnly.apply(line, first).toByteArray();
    if (spaceOnly.apply(once, second) != QByteArrayView(once))
        std::abort();
    LineForm::Scratch scratch;
    (void)form.apply(line, scratch);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const CompareOptions options = optionsFrom(data[0]);
    const QByteArray rest(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const qsizetype split = rest.indexOf('\0');
    const SharedLines left = linesOf(split < 0 ? rest : rest.first(split));
    const SharedLines right = linesOf(split < 0 ? QByteArray() : rest.mid(split + 1));

    CompareOptions spaceOptions = options;
    spaceOptions.ignoreCase = false;
    const LineForm form(options);
    const LineForm spaceOnly(spaceOptions);
    for (qsizetype i = 0; i < left->size(); ++i) {
        const QUtf8StringView line = left->utf8(i);
        checkForm(form, spaceOnly, QByteArrayView(line.data(), line.size()));
    }

    DiffOptions diff;
    diff.compare = options;
    const std::optional<DiffEngine::Results> results = DiffEngine::computeBoth(left, right, diff);
    if (!results)
        std::abort(); // nothing cancels it
    const DiffResult& full = results->full;
    if (full.ignoredCount() != results->collapsed.ignoredCount() || full.ignoredCount() < 0)
        std::abort();
    qint64 marked = 0;
    qint64 removed = 0;
    qint64 added = 0;
    for (const DiffLine& line : full.lines()) {
        marked += line.ignored() != IgnoredReason::none;
        if (line.ignored() != IgnoredReason::none)
            continue;
        removed += line.type() == DiffLineType::removed;
        added += line.type() == DiffLineType::added;
    }
    if (marked != full.ignoredCount())
        std::abort(); // each marked row counted once
    // The counts are of the rows that stay changes: pairs count once.
    if (removed != full.removedCount() + full.modifiedCount() || added != full.addedCount() + full.modifiedCount())
        std::abort();
    if (!options.ignoresAnything() && marked != 0)
        std::abort();
    return 0;
}
