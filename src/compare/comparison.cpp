// SPDX-License-Identifier: GPL-3.0-or-later

#include "compare/comparison.h"

#include "core/fileextension.h"
#include "core/memorybudget.h"
#include "core/nativepath.h"
#include "readers/docxparser.h"
#include "readers/fileparser.h"
#include "readers/pdfparser.h"

#include <QLocale>

#include <sys/stat.h>

#include <new>

namespace varnel {

namespace {

// Working memory of the engine per line of either document, beyond the text itself: the
// line table (8 bytes), the line ids (4), the interner's table and representatives (up to
// 24), the engine's lists of lines with a partner (8). Rows cost nothing per line: a
// result stores runs of rows, not rows.
constexpr qint64 kEngineBytesPerLine = 44;
// Before reading, the number of lines is unknown; source code averages well above this.
constexpr qint64 kAssumedBytesPerLine = 16;

qint64 fileSize(const FileItem& file)
{
    if (file.held)
        return file.held->bytes.size();
    struct stat status {};
    if (::stat(nativePath(filePath(file.url)).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return 0; // the reader reports why
    return qint64(status.st_size);
}

qint64 saturatingAdd(qint64 a, qint64 b)
{
    return a > std::numeric_limits<qint64>::max() - b ? std::numeric_limits<qint64>::max() : a + b;
}

qint64 saturatingMultiply(qint64 a, qint64 b)
{
    return b != 0 && a > std::numeric_limits<qint64>::max() / b ? std::numeric_limits<qint64>::max() : a * b;
}

// The memory reading one file and diffing its lines takes, from its size alone.
qint64 estimateFile(DiffMode::Kind kind, qint64 size)
{
    switch (kind) {
    case DiffMode::Kind::text:
        // The bytes, their decoded text (in place for UTF-8) and the per-line tables.
        return saturatingAdd(saturatingMultiply(size, 2),
                             saturatingMultiply(size / kAssumedBytesPerLine, kEngineBytesPerLine));
    case DiffMode::Kind::docx:
        // The archive, and the document part (bounded) with the parser's text beside it.
        return saturatingAdd(size, 3 * std::min(saturatingMultiply(size, 10), DOCXParser::kMaxPartSize));
    case DiffMode::Kind::pdf: return saturatingMultiply(size, 3); // the file and Poppler's objects
    case DiffMode::Kind::unsupported: break;
    }
    return size;
}

Error tooLarge(const FileItem& file, qint64 size, qint64 need, qint64 available)
{
    return Error{Error::Kind::tooLarge,
                 QStringLiteral("%1 is too large to compare: it is %2, and comparing it needs about "
                                "%3 of memory, more than the %4 available.")
                     .arg(file.subject(), MemoryBudget::formatSize(size), MemoryBudget::formatSize(need),
                          MemoryBudget::formatSize(available))};
}

Error outOfMemory(const FileItem& left, const FileItem& right)
{
    return Error{Error::Kind::outOfMemory,
                 QStringLiteral("There is not enough memory to compare \"%1\" and \"%2\".").arg(left.name, right.name)};
}

// Why `file` cannot be read: what the inspection of its content says (a folder, a binary
// file, an unreadable one).
Error refusal(const FileItem& file)
{
    const Expected<DiffMode> mode = FileTypeDetector::inspect(filePath(file.url));
    if (!mode)
        return mode.error();
    return Error{Error::Kind::unsupportedType, QStringLiteral("The file \"%1\" is not supported.").arg(file.name)};
}

struct Documents {
    SharedLines original;
    SharedLines revised;
    TextFormats formats;
};

// Both files of a comparison, read left first, when they are of the same kind and the
// comparison fits in memory.
Expected<Documents> readBoth(const FileItem& left, const FileItem& right, const CancelCheck& cancel)
{
    for (const FileItem* file : {&left, &right}) {
        if (file->mode.kind() == DiffMode::Kind::unsupported)
            return refusal(*file);
    }
    if (left.mode.kind() != right.mode.kind())
        return Comparison::incompatibleTypes(left.mode, right.mode);
    const qint64 available = MemoryBudget::available();
    if (std::optional<Error> refusal = Comparison::checkSizes(left, fileSize(left), right, fileSize(right), available))
        return *std::move(refusal);
    TextFormats formats;
    Expected<TextLines> original = Comparison::readLines(left, cancel, &formats.left);
    if (!original)
        return original.error();
    Expected<TextLines> revised = Comparison::readLines(right, cancel, &formats.right);
    if (!revised)
        return revised.error();
    if (std::optional<Error> refusal =
            Comparison::checkLines(left, original.value(), right, revised.value(), available))
        return *std::move(refusal);
    return Documents{TextLines::share(std::move(original).value()), TextLines::share(std::move(revised).value()),
                     formats};
}

// Whether an unchanged row holds two lines that differ in their bytes, equal under NFC.
bool unicodeFormsDiffer(const DiffResult& full)
{
    for (const DiffLine& line : full.lines()) {
        if (line.sidesDiffer() && line.leftContent().toString().normalized(QString::NormalizationForm_C) ==
                                      line.rightContent().toString().normalized(QString::NormalizationForm_C))
            return true;
    }
    return false;
}

void noteUnicodeForms(TextFormats& formats, const DiffResult& full)
{
    formats.unicodeFormsDiffer = formats.left && formats.right && unicodeFormsDiffer(full);
}

} // namespace

QString TextFormats::differences() const
{
    if (!left || !right)
        return {};
    QString found = TextFormat::differences(*left, *right);
    if (unicodeFormsDiffer)
        found += found.isEmpty() ? QStringLiteral("Unicode forms differ (NFC/NFD)")
                                 : QStringLiteral("; Unicode forms differ (NFC/NFD)");
    return found;
}

QString Comparison::typeName(const DiffMode& mode)
{
    switch (mode.kind()) {
    case DiffMode::Kind::text: return QStringLiteral("text");
    case DiffMode::Kind::pdf: return QStringLiteral("PDF");
    case DiffMode::Kind::docx: return QStringLiteral("Word");
    case DiffMode::Kind::unsupported: break;
    }
    return QStringLiteral("unsupported");
}

Error Comparison::incompatibleTypes(const DiffMode& left, const DiffMode& right)
{
    // "a text file", "a PDF file", "a Word file", but "an unsupported file".
    const auto withArticle = [](const DiffMode& mode) {
        return (mode.kind() == DiffMode::Kind::unsupported ? QStringLiteral("an ") : QStringLiteral("a ")) +
               typeName(mode);
    };
    return Error{Error::Kind::incompatibleTypes,
                 QStringLiteral("Cannot compare %1 file with %2 file. Please drop two files of the same type.")
                     .arg(withArticle(left), withArticle(right))};
}

std::optional<Error> Comparison::checkSizes(const FileItem& left, qint64 leftSize, const FileItem& right,
                                            qint64 rightSize, qint64 available)
{
    const qint64 leftNeed = estimateFile(left.mode.kind(), leftSize);
    const qint64 rightNeed = estimateFile(right.mode.kind(), rightSize);
    const qint64 need = saturatingAdd(leftNeed, rightNeed);
    if (need <= available)
        return std::nullopt;
    // Name the file that weighs most.
    return leftNeed >= rightNeed ? tooLarge(left, leftSize, need, available)
                                 : tooLarge(right, rightSize, need, available);
}

std::optional<Error> Comparison::checkLines(const FileItem& left, const TextLines& original, const FileItem& right,
                                            const TextLines& revised, qint64 available)
{
    const qint64 lines = original.size() + revised.size();
    const qint64 need =
        saturatingAdd(original.byteSize() + revised.byteSize(), saturatingMultiply(lines, kEngineBytesPerLine));
    if (need <= available)
        return std::nullopt;
    return Error{Error::Kind::tooLarge,
                 QStringLiteral("The files \"%1\" and \"%2\" have too many lines to compare: %3 lines need about %4 "
                                "of memory, more than the %5 available.")
                     .arg(left.name, right.name, QLocale::c().toString(lines), MemoryBudget::formatSize(need),
                          MemoryBudget::formatSize(available))};
}

Expected<TextLines> Comparison::readLines(const FileItem& file, const CancelCheck& cancel,
                                          std::optional<TextFormat>* format)
{
    if (format)
        format->reset();
    try {
        // The same budget as a comparison's, for one file read alone (varnel-cli lines).
        const qint64 size = fileSize(file);
        const qint64 available = MemoryBudget::available();
        if (const qint64 need = estimateFile(file.mode.kind(), size); need > available)
            return tooLarge(file, size, need, available);
        const QString path = filePath(file.url);
        switch (file.mode.kind()) {
        case DiffMode::Kind::text: {
            Expected<FileParser::Document> document =
                file.held ? FileParser::parse(file.held->bytes, cancel) : FileParser::read(path, cancel);
            if (!document)
                return document.error();
            if (format)
                *format = document.value().format;
            return std::move(document.value().lines);
        }
        case DiffMode::Kind::docx: return DOCXParser::extractText(path, cancel);
        case DiffMode::Kind::pdf: {
            Expected<PDFExtractionResult> pdf = PDFParser::extract(path, cancel);
            if (!pdf)
                return pdf.error();
            return std::move(pdf.value().lines);
        }
        case DiffMode::Kind::unsupported: break;
        }
        return refusal(file);
    } catch (const std::bad_alloc&) {
        return Error{Error::Kind::outOfMemory,
                     QStringLiteral("There is not enough memory to read \"%1\".").arg(file.name)};
    }
}

// Allocation failure is caught here, at the boundary every caller goes through, so that
// running out of memory is a message and never an abort.
Expected<ComparisonOutcome> Comparison::perform(const FileItem& left, const FileItem& right, const CancelCheck& cancel,
                                                const ProgressReport& progress, const CompareOptions& options)
{
    try {
        Expected<Documents> documents = readBoth(left, right, cancel);
        if (!documents)
            return documents.error();
        DiffOptions how;
        how.cancel = cancel;
        how.progress = progress;
        how.compare = options;
        std::optional<DiffEngine::Results> results =
            DiffEngine::computeBoth(documents.value().original, documents.value().revised, how);
        if (!results)
            return cancelledError();
        noteUnicodeForms(documents.value().formats, results->full);
        return ComparisonOutcome{std::move(results->collapsed), std::move(results->full), documents.value().formats};
    } catch (const std::bad_alloc&) {
        return outOfMemory(left, right);
    }
}

Expected<DiffResult> Comparison::performOne(const FileItem& left, const FileItem& right, bool collapseContext,
                                            TextFormats* formats, const CompareOptions& options)
{
    try {
        Expected<Documents> documents = readBoth(left, right, {});
        if (!documents)
            return documents.error();
        DiffOptions how;
        how.compare = options;
        std::optional<DiffEngine::Results> results =
            DiffEngine::computeBoth(documents.value().original, documents.value().revised, how);
        if (!results)
            return cancelledError();
        if (formats) {
            *formats = documents.value().formats;
            noteUnicodeForms(*formats, results->full);
        }
        return collapseContext ? std::move(results->collapsed) : std::move(results->full);
    } catch (const std::bad_alloc&) {
        return outOfMemory(left, right);
    }
}

} // namespace varnel
