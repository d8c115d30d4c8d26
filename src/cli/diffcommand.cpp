// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/command.h"
#include "cli/jsonwriter.h"
#include "cli/output.h"
#include "cli/standardinput.h"
#include "compare/comparison.h"
#include "reading/movedblocks.h"

#include <algorithm>

namespace varnel::cli {

namespace {

void appendNumber(QByteArray& out, std::optional<qint64> number)
{
    if (number)
        out.append(QByteArray::number(*number));
    else
        out.append("null");
}

const char* typeName(DiffLineType type)
{
    switch (type) {
    case DiffLineType::contextCollapsed: return "collapsed";
    case DiffLineType::added: return "added";
    case DiffLineType::removed: return "removed";
    case DiffLineType::unchanged: return "unchanged";
    }
    return "unchanged";
}

const char* ignoredName(IgnoredReason reason)
{
    switch (reason) {
    case IgnoredReason::whitespace: return "whitespace";
    case IgnoredReason::letterCase: return "case";
    case IgnoredReason::pattern: return "pattern";
    case IgnoredReason::none: break;
    }
    return nullptr;
}

// {"encoding":"utf-8","byteOrderMark":false,"lineEnds":"crlf","finalNewline":true,
//  "otherLineEnds":["ff"]}
void appendFormat(QByteArray& out, const TextFormat& format)
{
    out.append("{\"encoding\":\"" + format.encodingKey().toLatin1() + "\",\"byteOrderMark\":" +
               (format.byteOrderMark ? "true" : "false") + ",\"lineEnds\":\"" + format.lineEndsKey().toLatin1() +
               "\",\"finalNewline\":" + (format.finalLineEnd ? "true" : "false") + ",\"otherLineEnds\":[");
    const QStringList others = format.otherLineEndsKeys();
    for (qsizetype i = 0; i < others.size(); ++i)
        out.append((i > 0 ? ",\"" : "\"") + others[i].toLatin1() + '"');
    out.append("]}");
}

// The result, then (for text files) how each file was written, under "files". A row of a
// moved block names the block (numbered from 1 in the order of its left lines) and the
// line at its other end: {"block":2,"line":120}.
void printJson(const DiffResult& result, const TextFormats& formats, const CompareOptions& options,
               const MovedBlocks& moves)
{
    Sink sink;
    QByteArray& out = sink.buffer();
    out.append("{\"addedCount\":" + QByteArray::number(result.addedCount()) +
               ",\"removedCount\":" + QByteArray::number(result.removedCount()) +
               ",\"modifiedCount\":" + QByteArray::number(result.modifiedCount()));
    if (options.ignoresAnything()) // without an ignore option, the output is as it always was
        out.append(",\"ignoredCount\":" + QByteArray::number(result.ignoredCount()));
    out.append(",\"lines\":[");
    bool first = true;
    for (const DiffLine& line : result.lines()) {
        if (!first)
            out.append(',');
        first = false;
        out.append("{\"type\":\"");
        out.append(typeName(line.type()));
        out.append("\",\"left\":");
        appendNumber(out, line.leftLineNumber());
        out.append(",\"right\":");
        appendNumber(out, line.rightLineNumber());
        out.append(",\"content\":");
        appendJsonString(out, line.content());
        if (line.sidesDiffer()) { // equal lines with other bytes on the right
            out.append(",\"rightContent\":");
            appendJsonString(out, line.rightContent());
        }
        if (const std::optional<qint64> hidden = line.hiddenCount())
            out.append(",\"hiddenCount\":" + QByteArray::number(*hidden));
        if (const char* ignored = ignoredName(line.ignored()))
            out.append(QByteArray(",\"ignored\":\"") + ignored + '"');
        if (const std::optional<MoveEnd> moved = moves.of(line))
            out.append(",\"moved\":{\"block\":" + QByteArray::number(moved->block + 1) +
                       ",\"line\":" + QByteArray::number(moved->otherLine) + '}');
        out.append('}');
        sink.maybeFlush();
    }
    out.append(']');
    if (formats.left && formats.right) {
        out.append(",\"files\":{\"left\":");
        appendFormat(out, *formats.left);
        out.append(",\"right\":");
        appendFormat(out, *formats.right);
        out.append(QByteArray(",\"unicodeFormsDiffer\":") + (formats.unicodeFormsDiffer ? "true" : "false") + '}');
    }
    out.append("}\n");
}

const char* marker(const DiffLine& line)
{
    if (line.ignored() != IgnoredReason::none)
        return "\xE2\x89\x88"; // U+2248 ALMOST EQUAL TO
    switch (line.type()) {
    case DiffLineType::added: return "+";
    case DiffLineType::removed: return "\xE2\x88\x92";          // U+2212 MINUS SIGN
    case DiffLineType::contextCollapsed: return "\xE2\x80\xA6"; // U+2026 ELLIPSIS
    case DiffLineType::unchanged: break;
    }
    return " ";
}

QByteArray hiddenLabel(qint64 count)
{
    return QByteArray::number(count) + (count == 1 ? " unchanged line hidden" : " unchanged lines hidden");
}

// One row per line: marker, left number, right number, content (the right file's line for
// an unchanged row). A row that differs only in a way the options ignore is marked "≈".
// Then, when the files are written differently (encoding, byte-order mark, line ends,
// final newline), one line that says how: equal lines are what is compared, so the exit
// status does not change, but the reader is told.
void printListing(const DiffResult& result, const TextFormats& formats)
{
    const qint64 widest = std::max<qint64>({1, result.original()->size(), result.revised()->size()});
    const qsizetype width = QByteArray::number(widest).size();
    const auto column = [width](QByteArray& out, std::optional<qint64> number) {
        const QByteArray digits = number ? QByteArray::number(*number) : QByteArray();
        out.append(QByteArray(width - digits.size(), ' '));
        out.append(digits);
    };

    Sink sink;
    QByteArray& out = sink.buffer();
    for (const DiffLine& line : result.lines()) {
        out.append(marker(line));
        out.append(' ');
        column(out, line.leftLineNumber());
        out.append(' ');
        column(out, line.rightLineNumber());
        out.append(' ');
        if (const std::optional<qint64> hidden = line.hiddenCount()) {
            out.append(hiddenLabel(*hidden));
        } else {
            const QUtf8StringView text = line.content(PageSide::right); // context as the right file has it
            out.append(text.data(), text.size());
        }
        out.append('\n');
        sink.maybeFlush();
    }
    if (formats.left && formats.right) {
        const QString differences = TextFormat::differences(*formats.left, *formats.right);
        if (!differences.isEmpty())
            out.append(differences.toUtf8() + '\n');
    }
}

} // namespace

int runDiff(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Compare two files line by line."));
    parser.addHelpOption();
    const QCommandLineOption collapse(QStringLiteral("collapse"),
                                      QStringLiteral("Fold unchanged lines far from any change."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print the result as JSON."));
    const QCommandLineOption stat(QStringLiteral("stat"), QStringLiteral("Print only the three counts."));
    const QCommandLineOption noMoves(QStringLiteral("no-moves"),
                                     QStringLiteral("Do not look for blocks of lines that were moved."));
    parser.addOptions({collapse, json, stat, noMoves});
    addCompareOptions(parser);
    parser.addPositionalArgument(QStringLiteral("LEFT"), QStringLiteral("The original file (\"-\": standard input)."));
    parser.addPositionalArgument(QStringLiteral("RIGHT"), QStringLiteral("The revised file (\"-\": standard input)."));
    if (const std::optional<int> exit = parseOrExit(parser, arguments, u"diff"))
        return *exit;
    if (parser.isSet(json) && parser.isSet(stat))
        return fail(QStringLiteral("--json and --stat cannot be used together."));
    const QStringList files = parser.positionalArguments();
    if (files.size() != 2)
        return fail(
            QStringLiteral("diff needs exactly two files: varnel-cli diff [--collapse] [--json | --stat] LEFT RIGHT"));

    // The same comparison the window runs: same kinds only, each with its reader.
    const CompareOptions options = compareOptions(parser);
    if (const std::optional<int> refused = refuseCompareOptions(options))
        return *refused;
    const Expected<std::pair<FileItem, FileItem>> sides = comparedSides(files);
    if (!sides)
        return fail(sides.error().message);
    TextFormats formats;
    const Expected<DiffResult> outcome =
        Comparison::performOne(sides.value().first, sides.value().second, parser.isSet(collapse), &formats, options);
    if (!outcome)
        return fail(outcome.error().message);
    const DiffResult& result = outcome.value();
    // The listing shows no moves; the counts and JSON do unless told not to.
    const bool findMoves = !parser.isSet(noMoves) && (parser.isSet(stat) || parser.isSet(json));
    const MovedBlocks moves = findMoves ? MovedBlocks::find(result) : MovedBlocks();
    if (parser.isSet(stat)) {
        // " moved=N" only when there are moves: every line without them stays as it was.
        writeOut("added=" + QByteArray::number(result.addedCount()) + " removed=" +
                 QByteArray::number(result.removedCount()) + " modified=" + QByteArray::number(result.modifiedCount()) +
                 (moves.isEmpty() ? QByteArray() : " moved=" + QByteArray::number(moves.size())) + '\n');
    } else if (parser.isSet(json)) {
        printJson(result, formats, options, moves);
    } else {
        printListing(result, formats);
    }
    return result.hasChanges() ? kExitDifferent : kExitSame;
}

} // namespace varnel::cli
