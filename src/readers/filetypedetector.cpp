#include "readers/filetypedetector.h"

#include "core/fileextension.h"

#include <array>

namespace varnel {

namespace {

constexpr std::array<const char16_t*, 28> kTextExtensions = {
    u"txt", u"md",   u"json",  u"yaml", u"yml",  u"toml", u"xml", u"csv", u"py", u"js", u"ts", u"jsx", u"tsx",  u"html",
    u"css", u"scss", u"swift", u"kt",   u"java", u"c",    u"cpp", u"h",   u"go", u"rs", u"rb", u"sh",  u"bash", u"zsh",
};

} // namespace

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
    const QString extension = fileExtension(path);
    const QString lower = extension.toLower();
    if (lower == u"pdf")
        return DiffMode::pdf();
    if (lower == u"docx")
        return DiffMode::docx();
    for (const char16_t* text : kTextExtensions) {
        if (lower == QStringView(text))
            return DiffMode::text();
    }
    return DiffMode::unsupported(extension);
}

QStringList FileTypeDetector::allowedContentTypes()
{
    QStringList patterns{QStringLiteral("*.pdf"), QStringLiteral("*.docx")};
    for (const char16_t* text : kTextExtensions)
        patterns << QStringLiteral("*.") + QString::fromUtf16(text);
    return {QStringLiteral("Supported files (%1)").arg(patterns.join(u' ')), QStringLiteral("All files (*)")};
}

} // namespace varnel
