// SPDX-License-Identifier: GPL-3.0-or-later

#include "readers/filetypedetector.h"

#include "core/fileextension.h"
#include "core/nativepath.h"
#include "readers/filekinds.h"
#include "readers/fileparser.h"
#include "readers/textcheck.h"

#include <sys/stat.h>

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
    const QString path = filePath(url);
    const Expected<DiffMode> mode = FileTypeDetector::inspect(path);
    return FileItem{url, displayName(path), mode ? mode.value() : FileTypeDetector::detect(path)};
}

QString FileItem::subject() const
{
    return held ? held->subject : QStringLiteral("The file \"%1\"").arg(name);
}

QString FileItem::fullName() const
{
    if (!held)
        return displayPath(filePath(url));
    if (!held->takenAt.isValid())
        return name;
    return QStringLiteral("%1, taken at %2").arg(name, held->takenAt.toString(QStringLiteral("HH:mm:ss")));
}

Expected<FileItem> FileItem::fromText(QByteArray bytes, const QString& name, const QString& subject,
                                      const QDateTime& takenAt)
{
    const QByteArrayView head = QByteArrayView(bytes).first(std::min(bytes.size(), kTextCheckSize));
    if (!looksLikeText(head, bytes.size() > kTextCheckSize))
        return Error{Error::Kind::unsupportedType,
                     QStringLiteral("%1 looks like a binary file, not text.").arg(subject)};
    auto held = std::make_shared<const HeldText>(HeldText{std::move(bytes), takenAt, subject});
    return FileItem{QUrl(), name, DiffMode::text(), std::move(held)};
}

Expected<FileItem> FileItem::inspect(const QUrl& url)
{
    const QString path = filePath(url);
    Expected<DiffMode> mode = FileTypeDetector::inspect(path);
    if (!mode)
        return mode.error();
    return FileItem{url, displayName(path), std::move(mode).value()};
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

Expected<DiffMode> FileTypeDetector::inspect(const QString& path)
{
    struct stat status {};
    if (::stat(nativePath(path).constData(), &status) == 0 && S_ISDIR(status.st_mode))
        return Error{
            Error::Kind::folder,
            QStringLiteral("\"%1\" is a folder. Varnel compares two files, not folders.").arg(displayName(path))};
    DiffMode byName = detect(path);
    if (byName.kind() != DiffMode::Kind::unsupported)
        return byName; // a file that is missing or unreadable is reported by its reader
    const Expected<QByteArray> head = readFile(path, kTextCheckSize + 1);
    if (!head)
        return head.error();
    const bool cut = head.value().size() > kTextCheckSize;
    if (looksLikeText(QByteArrayView(head.value()).first(std::min(head.value().size(), kTextCheckSize)), cut))
        return DiffMode::text();
    return Error{Error::Kind::unsupportedType,
                 QStringLiteral("The file \"%1\" looks like a binary file, not text.").arg(displayName(path))};
}

QStringList FileTypeDetector::allowedContentTypes()
{
    QStringList patterns;
    for (const FileKind& kind : fileKinds())
        patterns << QStringLiteral("*.") + QString::fromUtf16(kind.extension);
    return {QStringLiteral("All files (*)"), QStringLiteral("PDF, Word and text files (%1)").arg(patterns.join(u' '))};
}

} // namespace varnel
