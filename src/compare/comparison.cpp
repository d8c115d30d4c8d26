#include "compare/comparison.h"

#include "readers/docxparser.h"
#include "readers/fileparser.h"
#include "readers/pdfparser.h"

namespace varnel {

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
    return Error{Error::Kind::incompatibleTypes,
                 QStringLiteral("Cannot compare a %1 file with a %2 file. Please drop two files of the same type.")
                     .arg(typeName(left), typeName(right))};
}

Expected<TextLines> Comparison::readLines(const FileItem& file)
{
    const QString path = file.url.toLocalFile();
    switch (file.mode.kind()) {
    case DiffMode::Kind::text: return FileParser::readLines(path);
    case DiffMode::Kind::docx: return DOCXParser::extractText(path);
    case DiffMode::Kind::pdf: return std::move(PDFParser::extract(path).lines); // an unreadable PDF has no lines
    case DiffMode::Kind::unsupported: break;
    }
    return Error{Error::Kind::unsupportedType, QStringLiteral("'%1' is not supported.").arg(file.mode.extension())};
}

namespace {

struct Documents {
    SharedLines original;
    SharedLines revised;
};

// Both files of a comparison, read left first, when they are of the same kind.
Expected<Documents> readBoth(const FileItem& left, const FileItem& right)
{
    if (left.mode.kind() != right.mode.kind() || left.mode.kind() == DiffMode::Kind::unsupported)
        return Comparison::incompatibleTypes(left.mode, right.mode);
    Expected<TextLines> original = Comparison::readLines(left);
    if (!original)
        return original.error();
    Expected<TextLines> revised = Comparison::readLines(right);
    if (!revised)
        return revised.error();
    return Documents{TextLines::share(std::move(original).value()), TextLines::share(std::move(revised).value())};
}

Error cancelledError()
{
    return Error{Error::Kind::cancelled, QStringLiteral("The comparison was cancelled.")};
}

} // namespace

Expected<ComparisonOutcome> Comparison::perform(const FileItem& left, const FileItem& right, const CancelCheck& cancel)
{
    Expected<Documents> documents = readBoth(left, right);
    if (!documents)
        return documents.error();
    std::optional<DiffEngine::Results> results =
        DiffEngine::computeBoth(documents.value().original, documents.value().revised, cancel);
    if (!results)
        return cancelledError();
    return ComparisonOutcome{std::move(results->collapsed), std::move(results->full)};
}

Expected<DiffResult> Comparison::performOne(const FileItem& left, const FileItem& right, bool collapseContext)
{
    Expected<Documents> documents = readBoth(left, right);
    if (!documents)
        return documents.error();
    return DiffEngine::compute(documents.value().original, documents.value().revised, collapseContext);
}

} // namespace varnel
