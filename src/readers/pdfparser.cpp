#include "readers/pdfparser.h"

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

PDFExtractionResult PDFParser::extract(const QString& path)
{
    silencePoppler();
    PDFExtractionResult result;
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (!document || document->isLocked())
        return result;
    const int pages = document->numPages();
    for (int index = 0; index < pages; ++index) {
        const std::unique_ptr<Poppler::Page> page = document->page(index);
        if (!page)
            continue;
        // The default (physical) layout: Debian 12's raw-order layout scrambles text.
        result.lines.appendSplit(page->text(QRectF()).toUtf8());
    }
    return result;
}

} // namespace varnel
