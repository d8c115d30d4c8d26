// varnel-cli: the comparison core without a window, for scripts, benchmarks and checks.
//
//   varnel-cli diff [--collapse] [--json | --stat] LEFT RIGHT
//   varnel-cli lines FILE
//   varnel-cli highlight (--language NAME | --file PATH) [LINE ...]
//   varnel-cli report [--changes-only] [--all-context] [-o OUT.pdf] LEFT RIGHT
//
// Exit status: 0 success (for diff: no changes), 1 differences found, 2 error.

#include "cli/jsonwriter.h"
#include "cli/output.h"
#include "compare/comparison.h"
#include "core/memorybudget.h"
#include "core/nativepath.h"
#include "highlight/syntaxhighlighter.h"
#include "readers/fileparser.h"
#include "report/exportservice.h"
#include "report/reportfile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

using namespace varnel;
using varnel::cli::appendJsonString;
using varnel::cli::Sink;
using varnel::cli::StandardOutput;

namespace {

constexpr int kExitSame = 0;
constexpr int kExitDifferent = 1;
constexpr int kExitError = 2;

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

// Paths arrive as exact bytes (see core/nativepath.h) and are made absolute here.
FileItem fileItem(const QString& path)
{
    return FileItem::fromUrl(fileUrl(absolutePath(path)));
}

void appendNumber(QByteArray& out, std::optional<qint64> number)
{
    if (number)
        out.append(QByteArray::number(*number));
    else
        out.append("null");
}

const char* typeName(DiffLineType type)
{
    switch (type) {
    case DiffLineType::contextCollapsed: return "collapsed";
    case DiffLineType::added: return "added";
    case DiffLineType::removed: return "removed";
    case DiffLineType::unchanged: return "unchanged";
    }
    return "unchanged";
}

// {"encoding":"utf-8","byteOrderMark":false,"lineEnds":"crlf","finalNewline":true}
void appendFormat(QByteArray& out, const TextFormat& format)
{
    out.append("{\"encoding\":\"" + format.encodingKey().toLatin1() + "\",\"byteOrderMark\":" +
               (format.byteOrderMark ? "true" : "false") + ",\"lineEnds\":\"" + format.lineEndsKey().toLatin1() +
               "\",\"finalNewline\":" + (format.finalLineEnd ? "true" : "false") + '}');
}

// The result, then (for text files) how each file was written, under "files".
void printJson(const DiffResult& result, const TextFormats& formats)
{
    Sink sink;
    QByteArray& out = sink.buffer();
    out.append("{\"addedCount\":" + QByteArray::number(result.addedCount()) +
               ",\"removedCount\":" + QByteArray::number(result.removedCount()) +
               ",\"modifiedCount\":" + QByteArray::number(result.modifiedCount()) + ",\"lines\":[");
    bool first = true;
    for (const DiffLine& line : result.lines()) {
        if (!first)
            out.append(',');
        first = false;
        out.append("{\"type\":\"");
        out.append(typeName(line.type()));
        out.append("\",\"left\":");
        appendNumber(out, line.leftLineNumber());
        out.append(",\"right\":");
        appendNumber(out, line.rightLineNumber());
        out.append(",\"content\":");
        appendJsonString(out, line.content());
        if (const std::optional<qint64> hidden = line.hiddenCount())
            out.append(",\"hiddenCount\":" + QByteArray::number(*hidden));
        out.append('}');
        sink.maybeFlush();
    }
    out.append(']');
    if (formats.left && formats.right) {
        out.append(",\"files\":{\"left\":");
        appendFormat(out, *formats.left);
        out.append(",\"right\":");
        appendFormat(out, *formats.right);
        out.append('}');
    }
    out.append("}\n");
}

// Parses a subcommand's arguments; gives the exit status when there is nothing more to do
// (a usage error, or --help printed).
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

QByteArray hiddenLabel(qint64 count)
{
    return QByteArray::number(count) + (count == 1 ? " unchanged line hidden" : " unchanged lines hidden");
}

// One row per line: marker, left number, right number, content.
void printListing(const DiffResult& result)
{
    const qint64 widest = std::max<qint64>({1, result.original()->size(), result.revised()->size()});
    const qsizetype width = QByteArray::number(widest).size();
    const auto column = [width](QByteArray& out, std::optional<qint64> number) {
        const QByteArray digits = number ? QByteArray::number(*number) : QByteArray();
        out.append(QByteArray(width - digits.size(), ' '));
        out.append(digits);
    };

    Sink sink;
    QByteArray& out = sink.buffer();
    for (const DiffLine& line : result.lines()) {
        switch (line.type()) {
        case DiffLineType::added: out.append('+'); break;
        case DiffLineType::removed: out.append("\xE2\x88\x92"); break; // U+2212 MINUS SIGN
        case DiffLineType::unchanged: out.append(' '); break;
        case DiffLineType::contextCollapsed: out.append("\xE2\x80\xA6"); break; // U+2026 ELLIPSIS
        }
        out.append(' ');
        column(out, line.leftLineNumber());
        out.append(' ');
        column(out, line.rightLineNumber());
        out.append(' ');
        if (const std::optional<qint64> hidden = line.hiddenCount())
            out.append(hiddenLabel(*hidden));
        else
            out.append(line.content().data(), line.content().size());
        out.append('\n');
        sink.maybeFlush();
    }
}

int runDiff(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Compare two files line by line."));
    parser.addHelpOption();
    const QCommandLineOption collapse(QStringLiteral("collapse"),
                                      QStringLiteral("Fold unchanged lines far from any change."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print the result as JSON."));
    const QCommandLineOption stat(QStringLiteral("stat"), QStringLiteral("Print only the three counts."));
    parser.addOptions({collapse, json, stat});
    parser.addPositionalArgument(QStringLiteral("LEFT"), QStringLiteral("The original file."));
    parser.addPositionalArgument(QStringLiteral("RIGHT"), QStringLiteral("The revised file."));
    if (const std::optional<int> exit = parseOrExit(parser, arguments))
        return *exit;
    if (parser.isSet(json) && parser.isSet(stat))
        return fail(QStringLiteral("--json and --stat cannot be used together."));
    const QStringList files = parser.positionalArguments();
    if (files.size() != 2)
        return fail(
            QStringLiteral("diff needs exactly two files: varnel-cli diff [--collapse] [--json | --stat] LEFT RIGHT"));

    // The same comparison the window runs: same kinds only, each with its reader.
    TextFormats formats;
    const Expected<DiffResult> outcome =
        Comparison::performOne(fileItem(files[0]), fileItem(files[1]), parser.isSet(collapse), &formats);
    if (!outcome)
        return fail(outcome.error().message);
    const DiffResult& result = outcome.value();
    if (parser.isSet(stat)) {
        writeOut("added=" + QByteArray::number(result.addedCount()) +
                 " removed=" + QByteArray::number(result.removedCount()) +
                 " modified=" + QByteArray::number(result.modifiedCount()) + '\n');
    } else if (parser.isSet(json)) {
        printJson(result, formats);
    } else {
        printListing(result);
    }
    return result.hasChanges() ? kExitDifferent : kExitSame;
}

int runLines(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Print the lines Varnel compares for a file, as JSON."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The file to read."));
    if (const std::optional<int> exit = parseOrExit(parser, arguments))
        return *exit;
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        return fail(QStringLiteral("lines needs exactly one file: varnel-cli lines FILE"));

    const Expected<TextLines> lines = Comparison::readLines(fileItem(files[0]));
    if (!lines)
        return fail(lines.error().message);
    Sink sink;
    QByteArray& out = sink.buffer();
    out.append('[');
    for (qsizetype i = 0; i < lines.value().size(); ++i) {
        if (i > 0)
            out.append(',');
        appendJsonString(out, lines.value().utf8(i));
        sink.maybeFlush();
    }
    out.append("]\n");
    return kExitSame;
}

// All of standard input, up to what memory allows: /dev/zero, for one, never ends. The
// lines are held as UTF-16 with their runs beside them, several times the input's size.
Expected<QByteArray> readStandardInput()
{
    const qint64 limit = MemoryBudget::available() / 16;
    QByteArray data;
    char chunk[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return Error{Error::Kind::fileUnreadable, QStringLiteral("Standard input could not be read: %1.")
                                                          .arg(QString::fromLocal8Bit(std::strerror(errno)))};
        }
        if (got == 0)
            return data;
        if (data.size() + got > limit) {
            return Error{Error::Kind::tooLarge, QStringLiteral("Standard input is too large to colour: more than %1.")
                                                    .arg(MemoryBudget::formatSize(limit))};
        }
        data.append(chunk, got);
    }
}

