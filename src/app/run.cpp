// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/run.h"

#include "app/about.h"
#include "app/application.h"
#include "app/commandline.h"
#include "app/painttiming.h"
#include "app/portalfilechooser.h"
#include "app/singleinstance.h"
#include "core/nativepath.h"

#include <QApplication>
#include <QIcon>
#include <QLockFile>

#include <unistd.h>

#include <cstdio>
#include <memory>

namespace varnel {

namespace {

void print(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
}

// Ends the process once its last window has closed. Preferences and recents are saved as
// they change; what may still run is a worker reading or comparing for a window that is
// gone, and QApplication's destructor would wait for it (a large document takes minutes).
// Nothing it computes will be used, so the process ends without waiting.
[[noreturn]] void finish(int code, instance::Server& server)
{
    server.close();
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(code);
}

} // namespace

int runVarnel(int argc, char* argv[])
{
    QStringList arguments = commandLineArguments(argc, argv);
    arguments.removeFirst(); // the program's name
    const CommandLine command = parseCommandLine(arguments, currentFolder());
    switch (command.action) {
    case CommandLine::Action::help: print(stdout, commandLineUsage()); return 0;
    case CommandLine::Action::version: print(stdout, QStringLiteral("varnel %1\n").arg(applicationVersion())); return 0;
    case CommandLine::Action::error:
        print(stderr, command.error + u'\n');
        if (command.exitCode == 2)
            print(stderr, commandLineUsage());
        return command.exitCode;
    case CommandLine::Action::open: break;
    }

    // Hand the files to this user's running Varnel, if there is one. The lock keeps two
    // starting at once from both deciding that they are the first.
    std::optional<QString> socket;
    std::unique_ptr<QLockFile> lock;
    const bool ownWindow = command.wait || command.benchmarkFirstPaint || !command.labels.isEmpty();
    if (!ownWindow) {
        if (const std::optional<QString> folder = instance::folder()) {
            socket = instance::socketPath(*folder);
            lock = std::make_unique<QLockFile>(*socket + QStringLiteral(".lock"));
            lock->tryLock(instance::kTimeoutMs);
            QString error;
            switch (instance::handOver(*socket, command.files, instance::kTimeoutMs, &error)) {
            case instance::HandOver::delivered: return 0;
            case instance::HandOver::noInstance: break;
            case instance::HandOver::failed:
                // A Varnel is running: starting another beside it would take its socket.
                print(stderr, QStringLiteral("varnel: cannot hand the files to the running Varnel: %1\n").arg(error));
                return 1;
            }
        }
    }

    // The toolkit takes no options from our command line: a file named "-style" is a file.
    int qtArgc = 1;
    const std::unique_ptr<QApplication> qtApplication =
        command.benchmarkFirstPaint ? std::make_unique<PaintTimingApplication>(qtArgc, argv, stdout)
                                    : std::make_unique<QApplication>(qtArgc, argv);
    QApplication& qt = *qtApplication;
    QApplication::setApplicationName(QStringLiteral("Varnel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Varnel"));
    QApplication::setApplicationVersion(applicationVersion());
    QGuiApplication::setDesktopFileName(QStringLiteral("example.varnel.Varnel"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/varnel/app/varnel.svg")));

    Application application;
    application.setReportHandler(exportPresenterHandler());
    PortalFileChooser::useForOpenDialogs();
    instance::Server server;
    if (socket) {
        if (lock->isLocked() && server.listen(*socket))
            QObject::connect(&server, &instance::Server::openRequested, &application, &Application::requestOpen);
        lock->unlock();
    }

    if (command.wait) {
        // git difftool deletes the files once we return: stay until this window closes.
        MainWindow* window = application.openInNewWindow(command.files, command.labels);
        window->setOneComparison();
        QObject::connect(window, &QObject::destroyed, &qt, &QCoreApplication::quit);
    } else if (!command.labels.isEmpty()) {
        // Labels belong to these files: they open here rather than in another process.
        application.openInNewWindow(command.files, command.labels);
    } else {
        application.open(command.files);
    }
    finish(QApplication::exec(), server);
}

} // namespace varnel
