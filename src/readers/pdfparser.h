#pragma once

#include "core/textlines.h"

#include <QString>

namespace varnel {

// The text lines of a PDF file.
struct PDFExtractionResult {
    TextLines lines;
};

// Reads the plain text of every page, page after page, split into lines the way text
// files are (CR LF is one line end), dropping one trailing empty line per page. Never
// fails: a file that cannot be opened as a PDF, a locked one and one without pages give
// no lines. Safe to call from any thread; each call opens its own document.
class PDFParser {
public:
    static PDFExtractionResult extract(const QString& path);
};

} // namespace varnel
