// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/command.h"

#include "cli/output.h"
#include "core/nativepath.h"

#include <cstdio>

namespace varnel::cli {

void writeOut(QByteArrayView bytes)
{
    StandardOutput::write(bytes);
}

int fail(const QString& message)
{
    const QByteArray text = message.toUtf8() + '\n';
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    return kExitError;
}

FileItem fileItem(const QString& path)
{
    return FileItem::fromUrl(fileUrl(absolutePath(path)));
}

// GNU diff's letters and names, so that people who know diff know these.
void addCompareOptions(QCommandLineParser& parser)
{
    const auto flag = [&](const char* letter, const char* name, const char* description) {
        parser.addOption(QCommandLineOption(QStringList{QString::fromLatin1(letter), QString::fromLatin1(name)},
                                            QString::fromLatin1(description)));
    };
    flag("i", "ignore-case", "Ignore differences in letter case.");
    flag("Z", "ignore-trailing-space", "Ignore white space at line end.");
    flag("b", "ignore-space-change", "Ignore changes in the amount of white space.");
    flag("w", "ignore-all-space", "Ignore all white space.");
    flag("B", "ignore-blank-lines", "Ignore changes whose lines are all blank.");
    parser.addOption(QCommandLineOption(
        QStringList{QStringLiteral("I"), QStringLiteral("ignore-matching-lines")},
        QStringLiteral("Ignore changes whose lines all match RE (a PCRE2 pattern; may be repeated)."),
        QStringLiteral("RE")));
}

CompareOptions compareOptions(const QCommandLineParser& parser)
{
    CompareOptions options;
    options.ignoreCase = parser.isSet(QStringLiteral("ignore-case"));
    options.ignoreTrailingSpace = parser.isSet(QStringLiteral("ignore-trailing-space"));
    options.ignoreSpaceChange = parser.isSet(QStringLiteral("ignore-space-change"));
    options.ignoreAllSpace = parser.isSet(QStringLiteral("ignore-all-space"));
    options.ignoreBlankLines = parser.isSet(QStringLiteral("ignore-blank-lines"));
    options.ignoreMatching = parser.values(QStringLiteral("ignore-matching-lines"));
    return options;
}

std::optional<int> refuseCompareOptions(const CompareOptions& options)
{
    for (const QString& pattern : options.ignoreMatching) {
        if (const std::optional<QString> error = patternError(pattern))
            return fail(*error);
    }
    return std::nullopt;
}

QString commandHelp(const QCommandLineParser& parser, QStringView command)
{
    // Qt's first line, "Usage: PROGRAM [options] ...", names the program alone: the command
    // goes after it, so that the line can be copied as it stands.
    QString text = parser.helpText();
    const qsizetype options = text.indexOf(u" [options]");
    const qsizetype lineEnd = text.indexOf(u'\n');
    if (text.startsWith(u"Usage: ") && options > 0 && options < lineEnd)
        text.replace(0, options, QStringLiteral("Usage: varnel-cli ") + command.toString());
    return text;
}

std::optional<int> parseOrExit(QCommandLineParser& parser, const QStringList& arguments, QStringView command)
{
    if (!parser.parse(arguments))
        return fail(displayPath(parser.errorText()) + QStringLiteral("\nSee: varnel-cli %1 --help").arg(command));
    if (parser.isSet(QStringLiteral("help"))) {
        writeOut(commandHelp(parser, command).toUtf8());
        return kExitSame;
    }
    return std::nullopt;
}

} // namespace varnel::cli
