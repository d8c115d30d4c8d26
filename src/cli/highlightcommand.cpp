// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/command.h"
#include "cli/jsonwriter.h"
#include "cli/output.h"
#include "cli/standardinput.h"
#include "core/memorybudget.h"
#include "core/nativepath.h"
#include "core/textlines.h"
#include "highlight/syntaxhighlighter.h"
#include "readers/fileparser.h"

namespace varnel::cli {

// Prints, for each line, the runs the window colours: [{"text":"…","role":"keyword"|…|null}].
int runHighlight(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Print the syntax colouring of lines as JSON."));
    parser.addHelpOption();
    const QCommandLineOption language(QStringLiteral("language"), languageNameList() + u'.', QStringLiteral("NAME"));
    const QCommandLineOption file(QStringLiteral("file"), QStringLiteral("Choose the language from this file name."),
                                  QStringLiteral("PATH"));
    parser.addOptions({language, file});
    parser.addPositionalArgument(QStringLiteral("LINE"), QStringLiteral("Lines to colour; standard input if none."),
                                 QStringLiteral("[LINE...]"));
    if (const std::optional<int> exit = parseOrExit(parser, arguments, u"highlight"))
        return *exit;
    if (parser.isSet(language) == parser.isSet(file))
        return fail(QStringLiteral("highlight needs exactly one of --language NAME and --file PATH."));

    std::optional<SyntaxHighlighter::Language> chosen;
    if (parser.isSet(language)) {
        chosen = SyntaxHighlighter::languageNamed(parser.value(language));
        if (!chosen)
            return fail(QStringLiteral("Unknown language \"%1\": use %2.")
                            .arg(displayPath(parser.value(language)), languageNameList()));
    } else {
        chosen = SyntaxHighlighter::detect(parser.value(file)); // none: plain runs
    }

    QStringList lines = parser.positionalArguments();
    if (lines.isEmpty()) {
        // The lines are held as UTF-16 with their runs beside them, several times the
        // input's size.
        Expected<QByteArray> input = readStandardInput(MemoryBudget::available() / 16, QStringLiteral("colour"));
        if (!input)
            return fail(input.error().message);
        std::optional<QByteArray> text = FileParser::decode(std::move(input).value());
        lines = TextLines::split(std::move(text).value_or(QByteArray())).toStringList();
    }

    Sink sink;
    QByteArray& out = sink.buffer();
    out.append('[');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        QList<HighlightRun> runs;
        if (chosen)
            runs = SyntaxHighlighter::highlight(line, *chosen);
        else if (!line.isEmpty())
            runs.append({0, line.size(), std::nullopt});
        out.append(i > 0 ? ",[" : "[");
        for (qsizetype r = 0; r < runs.size(); ++r) {
            out.append(r > 0 ? ",{\"text\":" : "{\"text\":");
            const QByteArray text = QStringView(line).sliced(runs[r].start, runs[r].length).toUtf8();
            appendJsonString(out, QUtf8StringView(text));
            out.append(",\"role\":");
            if (runs[r].role)
                out.append('"' + roleName(*runs[r].role).toUtf8() + '"');
            else
                out.append("null");
            out.append('}');
        }
        out.append(']');
        sink.maybeFlush();
    }
    out.append("]\n");
    return kExitSame;
}

} // namespace varnel::cli
