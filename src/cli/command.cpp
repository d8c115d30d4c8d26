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

std::optional<int> parseOrExit(QCommandLineParser& parser, const QStringList& arguments)
{
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        writeOut(parser.helpText().toUtf8());
        return kExitSame;
    }
    return std::nullopt;
}

} // namespace varnel::cli
