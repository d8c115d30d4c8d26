#include "readers/filetypedetector.h"

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
    for (const char* pattern : {"*.pdf", "*.docx", "*.yaml", "*.yml", "*.zsh", "*.txt"})
        EXPECT_TRUE(filters[0].contains(QString(pattern) + ' ') || filters[0].contains(QString(pattern) + ')'))
            << pattern;
    EXPECT_EQ(filters[1], "All files (*)");
}
