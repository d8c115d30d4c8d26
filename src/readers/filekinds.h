// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace varnel {

// The one table of the files Varnel reads: each extension it accepts, the reader that
// turns such a file into lines and the language it is coloured as. The classifier, the
// open dialog's filter, the syntax highlighter, varnel-cli's help and the benchmarks all
// read it, so no two of them can disagree.

// The languages the syntax highlighter colours.
enum class Language : std::uint8_t { json, xml, python, javascript, tsx, ruby };

struct LanguageName {
    Language language;
    const char16_t* name; // as varnel-cli's --language takes it
};

// Every language, in the order of the enumeration.
inline constexpr std::array<LanguageName, 6> kLanguages = {{
    {Language::json, u"json"},
    {Language::xml, u"xml"},
    {Language::python, u"python"},
    {Language::javascript, u"javascript"},
    {Language::tsx, u"tsx"},
    {Language::ruby, u"ruby"},
}};

struct FileKind {
    enum class Reader : std::uint8_t { text, pdf, docx };

    const char16_t* extension; // lowercase, without the dot
    Reader reader;
    std::optional<Language> language; // text files only
};

// Every accepted extension, in the order the open dialog lists them.
std::span<const FileKind> fileKinds();

// The entry for `path`'s extension, compared without case; none when it is not accepted.
const FileKind* fileKindOf(const QString& path);

QString languageName(Language language);
std::optional<Language> languageNamed(QStringView name);
// "json, xml, python, javascript, tsx or ruby".
QString languageNameList();

} // namespace varnel
