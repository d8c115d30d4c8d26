// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/command.h"
#include "cli/standardinput.h"
#include "compare/comparison.h"
#include "core/nativepath.h"
#include "reading/movedblocks.h"
#include "report/exportservice.h"
#include "report/reportfile.h"

namespace varnel::cli {

// Renders the comparison of two files as the PDF report the window exports.
int runReport(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Write the comparison of two files as a PDF report."));
    parser.addHelpOption();
    const QCommandLineOption changesOnly(QStringLiteral("changes-only"),
                                         QStringLiteral("Leave unchanged lines and placeholders out."));
    const QCommandLineOption allContext(QStringLiteral("all-context"),
                                        QStringLiteral("Show every unchanged line instead of folding them."));
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Where to write the report (default: \"LEFT vs RIGHT.pdf\")."),
                                    QStringLiteral("OUT.pdf"));
    const QCommandLineOption noMoves(QStringLiteral("no-moves"),
                                     QStringLiteral("Do not look for blocks of lines that were moved."));
    parser.addOptions({changesOnly, allContext, output, noMoves});
    addCompareOptions(parser);
    parser.addPositionalArgument(QStringLiteral("LEFT"), QStringLiteral("The original file (\"-\": standard input)."));
    parser.addPositionalArgument(QStringLiteral("RIGHT"), QStringLiteral("The revised file (\"-\": standard input)."));
    if (const std::optional<int> exit = parseOrExit(parser, arguments, u"report"))
        return *exit;
    const QStringList files = parser.positionalArguments();
    if (files.size() != 2)
        return fail(QStringLiteral("report needs exactly two files: varnel-cli report [--changes-only] "
                                   "[--all-context] [-o OUT.pdf] LEFT RIGHT"));

    const CompareOptions options = compareOptions(parser);
    if (const std::optional<int> refused = refuseCompareOptions(options))
        return *refused;
    const Expected<std::pair<FileItem, FileItem>> sides = comparedSides(files);
    if (!sides)
        return fail(sides.error().message);
    const auto& [left, right] = sides.value();
    // The default name keeps the files' own bytes; the header shows them readably.
    // Standard input goes by its name.
    const auto baseName = [](const QString& path, const FileItem& side) {
        return side.isInMemory() ? side.name : path.sliced(path.lastIndexOf(u'/') + 1);
    };
    const QString target = parser.isSet(output)
                               ? parser.value(output)
                               : ReportFile::defaultName(baseName(files[0], left), baseName(files[1], right));
    // "-" is standard output; so is any device or FIFO, written in place and never
    // replaced. A compared file is never overwritten: refused before anything is drawn.
    QStringList inputs;
    for (const FileItem* side : {&left, &right}) {
        if (!side->isInMemory())
            inputs.append(localPath(side->url));
    }
    if (target != u"-") {
        if (const std::optional<Error> refused = ReportFile::refuseInput(target, inputs))
            return fail(refused->message);
    }
    const Expected<DiffResult> outcome =
        Comparison::performOne(left, right, !parser.isSet(allContext), nullptr, options);
    if (!outcome)
        return fail(outcome.error().message);
    const MovedBlocks moves = parser.isSet(noMoves) ? MovedBlocks() : MovedBlocks::find(outcome.value());
    const std::optional<QByteArray> pdf =
        ExportService::render(outcome.value(), left.name, right.name, !parser.isSet(changesOnly), options, moves);
    if (!pdf)
        return fail(QStringLiteral("The report \"%1\" could not be made.").arg(displayPath(target)));
    if (target == u"-") {
        writeOut(*pdf);
        return kExitSame;
    }
    if (const std::optional<Error> error =
            ReportFile::write(target, *pdf, inputs, ReportFile::NotRegular::writeInPlace))
        return fail(error->message);
    return kExitSame;
}

} // namespace varnel::cli
