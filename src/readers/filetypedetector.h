// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/error.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>

namespace varnel {

// How a file is compared: by its extension where the table of file kinds names it, else
// by its content (text or not).
class DiffMode {
public:
    enum class Kind { unsupported, text, pdf, docx };

    static DiffMode unsupported(const QString& extension) { return DiffMode(Kind::unsupported, extension); }
    static DiffMode text() { return DiffMode(Kind::text); }
    static DiffMode pdf() { return DiffMode(Kind::pdf); }
    static DiffMode docx() { return DiffMode(Kind::docx); }

    Kind kind() const { return m_kind; }
    // For an unsupported file: the extension exactly as written in its name (may be empty).
    const QString& extension() const { return m_extension; }

    // The symbol name a file label shows for this kind.
    QString systemImage() const;

    friend bool operator==(const DiffMode&, const DiffMode&) = default;

private:
    explicit DiffMode(Kind kind, QString extension = {}) : m_kind(kind), m_extension(std::move(extension)) {}

    Kind m_kind;
    QString m_extension;
};

// Text that is compared without being in a file (pasted from the clipboard, or read from
// standard input): its bytes, read as a text file's are, live in memory and nowhere else.
struct HeldText {
    QByteArray bytes;
    QDateTime takenAt; // when it was taken; invalid when nobody asks (standard input)
    QString subject;   // how messages name it: "The text from the clipboard", "Standard input"
};

// One chosen side: a file (where it is, its display name and its classification), or
// text held in memory, which has no URL and is always text.
struct FileItem {
    QUrl url;
    QString name;
    DiffMode mode;
    std::shared_ptr<const HeldText> held = {};

    // The side is text held in memory: there is no file on disk to read, watch or record.
    bool isInMemory() const { return held != nullptr; }
    // How a message names the side: `The file "NAME"`, or the held text's subject.
    QString subject() const;
    // The side in full, for tooltips: the file's path, or "Clipboard, taken at 11:52:07".
    QString fullName() const;

    // The file classified as inspect() does; a file it refuses is unsupported.
    static FileItem fromUrl(const QUrl& url);
    // The file classified, or why it cannot be compared (see FileTypeDetector::inspect).
    static Expected<FileItem> inspect(const QUrl& url);
    // Text held in memory, shown as `name`; refused as a binary file is when its start
    // does not look like text (looksLikeText).
    static Expected<FileItem> fromText(QByteArray bytes, const QString& name, const QString& subject,
                                       const QDateTime& takenAt = {});
};

class FileTypeDetector {
public:
    // Classifies by the lowercased extension; never touches the file system.
    static DiffMode detect(const QUrl& url);
    static DiffMode detect(const QString& path);

    // The rule every way in follows (drops, pickers, open requests, varnel-cli). A folder
    // is refused (kind `folder`). A name in the table of file kinds decides the kind. Any
    // other file is text when its first 64 KiB pass looksLikeText(), and is otherwise
    // refused as binary (kind `unsupportedType`) or with the reason it cannot be read.
    static Expected<DiffMode> inspect(const QString& path);

    // Name filters for the open-file dialog: all files first (any text file is taken,
    // whatever its name), then the kinds known by name.
    static QStringList allowedContentTypes();
};

} // namespace varnel
