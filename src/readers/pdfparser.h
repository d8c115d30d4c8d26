// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffcontrol.h"
#include "core/error.h"
#include "core/textlines.h"

#include <QByteArray>
#include <QString>

namespace varnel {

// The text lines of a PDF file.
struct PDFExtractionResult {
    TextLines lines;
};

// Reads the plain text of every page, page after page, split into lines the way text
// files are (CR LF is one line end), dropping one trailing empty line per page. A
// document without pages, or without text, gives no lines.
//
// A failure is never mistaken for an empty document: a file that cannot be read gives
// the text reader's error, a locked one `The PDF "NAME" is password-protected.` and one
// that is not a PDF `The file "NAME" could not be opened as a PDF.` Safe to call from any
// thread; each call opens its own document.
class PDFParser {
public:
    // `cancel` is polled between pages: one page of a hostile document can take Poppler
    // seconds, a whole document minutes.
    static Expected<PDFExtractionResult> extract(const QString& path, const CancelCheck& cancel = {});

    // The same for a document already in memory; `path` only names it in messages.
    static Expected<PDFExtractionResult> extractFromData(const QByteArray& data, const QString& path,
                                                         const CancelCheck& cancel = {});
};

} // namespace varnel
