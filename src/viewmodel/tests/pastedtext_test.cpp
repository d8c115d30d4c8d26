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

std::unique_ptr<QMimeData> textMime(const QString& text)
{
    auto data = std::make_unique<QMimeData>();
    data->setText(text);
    return data;
}

class PasteTest : public ::testing::Test {
protected:
    QUrl file(const QString& name, const QByteArray& data)
    {
        QFile out(m_dir.filePath(name));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(data);
        return QUrl::fromLocalFile(out.fileName());
    }

    static void waitIdle(const ComparisonViewModel& model)
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isComparing(); }, 20000));
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(PasteTest, AClipboardWithoutTextSaysWhatItHoldsAndChangesNothing)
{
    ComparisonViewModel model;
    model.loadFile(file(QStringLiteral("a.txt"), "a\n"), FileSide::left);
    const auto refusal = [&](const QMimeData* data, qint64 available = kPlenty) {
        const std::optional<Error> error = pasteInto(model, data, FileSide::left, kTaken, available);
        EXPECT_TRUE(error.has_value());
        EXPECT_EQ(model.leftFile()->name, QStringLiteral("a.txt")); // untouched
        return error.value_or(Error{});
    };
    QMimeData empty;
    QMimeData image;
    image.setData(QStringLiteral("image/png"), "\x89PNG");
    QMimeData other;
    other.setData(QStringLiteral("application/x-spreadsheet"), "cells");
    QMimeData emptyText;
    emptyText.setText(QString());
    const std::pair<const QMimeData*, const char*> cases[] = {
        {nullptr, "The clipboard is empty. Copy some text, then try again."},
        {&empty, "The clipboard is empty. Copy some text, then try again."},
        {&emptyText, "The clipboard is empty. Copy some text, then try again."},
        {&image, "The clipboard holds an image, not text. Copy some text, then try again."},
        {&other, "The clipboard holds no text. Copy some text, then try again."},
    };
    for (const auto& [data, message] : cases) {
        const Error error = refusal(data);
        EXPECT_EQ(error.kind, Error::Kind::noText);
        EXPECT_EQ(error.message, QString::fromUtf8(message));
    }

    // NUL bytes are binary data, as in a file; text over the budget is refused as a file
    // of its size is.
    const auto binary = textMime(QStringLiteral("a") + QChar(0) + QStringLiteral("b"));
    EXPECT_EQ(refusal(binary.get()).message, QStringLiteral("The text from the clipboard looks like a binary file, "
                                                            "not text."));
    const auto large = textMime(QString(4000, u'x'));
    const Error tooLarge = refusal(large.get(), 1000);
    EXPECT_EQ(tooLarge.kind, Error::Kind::tooLarge);
    EXPECT_TRUE(tooLarge.message.startsWith("The text from the clipboard is too large to compare: it is 4.0 kB, "))
        << tooLarge.message.toStdString();
}

TEST_F(PasteTest, PastedTextIsComparedFromMemoryAndTheFileNamesTheLanguage)
{
    ComparisonViewModel model;
    const QUrl script = file(QStringLiteral("tool.py"), "x = 1\ny = 2\n");
    model.loadFile(script, FileSide::left);
    const auto text = textMime(QStringLiteral("x = 1\ny = 3\n"));
    ASSERT_FALSE(pasteInto(model, text.get(), FileSide::right, kTaken, kPlenty));
    const FileItem& pasted = *model.rightFile();
    EXPECT_TRUE(pasted.isInMemory());
    EXPECT_TRUE(pasted.url.isEmpty());
    EXPECT_EQ(pasted.name, QStringLiteral("Clipboard"));
    EXPECT_EQ(pasted.fullName(), QStringLiteral("Clipboard, taken at 11:52:07"));
    EXPECT_TRUE(holdsTextInMemory(model));
    waitIdle(model);
    ASSERT_TRUE(model.diffResult()) << model.comparisonError().value_or(QString()).toStdString();
    EXPECT_EQ(model.diffResult()->modifiedCount(), 1);
    EXPECT_EQ(model.language(), Language::python);

    // The report names the side "Clipboard" and guards only the file on disk.
    const std::optional<ReportRequest> request = reportRequest(model);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->leftName, QStringLiteral("tool.py"));
    EXPECT_EQ(request->rightName, QStringLiteral("Clipboard"));
    EXPECT_EQ(request->inputs, QStringList{script.toLocalFile()});

    // On the left, the text has no name to tell the language: the file on the right does.
    model.swapFiles();
    EXPECT_EQ(model.language(), Language::python);
    waitIdle(model);
    EXPECT_EQ(model.diffResult()->modifiedCount(), 1);
}

TEST_F(PasteTest, PastedFilesArePlacedAsDroppedOnes)
{
    ComparisonViewModel model;
    const QUrl a = file(QStringLiteral("a.txt"), "a\n");
    QMimeData copied; // a file manager's copy: the files, and their paths as text
    copied.setUrls({a});
    copied.setText(a.toLocalFile());
    ASSERT_FALSE(pasteInto(model, &copied, FileSide::right, kTaken, kPlenty));
    EXPECT_FALSE(model.leftFile());
    EXPECT_EQ(model.rightFile()->url, a);
    EXPECT_FALSE(holdsTextInMemory(model));

    QMimeData three;
    three.setUrls({a, a, a});
    const std::optional<Error> refused = pasteInto(model, &three, FileSide::left, kTaken, kPlenty);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->message,
              QStringLiteral("Varnel compares two files at a time, and 3 were pasted. Please paste one or two files."));
}
