// SPDX-License-Identifier: GPL-3.0-or-later

#include "viewmodel/comparisonviewmodel.h"
#include "viewmodel/pastedtext.h"
#include "viewmodel/reportrequest.h"

#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace varnel;

namespace {

constexpr qint64 kPlenty = qint64(1) << 30;
const QDateTime kTaken(QDate(2026, 12, 8), QTime(11, 52, 7));

class PasteTest : public ::testing::Test {
protected:
    QUrl file(const QString& name, const QByteArray& data)
    {
        QFile out(m_dir.filePath(name));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(data);
        return QUrl::fromLocalFile(out.fileName());
    }
    std::optional<Error> paste(FileSide side, const QString& text, qint64 available = kPlenty)
    {
        QMimeData data;
        data.setText(text);
        return pasteInto(model, &data, side, kTaken, available);
    }
    void waitIdle()
    {
        ASSERT_TRUE(QTest::qWaitFor([this] { return !model.isComparing(); }, 20000));
    }

    QTemporaryDir m_dir;
    ComparisonViewModel model;
};

} // namespace

TEST_F(PasteTest, WhatCannotBePastedIsSaidAndChangesNothing)
{
    model.loadFile(file(QStringLiteral("a.txt"), "a\n"), FileSide::left);
    // The clipboard's other refusals (empty, an image) are met through the real one.
    EXPECT_EQ(paste(FileSide::left, QString()).value_or(Error{}).kind, Error::Kind::noText);
    // NUL is binary data, as in a file; text over the budget is refused as a file of its size.
    EXPECT_EQ(paste(FileSide::left, QStringLiteral("a%1b").arg(QChar(0))).value_or(Error{}).message,
              QStringLiteral("The text from the clipboard looks like a binary file, not text."));
    const QString tooLarge = paste(FileSide::left, QString(4000, u'x'), 1000).value_or(Error{}).message;
    EXPECT_TRUE(tooLarge.startsWith("The text from the clipboard is too large to compare: it is 4.0 kB, "))
        << tooLarge.toStdString();
    EXPECT_EQ(model.leftFile()->name, QStringLiteral("a.txt"));

    QMimeData three; // a file manager's copy of three files
    const QUrl a = model.leftFile()->url;
    three.setUrls({a, a, a});
    EXPECT_EQ(pasteInto(model, &three, FileSide::right, kTaken, kPlenty).value_or(Error{}).message,
              QStringLiteral("Varnel compares two files at a time, and 3 were pasted. Please paste one or two files."));
}

TEST_F(PasteTest, PastedTextIsComparedFromMemoryAndTheFileNamesTheLanguage)
{
    const QUrl script = file(QStringLiteral("tool.py"), "x = 1\ny = 2\n");
    model.loadFile(script, FileSide::left);
    ASSERT_FALSE(paste(FileSide::right, QStringLiteral("x = 1\ny = 3\n")));
    const FileItem& pasted = *model.rightFile();
    EXPECT_TRUE(pasted.isInMemory() && pasted.url.isEmpty());
    EXPECT_EQ(pasted.fullName(), QStringLiteral("Clipboard, taken at 11:52:07"));
    waitIdle();
    ASSERT_TRUE(model.diffResult()) << model.comparisonError().value_or(QString()).toStdString();
    EXPECT_EQ(model.diffResult()->modifiedCount(), 1);
    // The report names the side "Clipboard" and guards only the file on disk.
    const std::optional<ReportRequest> request = reportRequest(model);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->rightName, QStringLiteral("Clipboard"));
    EXPECT_EQ(request->inputs, QStringList{script.toLocalFile()});

    // On either side, the text has no name to tell the language: the file names it.
    EXPECT_EQ(model.language(), Language::python);
    model.swapFiles();
    EXPECT_EQ(model.language(), Language::python);
    EXPECT_TRUE(holdsTextInMemory(model));
}
