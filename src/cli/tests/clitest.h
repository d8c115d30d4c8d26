// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// A fixture that runs the real varnel-cli binary in a temporary folder.

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace varnel::testing {

struct Outcome {
    int exitCode = -1;
    bool crashed = false; // ended by a signal
    QByteArray out;
    QByteArray err;
};

struct RunOptions {
    QByteArray input;
    QString folder;     // working folder; the test's own when empty
    QString outputFile; // standard output goes here when set
    std::optional<QProcessEnvironment> environment;
    QString program = QStringLiteral(VARNEL_CLI_PATH); // another program (sh) that runs the tool
    std::function<void()> childSetUp;                  // runs in the child before the program starts
};

class CliTest : public ::testing::Test {
protected:
    Outcome run(const QStringList& arguments, const QByteArray& input = {}, const QString& folder = {})
    {
        RunOptions options;
        options.input = input;
        options.folder = folder;
        return runWith(arguments, options);
    }

    Outcome runWith(const QStringList& arguments, const RunOptions& options)
    {
        QProcess process;
        if (!options.folder.isEmpty())
            process.setWorkingDirectory(options.folder);
        if (!options.outputFile.isEmpty())
            process.setStandardOutputFile(options.outputFile);
        if (options.environment)
            process.setProcessEnvironment(*options.environment);
        if (options.childSetUp)
            process.setChildProcessModifier(options.childSetUp);
        process.start(options.program, arguments);
        process.write(options.input);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(60000));
        return {process.exitCode(), process.exitStatus() == QProcess::CrashExit, process.readAllStandardOutput(),
                process.readAllStandardError()};
    }

    QString write(const QString& name, const QByteArray& data)
    {
        QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
        return path;
    }

    static QByteArray contents(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    }

    QTemporaryDir m_dir;
};

} // namespace varnel::testing