// Prints, for each line, the runs the window colours: [{"text":"…","role":"keyword"|…|null}].
int runHighlight(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Print the syntax colouring of lines as JSON."));
    parser.addHelpOption();
    const QCommandLineOption language(QStringLiteral("language"),
                                      QStringLiteral("json, xml, python, javascript, tsx or ruby."),
                                      QStringLiteral("NAME"));
    const QCommandLineOption file(QStringLiteral("file"), QStringLiteral("Choose the language from this file name."),
                                  QStringLiteral("PATH"));
    parser.addOptions({language, file});
    parser.addPositionalArgument(QStringLiteral("LINE"), QStringLiteral("Lines to colour; standard input if none."),
                                 QStringLiteral("[LINE...]"));
    if (const std::optional<int> exit = parseOrExit(parser, arguments))
        return *exit;
    if (parser.isSet(language) == parser.isSet(file))
        return fail(QStringLiteral("highlight needs exactly one of --language NAME and --file PATH."));

    std::optional<SyntaxHighlighter::Language> chosen;
    if (parser.isSet(language)) {
        chosen = SyntaxHighlighter::languageNamed(parser.value(language));
        if (!chosen)
            return fail(QStringLiteral("Unknown language \"%1\": use json, xml, python, javascript, tsx or ruby.")
                            .arg(parser.value(language)));
    } else {
        chosen = SyntaxHighlighter::detect(parser.value(file)); // none: plain runs
    }

    QStringList lines = parser.positionalArguments();
    if (lines.isEmpty()) {
        Expected<QByteArray> input = readStandardInput();
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

// Renders the comparison of two files as the PDF report the window exports.
int runReport(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Write the comparison of two files as a PDF report."));
    parser.addHelpOption();
    const QCommandLineOption changesOnly(QStringLiteral("changes-only"),
                                         QStringLiteral("Leave unchanged lines and placeholders out."));
    const QCommandLineOption allContext(QStringLiteral("all-context"),
                                        QStringLiteral("Show every unchanged line instead of folding them."));
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Where to write the report (default: \"LEFT vs RIGHT.pdf\")."),
                                    QStringLiteral("OUT.pdf"));
    parser.addOptions({changesOnly, allContext, output});
    parser.addPositionalArgument(QStringLiteral("LEFT"), QStringLiteral("The original file."));
    parser.addPositionalArgument(QStringLiteral("RIGHT"), QStringLiteral("The revised file."));
    if (const std::optional<int> exit = parseOrExit(parser, arguments))
        return *exit;
    const QStringList files = parser.positionalArguments();
    if (files.size() != 2)
        return fail(QStringLiteral("report needs exactly two files: varnel-cli report [--changes-only] "
                                   "[--all-context] [-o OUT.pdf] LEFT RIGHT"));

    const FileItem left = fileItem(files[0]);
    const FileItem right = fileItem(files[1]);
    const Expected<DiffResult> outcome = Comparison::performOne(left, right, !parser.isSet(allContext));
    if (!outcome)
        return fail(outcome.error().message);
    // The default name keeps the files' own bytes; the header shows them readably.
    const auto baseName = [](const QString& path) { return path.sliced(path.lastIndexOf(u'/') + 1); };
    const QString target = parser.isSet(output)
                               ? parser.value(output)
                               : QStringLiteral("%1 vs %2.pdf").arg(baseName(files[0]), baseName(files[1]));
    const std::optional<QByteArray> pdf =
        ExportService::render(outcome.value(), left.name, right.name, !parser.isSet(changesOnly));
    if (!pdf)
        return fail(QStringLiteral("The report \"%1\" could not be made.").arg(displayPath(target)));

    // "-" is standard output; so is any device or FIFO, written in place and never
    // replaced. A compared file is never overwritten.
    if (target == u"-") {
        writeOut(*pdf);
        return kExitSame;
    }
    const QStringList inputs{localPath(left.url), localPath(right.url)};
    if (const std::optional<Error> error =
            ReportFile::write(target, *pdf, inputs, ReportFile::NotRegular::writeInPlace))
        return fail(error->message);
    return kExitSame;
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
                          "                 Write the comparison as a PDF report.\n\n"
                          "Options:\n"
                          "  -h, --help     Show this help, or a command's with COMMAND --help.\n"
                          "  -v, --version  Show the version.\n");
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
    // Nothing but the tool's own output reaches the terminal: Qt's and Poppler's
    // diagnostics are dropped.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});

    // The arguments keep their exact bytes (file names need not be UTF-8), and Qt sees
    // only the program's name, so it takes none of them for an option of its own.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << pathFromNative(argv[i]);
    int qtArgc = 1;

    // Drawing the report needs fonts, which need a GUI application; it never needs a
    // display.
    const bool needsFonts = arguments.value(1) == u"report";
    std::unique_ptr<QCoreApplication> application;
    if (needsFonts) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
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
