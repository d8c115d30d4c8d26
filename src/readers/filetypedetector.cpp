#include "readers/filetypedetector.h"

#include "core/fileextension.h"
#include "readers/filekinds.h"

namespace varnel {

QString DiffMode::systemImage() const
{
    switch (m_kind) {
    case Kind::text: return QStringLiteral("doc.plaintext");
    case Kind::pdf: return QStringLiteral("doc.richtext");
    case Kind::docx: return QStringLiteral("doc.text");
    case Kind::unsupported: break;
    }
    return QStringLiteral("doc.questionmark");
}

FileItem FileItem::fromUrl(const QUrl& url)
{
    return FileItem{url, displayName(filePath(url)), FileTypeDetector::detect(url)};
}

DiffMode FileTypeDetector::detect(const QUrl& url)
{
    return detect(filePath(url));
}

DiffMode FileTypeDetector::detect(const QString& path)
{
    const FileKind* kind = fileKindOf(path);
    if (!kind)
        return DiffMode::unsupported(fileExtension(path));
    switch (kind->reader) {
    case FileKind::Reader::pdf: return DiffMode::pdf();
    case FileKind::Reader::docx: return DiffMode::docx();
    case FileKind::Reader::text: break;
    }
    return DiffMode::text();
}

QStringList FileTypeDetector::allowedContentTypes()
{
    QStringList patterns;
    for (const FileKind& kind : fileKinds())
        patterns << QStringLiteral("*.") + QString::fromUtf16(kind.extension);
    return {QStringLiteral("Supported files (%1)").arg(patterns.join(u' ')), QStringLiteral("All files (*)")};
}

} // namespace varnel
