// SPDX-License-Identifier: GPL-3.0-or-later

#include "readers/pdfparser.h"

#include "core/nativepath.h"
#include "readers/fileparser.h"

#include <poppler-qt6.h>

#include <cctype>
#include <mutex>

namespace varnel {

namespace {

// Poppler reports damaged files on stderr through qDebug() unless told otherwise; the
// application writes no log messages.
void silencePoppler()
{
    static std::once_flag once;
    std::call_once(once, [] { Poppler::setDebugErrorFunction([](const QString&, const QVariant&) {}, QVariant()); });
}

// Whether the bytes hold a page object ("/Type /Page", not "/Pages" nor "/PageLabels"):
// objects packed in compressed streams are not seen.
bool holdsPageObject(QByteArrayView data)
{
    for (qsizetype at = data.indexOf("/Page"); at >= 0; at = data.indexOf("/Page", at + 1)) {
        const qsizetype next = at + 5;
        if (next >= data.size() || !std::isalnum(static_cast<unsigned char>(data[next])))
            return true;
    }
    return false;
}

Error notAPdf(const QString& path)
{
    return Error{Error::Kind::invalidDocument,
                 QStringLiteral("The file \"%1\" could not be opened as a PDF.").arg(displayName(path))};
}

} // namespace

// The file is read by our own reader, not by Poppler: so it is opened by its exact bytes,
// refused when it is not a regular file, and a read error is reported as such.
Expected<PDFExtractionResult> PDFParser::extract(const QString& path, const CancelCheck& cancel)
{
    Expected<QByteArray> data = readWholeFile(path, cancel);
    if (!data)
        return data.error();
    return extractFromData(data.value(), path, cancel);
}

Expected<PDFExtractionResult> PDFParser::extractFromData(const QByteArray& data, const QString& path,
                                                         const CancelCheck& cancel)
{
    silencePoppler();
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(data);
    if (!document)
        return notAPdf(path);
    if (document->isLocked()) {
        return Error{Error::Kind::locked,
                     QStringLiteral("The PDF \"%1\" is password-protected.").arg(displayName(path))};
    }
    PDFExtractionResult result;
    const int pages = document->numPages();
    // No pages from a file that holds some (Poppler gives none when the page tree claims
    // more pages than the file has objects): a damaged file, not an empty document. An
    // empty page tree is a document without pages.
    if (pages == 0 && holdsPageObject(data))
        return notAPdf(path);
    for (int index = 0; index < pages; ++index) {
        if (cancel && cancel())
            return cancelledError();
        const std::unique_ptr<Poppler::Page> page = document->page(index);
        if (!page)
            continue;
        // The default (physical) layout: Debian 12's raw-order layout scrambles text.
        result.lines.appendSplit(page->text(QRectF()).toUtf8());
    }
    return result;
}

} // namespace varnel
