// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

namespace varnel {

// What `varnel [--wait] [FILE...]` asks for. The window's command line takes no toolkit
// options: the display and style come from the environment (QT_QPA_PLATFORM, …), so a
// file is never taken for an option of Qt's.
struct CommandLine {
    enum class Action { open, help, version, error };

    Action action = Action::open;
    // Absolute paths with the arguments' exact bytes (core/nativepath.h), in the order
    // given (made absolute here, in the process that was started from the user's folder).
    QStringList files;
    // Open the files in a window of this process and return when that window closes
    // (for `git difftool`, which deletes its files as soon as the tool exits).
    bool wait = false;
    // The names shown for the files instead of their own (`--label`, up to two: the first
    // for the first file): git passes temporary copies, and the labels carry the real path.
    QStringList labels;
    // Print when the first frame of a diff has been painted, and how long each later frame
    // of a diff view took to paint (for the benchmarks; this process opens its own window).
    bool benchmarkFirstPaint = false;
    // For Action::error: what to print before the usage. Empty for other actions.
    QString error;
    // The process's exit code for help, version and errors.
    int exitCode = 0;
};

// Reads the arguments after the program's name. Options may come anywhere; "--" ends
// them. An unknown option, a `--label` without its value and a third label are errors
// with exit code 2; a file that cannot be opened (missing, a folder, unreadable) is an
// error with exit code 1 naming the file and the reason. The arguments come from commandLineArguments(); relative paths
// are put after `workingDirectory` (absolutePath()).
CommandLine parseCommandLine(const QStringList& arguments, const QString& workingDirectory);

// "Usage: varnel [--wait] [--label LABEL]... [FILE...]" and the options, ending in a
// line feed. The benchmarks' option is left out: it is no concern of the people using it.
QString commandLineUsage();

} // namespace varnel
