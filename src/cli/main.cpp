// SPDX-License-Identifier: GPL-3.0-or-later

// varnel-cli: the comparison core without a window, for scripts, benchmarks and checks.
//
//   varnel-cli diff [--collapse] [--json | --stat] LEFT RIGHT
//   varnel-cli lines FILE
//   varnel-cli highlight (--language NAME | --file PATH) [LINE ...]
//   varnel-cli report [--changes-only] [--all-context] [-o OUT.pdf] LEFT RIGHT
//
// Exit status: 0 success (for diff: no changes), 1 differences found, 2 error.

#include "cli/command.h"
#include "cli/output.h"
#include "core/nativepath.h"
#include "core/standardstreams.h"
#include "readers/filekinds.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

using namespace varnel;
using namespace varnel::cli;

namespace {

// The extensions the readers accept, from their table, wrapped to the help's width.
QString acceptedFiles()
{
    QString text = QStringLiteral("Files are read by their extension:");
    QString line = QStringLiteral("\n ");
    for (const FileKind& kind : fileKinds()) {
        const QString word = u' ' + QString::fromUtf16(kind.extension);
        if (line.size() + word.size() > 80) {
            text += line;
            line = QStringLiteral("\n ");
        }
        line += word;
    }
    return text + line +
           QStringLiteral("\nAny other file is read as text when its first 64 KiB look like text, and is\n"
                          "otherwise refused as a binary file.\n");
}

QString usage()
{
    return QStringLiteral("Usage: varnel-cli COMMAND [OPTIONS] ...\n"
                          "Compare files line by line.\n\n"
                          "Commands:\n"
                          "  diff [--collapse] [--json | --stat] LEFT RIGHT\n"
                          "                 Compare two files of the same kind (text, PDF or DOCX).\n"
                          "                 Exit 0: same, 1: different, 2: error.\n"
                          "  lines FILE     Print the lines compared for FILE (text, PDF or DOCX) as a\n"
                          "                 JSON array.\n"
                          "  highlight (--language NAME | --file PATH) [LINE ...]\n"
                          "                 Print the syntax colouring of each line (or of standard\n"
                          "                 input) as JSON.\n"
                          "  report [--changes-only] [--all-context] [-o OUT.pdf] LEFT RIGHT\n"
                          "                 Write the comparison as a PDF report.\n"
                          "  diff and report also take GNU diff's -i, -Z, -b, -w, -B and -I RE, which\n"
                          "  ignore case, white space, blank lines and lines matching RE.\n\n"
                          "Options:\n"
                          "  -h, --help     Show this help, or a command's with COMMAND --help.\n"
                          "  -v, --version  Show the version.\n\n") +
           acceptedFiles();
}

// Qt's GUI start-up makes itself a runtime folder ("runtime-USER" in the temporary
// folder) when XDG_RUNTIME_DIR names no usable one. The tool creates nothing but its
// output, so it lends Qt a private folder for the start-up and removes it right after.
class BorrowedRuntimeFolder {
public:
    BorrowedRuntimeFolder()
    {
        const QByteArray current = qgetenv("XDG_RUNTIME_DIR");
        struct stat status {};
        if (!current.isEmpty() && ::stat(current.constData(), &status) == 0 && S_ISDIR(status.st_mode) &&
            status.st_uid == ::geteuid() && (status.st_mode & 07777) == 0700)
            return; // a proper one: Qt uses it as it is
        QByteArray base = qgetenv("TMPDIR");
        if (base.isEmpty())
            base = "/tmp";
        QByteArray folder = base + "/varnel-cli-XXXXXX";
        if (::mkdtemp(folder.data()) == nullptr)
            return;
        m_folder = folder;
        m_previous = current;
        m_hadPrevious = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", m_folder);
    }
    ~BorrowedRuntimeFolder()
    {
        if (m_folder.isEmpty())
            return;
        ::rmdir(m_folder.constData());
        if (m_hadPrevious)
            qputenv("XDG_RUNTIME_DIR", m_previous);
        else
            qunsetenv("XDG_RUNTIME_DIR");
    }
    BorrowedRuntimeFolder(const BorrowedRuntimeFolder&) = delete;
    BorrowedRuntimeFolder& operator=(const BorrowedRuntimeFolder&) = delete;

private:
    QByteArray m_folder;
    QByteArray m_previous;
    bool m_hadPrevious = false;
};

int run(QStringList arguments)
{
    const QString command = arguments.value(1);
    if (command == u"--help" || command == u"-h") {
        writeOut(usage().toUtf8());
        return kExitSame;
    }
    if (command == u"--version" || command == u"-v") {
        writeOut("varnel-cli " VARNEL_VERSION "\n");
        return kExitSame;
    }
    if (command.isEmpty())
        return fail(usage());
    arguments.removeAt(1); // the parsers below see "varnel-cli OPTIONS..."
    if (command == u"diff")
        return runDiff(arguments);
    if (command == u"lines")
        return runLines(arguments);
    if (command == u"highlight")
        return runHighlight(arguments);
    if (command == u"report")
        return runReport(arguments);
    return fail(QStringLiteral("Unknown command \"%1\".\n").arg(displayPath(command)) + usage());
}

} // namespace

int main(int argc, char* argv[])
{
    // Before Qt opens anything: output to a closed standard output fails as it should,
    // instead of landing in whatever took descriptor 1.
    holdStandardDescriptors();

    // Qt's warnings, errors and fatal messages go to standard error under the tool's
    // name (a fatal one is the only word of a crash); its chatter (debug, info) does not.
    // Poppler's diagnostics are silenced by the PDF reader.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtDebugMsg || type == QtInfoMsg)
            return;
        const QByteArray line = "varnel-cli: " + message.toUtf8() + '\n';
        std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
    });

    // The arguments keep their exact bytes (file names need not be UTF-8), and Qt sees
    // only the program's name, so it takes none of them for an option of its own.
    QStringList arguments = commandLineArguments(argc, argv);
    int qtArgc = 1;

    // Drawing the report needs fonts, which need a GUI application; it never needs a
    // display, so it never asks for one, whatever the environment names (over ssh,
    // QT_QPA_PLATFORM=xcb without a display would end the process).
    const bool needsFonts = arguments.value(1) == u"report";
    std::unique_ptr<QCoreApplication> application;
    if (needsFonts) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        const BorrowedRuntimeFolder runtime;
        application = std::make_unique<QGuiApplication>(qtArgc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(qtArgc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("varnel-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VARNEL_VERSION));

    int status = kExitError;
    try {
        status = run(std::move(arguments));
    } catch (const std::bad_alloc&) {
        // The comparison catches its own; this is the rest (output, the report).
        status = fail(QStringLiteral("There is not enough memory to finish."));
    }
    if (const std::optional<QString> reason = StandardOutput::finish()) {
        QString why = *reason;
        while (why.endsWith(u'.'))
            why.chop(1);
        return fail(QStringLiteral("Standard output could not be written: %1.").arg(why));
    }
    return status;
}
