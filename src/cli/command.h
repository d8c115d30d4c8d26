// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// What every varnel-cli command shares: exit statuses, output, errors, argument parsing.

#include "core/compareoptions.h"
#include "readers/filetypedetector.h"

#include <QByteArrayView>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <optional>

namespace varnel::cli {

constexpr int kExitSame = 0;
constexpr int kExitDifferent = 1;
constexpr int kExitError = 2;

void writeOut(QByteArrayView bytes);

// Prints the message on standard error; gives the error status.
int fail(const QString& message);

// Paths arrive as exact bytes (see core/nativepath.h) and are made absolute here.
FileItem fileItem(const QString& path);

// A subcommand's help: Qt's, with a usage line that names the command
// ("Usage: varnel-cli report [options] LEFT RIGHT").
QString commandHelp(const QCommandLineParser& parser, QStringView command);

// Parses the arguments of `command`; gives the exit status when there is nothing more to
// do (a usage error, or --help printed).
std::optional<int> parseOrExit(QCommandLineParser& parser, const QStringList& arguments, QStringView command);

// The flags that say how lines are compared, for every command that compares, and the
// options they ask for: -i, -Z, -b, -w, -B and -I RE (repeatable).
void addCompareOptions(QCommandLineParser& parser);
CompareOptions compareOptions(const QCommandLineParser& parser);
// Prints why the options cannot be used (an invalid pattern, named with the position) and
// gives the error status; nothing when they can.
std::optional<int> refuseCompareOptions(const CompareOptions& options);

// The commands; each takes "varnel-cli OPTIONS..." and gives the exit status.
int runDiff(const QStringList& arguments);
int runLines(const QStringList& arguments);
int runHighlight(const QStringList& arguments);
int runReport(const QStringList& arguments);

} // namespace varnel::cli
