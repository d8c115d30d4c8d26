// SPDX-License-Identifier: GPL-3.0-or-later

#include "readers/filekinds.h"

#include "core/fileextension.h"

#include <QStringList>

namespace varnel {

namespace {

using Reader = FileKind::Reader;

constexpr FileKind kFileKinds[] = {
    {u"pdf", Reader::pdf, std::nullopt},          {u"docx", Reader::docx, std::nullopt},
    {u"txt", Reader::text, std::nullopt},         {u"md", Reader::text, std::nullopt},
    {u"json", Reader::text, Language::json},      {u"yaml", Reader::text, std::nullopt},
    {u"yml", Reader::text, std::nullopt},         {u"toml", Reader::text, std::nullopt},
    {u"xml", Reader::text, Language::xml},        {u"svg", Reader::text, Language::xml},
    {u"plist", Reader::text, Language::xml},      {u"csv", Reader::text, std::nullopt},
    {u"py", Reader::text, Language::python},      {u"js", Reader::text, Language::javascript},
    {u"mjs", Reader::text, Language::javascript}, {u"cjs", Reader::text, Language::javascript},
    {u"ts", Reader::text, Language::tsx},         {u"jsx", Reader::text, std::nullopt},
    {u"tsx", Reader::text, Language::tsx},        {u"html", Reader::text, std::nullopt},
    {u"css", Reader::text, std::nullopt},         {u"scss", Reader::text, std::nullopt},
    {u"swift", Reader::text, std::nullopt},       {u"kt", Reader::text, std::nullopt},
    {u"java", Reader::text, std::nullopt},        {u"c", Reader::text, std::nullopt},
    {u"cpp", Reader::text, std::nullopt},         {u"h", Reader::text, std::nullopt},
    {u"go", Reader::text, std::nullopt},          {u"rs", Reader::text, std::nullopt},
    {u"rb", Reader::text, Language::ruby},        {u"rake", Reader::text, Language::ruby},
    {u"gemspec", Reader::text, Language::ruby},   {u"sh", Reader::text, std::nullopt},
    {u"bash", Reader::text, std::nullopt},        {u"zsh", Reader::text, std::nullopt},
    {u"hpp", Reader::text, std::nullopt},         {u"hh", Reader::text, std::nullopt},
    {u"hxx", Reader::text, std::nullopt},         {u"cc", Reader::text, std::nullopt},
    {u"cxx", Reader::text, std::nullopt},
};

} // namespace

std::span<const FileKind> fileKinds()
{
    return kFileKinds;
}

const FileKind* fileKindOf(const QString& path)
{
    const QString extension = fileExtension(path).toLower();
    for (const FileKind& kind : kFileKinds) {
        if (extension == QStringView(kind.extension))
            return &kind;
    }
    return nullptr;
}

QString languageName(Language language)
{
    return QString::fromUtf16(kLanguages[std::size_t(language)].name);
}

std::optional<Language> languageNamed(QStringView name)
{
    for (const LanguageName& entry : kLanguages) {
        if (name == QStringView(entry.name))
            return entry.language;
    }
    return std::nullopt;
}

QString languageNameList()
{
    QStringList names;
    for (const LanguageName& entry : kLanguages)
        names << QString::fromUtf16(entry.name);
    const QString last = names.takeLast();
    return names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

} // namespace varnel
