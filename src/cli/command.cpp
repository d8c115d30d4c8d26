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

void addCompareOptions(QCommandLineParser& parser)
{
    Q_UNUSED(parser);
}

CompareOptions compareOptions(const QCommandLineParser& parser)
{
    Q_UNUSED(parser);
    return {};
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
