// SPDX-License-Identifier: GPL-3.0-or-later

#include "readers/pdfparser.h"

#include "core/nativepath.h"
#include "readers/fileparser.h"

#include <poppler-qt6.h>

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

} // namespace

// The file is read by our own reader, not by Poppler: so it is opened by its exact bytes,
// refused when it is not a regular file, and a read error is reported as such.
Expected<PDFExtractionResult> PDFParser::extract(const QString& path, const CancelCheck& cancel)
{
    Expected<QByteArray> data = readWholeFile(path);
    if (!data)
        return data.error();
    return extractFromData(data.value(), path, cancel);
}

Expected<PDFExtractionResult> PDFParser::extractFromData(const QByteArray& data, const QString& path,
                                                         const CancelCheck& cancel)
{
    silencePoppler();
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(data);
    if (!document) {
        return Error{Error::Kind::invalidDocument,
                     QStringLiteral("The file \"%1\" could not be opened as a PDF.").arg(displayName(path))};
    }
    if (document->isLocked()) {
        return Error{Error::Kind::locked,
                     QStringLiteral("The PDF \"%1\" is password-protected.").arg(displayName(path))};
    }
    PDFExtractionResult result;
    const int pages = document->numPages();
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
