// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/command.h"
#include "cli/jsonwriter.h"
#include "cli/output.h"
#include "compare/comparison.h"

namespace varnel::cli {

int runLines(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Print the lines Varnel compares for a file, as JSON."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The file to read."));
    if (const std::optional<int> exit = parseOrExit(parser, arguments, u"lines"))
        return *exit;
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        return fail(QStringLiteral("lines needs exactly one file: varnel-cli lines FILE"));

    const Expected<TextLines> lines = Comparison::readLines(fileItem(files[0]));
    if (!lines)
        return fail(lines.error().message);
    Sink sink;
    QByteArray& out = sink.buffer();
    out.append('[');
    for (qsizetype i = 0; i < lines.value().size(); ++i) {
        if (i > 0)
            out.append(',');
        appendJsonString(out, lines.value().utf8(i));
        sink.maybeFlush();
    }
    out.append("]\n");
    return kExitSame;
}

} // namespace varnel::cli
