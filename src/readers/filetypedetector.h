// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/error.h"

#include <QString>
#include <QStringList>
#include <QUrl>

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

// One chosen file: where it is, its display name and its classification.
struct FileItem {
    QUrl url;
    QString name;
    DiffMode mode;

    // The file classified as inspect() does; a file it refuses is unsupported.
    static FileItem fromUrl(const QUrl& url);
    // The file classified, or why it cannot be compared (see FileTypeDetector::inspect).
    static Expected<FileItem> inspect(const QUrl& url);
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
