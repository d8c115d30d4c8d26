// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/commandline.h"

#include "core/nativepath.h"

#include <QUrl>

#include <sys/stat.h>
#include <unistd.h>

namespace varnel {

namespace {

// A file given as a path or as a file: URL (what some launchers pass), made absolute.
QString filePath(const QString& argument, const QString& workingDirectory)
{
    if (argument.startsWith(u"file:")) {
        const QUrl url(argument);
        if (url.isLocalFile())
            return absolutePath(localPath(url), workingDirectory);
    }
    return absolutePath(argument, workingDirectory);
}

// Why `path` cannot be compared, or an empty string when it can be read.
QString unreadableReason(const QString& path)
{
    const QByteArray native = nativePath(path);
    struct stat status {};
    if (::stat(native.constData(), &status) != 0)
        return QStringLiteral("No such file");
    if (S_ISDIR(status.st_mode))
        return QStringLiteral("It is a folder. Varnel compares two files, not folders; with git, run "
                              "git difftool without -d (--dir-diff), which opens one window per changed file");
    if (::access(native.constData(), R_OK) != 0)
        return QStringLiteral("Permission denied");
    return {};
}

CommandLine failure(int exitCode, const QString& error)
{
    CommandLine result;
    result.action = CommandLine::Action::error;
    result.exitCode = exitCode;
    result.error = error;
    return result;
}

} // namespace

QString commandLineUsage()
{
    return QStringLiteral("Usage: varnel [--wait] [--label LABEL]... [FILE...]\n"
                          "Compare files line by line: the first FILE opens on the left, the second on the right.\n"
                          "Files go to the window of Varnel already running, if there is one.\n\n"
                          "Options:\n"
                          "  --wait         Open the files in a new window and return when it closes\n"
                          "                 (for git difftool). Closing the comparison closes the window.\n"
                          "                 The comparison is not added to the recent comparisons.\n"
                          "  --label LABEL  Show LABEL instead of the file's name, in the window and its\n"
                          "                 reports: the first for the first file, the second for the\n"
                          "                 second. With a label the files open in a window of this process.\n"
                          "  -h, --help     Show this help.\n"
                          "  -v, --version  Show the version.\n");
}

CommandLine parseCommandLine(const QStringList& arguments, const QString& workingDirectory)
{
    CommandLine result;
    bool optionsEnded = false;
    for (qsizetype index = 0; index < arguments.size(); ++index) {
        const QString& argument = arguments[index];
        const bool isOption = !optionsEnded && argument.startsWith(u'-') && argument != u"-";
        if (!isOption) {
            result.files.append(filePath(argument, workingDirectory));
            continue;
        }
        if (argument == u"--") {
            optionsEnded = true;
        } else if (argument == u"--wait") {
            result.wait = true;
        } else if (argument == u"--label" || argument.startsWith(u"--label=")) {
            if (argument == u"--label" && index + 1 == arguments.size())
                return failure(2, QStringLiteral("varnel: option '--label' needs a value"));
            if (result.labels.size() == 2)
                return failure(2, QStringLiteral("varnel: at most two labels, one for each file"));
            result.labels.append(argument == u"--label" ? arguments[++index] : argument.sliced(8));
        } else if (argument == u"--benchmark-first-paint") {
            result.benchmarkFirstPaint = true;
        } else if (argument == u"-h" || argument == u"--help") {
            result.action = CommandLine::Action::help;
        } else if (argument == u"-v" || argument == u"--version") {
            if (result.action != CommandLine::Action::help)
                result.action = CommandLine::Action::version;
        } else {
            return failure(2, QStringLiteral("varnel: unknown option '%1'").arg(displayPath(argument)));
        }
    }
    if (result.action != CommandLine::Action::open)
        return result;
    for (const QString& file : std::as_const(result.files)) {
        const QString reason = unreadableReason(file);
        if (!reason.isEmpty())
            return failure(1, QStringLiteral("varnel: cannot open '%1': %2").arg(displayPath(file), reason));
    }
    return result;
}

} // namespace varnel
