// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffline.h"
#include "core/error.h"
#include "readers/filetypedetector.h"

#include <QDateTime>
#include <QList>
#include <QUrl>

#include <optional>

class QMimeData;

namespace varnel {

class ComparisonViewModel;

// What a paste takes from the clipboard: local files (a file manager's copy), which go
// where the same files dropped would go, else its text, held in memory as a side of its
// own named "Clipboard".
struct Paste {
    QList<QUrl> files;
    std::optional<FileItem> text;
};

// The side's name, and how messages name it.
inline constexpr char16_t kClipboardName[] = u"Clipboard";
inline constexpr char16_t kClipboardSubject[] = u"The text from the clipboard";

// The clipboard's content as a paste at `now` takes it (`data` may be null: an empty
// clipboard), or why nothing can be pasted: the clipboard is empty or holds no text (an
// image, say: kind `noText`), its text looks binary (`unsupportedType`), or comparing it
// would need more than `available` bytes, as a file of its size would (`tooLarge`).
Expected<Paste> readPaste(const QMimeData* data, const QDateTime& now, qint64 available);

// Pastes the clipboard's content on `side`: text becomes that side, files are placed as
// files dropped on it are (placeFiles). Nothing changes when the paste is refused; the
// answer says why. The comparison screen's "Compare Clipboard with Left" pastes on the
// right, and "… with Right" on the left.
std::optional<Error> pasteInto(ComparisonViewModel& model, const QMimeData* data, FileSide side, const QDateTime& now,
                               qint64 available);
std::optional<Error> pasteInto(ComparisonViewModel& model, const QMimeData* data, FileSide side);

// Whether either side is text held in memory: such a comparison is never recorded in the
// recent comparisons, which could not open it again and must not keep its text.
bool holdsTextInMemory(const ComparisonViewModel& model);

} // namespace varnel
