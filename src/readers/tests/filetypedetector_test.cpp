// SPDX-License-Identifier: GPL-3.0-or-later

#include "readers/filetypedetector.h"
#include "readers/textcheck.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace varnel;

TEST(FileTypeDetector, ClassifiesByLowercasedExtension)
{
    EXPECT_EQ(FileTypeDetector::detect(QString("/tmp/report.PDF")), DiffMode::pdf());
    EXPECT_EQ(FileTypeDetector::detect(QString("notes.TXT")), DiffMode::text());
    EXPECT_EQ(FileTypeDetector::detect(QString("Letter.DocX")), DiffMode::docx());
    EXPECT_EQ(FileTypeDetector::detect(QUrl::fromLocalFile("/a b/main.rs")), DiffMode::text());
    for (const char* name :
         {"a.txt",  "a.md",  "a.json",  "a.yaml", "a.yml",  "a.toml", "a.xml",    "a.csv",   "a.py",
          "a.js",   "a.ts",  "a.jsx",   "a.tsx",  "a.html", "a.css",  "a.scss",   "a.swift", "a.kt",
          "a.java", "a.c",   "a.cpp",   "a.h",    "a.go",   "a.rs",   "a.rb",     "a.sh",    "a.bash",
          "a.zsh",  "a.svg", "a.plist", "a.mjs",  "a.cjs",  "a.rake", "a.gemspec"})
        EXPECT_EQ(FileTypeDetector::detect(QString(name)), DiffMode::text()) << name;
}

TEST(FileTypeDetector, UnsupportedKeepsTheExtensionAsWritten)
{
    EXPECT_EQ(FileTypeDetector::detect(QString("archive.tar.gz")), DiffMode::unsupported("gz"));
    EXPECT_EQ(FileTypeDetector::detect(QString("Makefile")), DiffMode::unsupported(""));
    EXPECT_EQ(FileTypeDetector::detect(QString("Letter.Doc")), DiffMode::unsupported("Doc"));
    EXPECT_NE(DiffMode::unsupported("Doc"), DiffMode::unsupported("doc"));
    for (const char* name : {"page.htm", "a.markdown", "a.doc", "dir.pdf/notes"})
        EXPECT_EQ(FileTypeDetector::detect(QString(name)).kind(), DiffMode::Kind::unsupported) << name;
}

TEST(FileTypeDetector, SymbolsItemsAndFilters)
{
    EXPECT_EQ(DiffMode::text().systemImage(), "doc.plaintext");
    EXPECT_EQ(DiffMode::pdf().systemImage(), "doc.richtext");
    EXPECT_EQ(DiffMode::docx().systemImage(), "doc.text");
    EXPECT_EQ(DiffMode::unsupported("x").systemImage(), "doc.questionmark");

    const FileItem item = FileItem::fromUrl(QUrl::fromLocalFile("/home/u/Q3 report.docx"));
    EXPECT_EQ(item.name, "Q3 report.docx");
    EXPECT_EQ(item.mode, DiffMode::docx());

    const QStringList filters = FileTypeDetector::allowedContentTypes();
    ASSERT_EQ(filters.size(), 2);
    EXPECT_EQ(filters[0], "All files (*)"); // a text file of any name can be picked
    for (const char* pattern : {"*.pdf", "*.docx", "*.yaml", "*.yml", "*.zsh", "*.txt"})
        EXPECT_TRUE(filters[1].contains(QString(pattern) + ' ') || filters[1].contains(QString(pattern) + ')'))
            << pattern;
}

// What the content says when the name says nothing: text in any of the encodings the text
// reader takes, with a character cut at the end of the 64 KiB looked at.
TEST(TextCheck, TextInEveryEncodingAndNothingElse)
{
    for (const QByteArray& text : {QByteArray(), QByteArray("all:\n\tcc a.c\r\n\f"), QByteArray("caf\xC3\xA9 \x1B[0m"),
                                   QByteArray("\xFF\xFEh\0i\0", 6), QByteArray("\xFE\xFF\0h\xD8\x3D\xDE\x00", 8),
                                   QByteArray("na\xEFve \xA0\xFF")})
        EXPECT_TRUE(looksLikeText(text, false)) << text.toHex().toStdString();
    for (const QByteArray& binary :
         {QByteArray("a\0b", 3),
          QByteArray("\x7F"
                     "ELF\x02\x01\x01\0",
                     8),
          QByteArray("\xFF\xFEh\0\0\0", 6), QByteArray("\xFF\xFE\x00\xDC", 4), QByteArray("caf\xE9\x01"),
          QByteArray("caf\xE9\x81"), QByteArray("\xFF\xFEh\0i", 5)})
        EXPECT_FALSE(looksLikeText(binary, false)) << binary.toHex().toStdString();
    // Cut inside a character: text when more follows, not when that is the whole file.
    EXPECT_TRUE(looksLikeText("\xE2\x82", true));
    EXPECT_TRUE(looksLikeText("\x1F\xE2\x82", true));
    EXPECT_FALSE(looksLikeText("\x1F\xE2\x82", false));
    EXPECT_TRUE(looksLikeText(QByteArray("\xFF\xFEh\0i", 5), true));
}

TEST(FileTypeDetector, InspectReadsTheNameThenTheContent)
{
    QTemporaryDir dir;
    const auto write = [&](const QString& name, const QByteArray& data) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
        return file.fileName();
    };
    for (const char* name : {"Makefile", "Dockerfile", ".gitignore", "a.hpp", "a.cc", "a.ini", "a.log", "a.patch"})
        EXPECT_EQ(FileTypeDetector::inspect(write(name, "key = value\n")).value(), DiffMode::text()) << name;
    // Only the first 64 KiB count, and a UTF-8 character cut by that edge does not.
    QByteArray long8(kTextCheckSize - 1, 'a');
    long8 += "\xC3\xA9";
    EXPECT_EQ(FileTypeDetector::inspect(write("long", long8 + QByteArray("\0", 1))).value(), DiffMode::text());
    // The name decides where it can, and a binary file is refused naming it.
    EXPECT_EQ(FileTypeDetector::inspect(write("x.txt", QByteArray("\0", 1))).value(), DiffMode::text());
    EXPECT_EQ(FileTypeDetector::inspect(dir.filePath("missing.pdf")).value(), DiffMode::pdf());
    const Expected<DiffMode> binary = FileTypeDetector::inspect(write("a.out", QByteArray("\x7F"
                                                                                          "ELF\0",
                                                                                          5)));
    ASSERT_FALSE(binary.ok());
    EXPECT_EQ(binary.error().kind, Error::Kind::unsupportedType);
    EXPECT_EQ(binary.error().message, "The file \"a.out\" looks like a binary file, not text.");
    EXPECT_EQ(FileItem::fromUrl(QUrl::fromLocalFile(dir.filePath("a.out"))).mode, DiffMode::unsupported("out"));
    EXPECT_EQ(FileTypeDetector::inspect(dir.filePath("gone")).error().kind, Error::Kind::fileUnreadable);
    EXPECT_EQ(FileTypeDetector::inspect("/dev/null").error().kind, Error::Kind::notRegularFile);
    // A folder is refused as one, whatever its name.
    ASSERT_TRUE(QDir(dir.path()).mkdir("notes.txt"));
    const Expected<DiffMode> folder = FileTypeDetector::inspect(dir.filePath("notes.txt"));
    ASSERT_FALSE(folder.ok());
    EXPECT_EQ(folder.error().kind, Error::Kind::folder);
    EXPECT_EQ(folder.error().message, "\"notes.txt\" is a folder. Varnel compares two files, not folders.");
}
