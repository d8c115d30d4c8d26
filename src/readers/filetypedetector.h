#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

namespace varnel {

// How a file is compared, decided by its extension alone.
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

    static FileItem fromUrl(const QUrl& url);
};

class FileTypeDetector {
public:
    // Classifies by the lowercased extension; never touches the file system.
    static DiffMode detect(const QUrl& url);
    static DiffMode detect(const QString& path);

    // Name filters for the open-file dialog: the supported kinds first, then all files.
    static QStringList allowedContentTypes();
};

} // namespace varnel
