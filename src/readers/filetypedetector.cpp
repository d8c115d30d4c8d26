#include "filetypedetector.h"

#include <QFileInfo>

#include <array>

namespace varnel {

namespace {

constexpr std::array<const char16_t*, 28> kTextExtensions = {
    u"txt", u"md",    u"json", u"yaml", u"yml",  u"toml", u"xml", u"csv", u"py", u"js",
    u"ts",  u"jsx",   u"tsx",  u"html", u"css",  u"scss", u"swift", u"kt", u"java", u"c",
    u"cpp", u"h",     u"go",   u"rs",   u"rb",   u"sh",   u"bash", u"zsh",
};

// The part of the last path component after its last dot; empty without a dot.
QString pathExtension(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot + 1);
}

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
    return FileItem{url, QFileInfo(url.toLocalFile()).fileName(), FileTypeDetector::detect(url)};
}

DiffMode FileTypeDetector::detect(const QUrl& url)
{
    return detect(url.isLocalFile() ? url.toLocalFile() : url.path());
}

DiffMode FileTypeDetector::detect(const QString& path)
{
    const QString extension = pathExtension(path);
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
