// SPDX-License-Identifier: GPL-3.0-or-later

#include "readers/textformat.h"

#include <gtest/gtest.h>

using namespace varnel;

namespace {

TextFormat scanned(QByteArrayView text, TextFormat format = {})
{
    format.scanLineEnds(text);
    return format;
}

TEST(TextFormat, NamesTheLineEndsAndTheFinalOne)
{
    using LineEnds = TextFormat::LineEnds;
    const struct {
        const char* text;
        LineEnds ends;
        bool final;
    } cases[] = {
        {"", LineEnds::none, false},
        {"one line", LineEnds::none, false},
        {"a\nb\n", LineEnds::lf, true},
        {"a\nb", LineEnds::lf, false},
        {"a\r\nb\r\n", LineEnds::crLf, true},
        {"a\r\nb", LineEnds::crLf, false},
        {"a\rb\r", LineEnds::cr, true},
        {"\r", LineEnds::cr, true},
        {"\n", LineEnds::lf, true},
        {"a\r\nb\n", LineEnds::mixed, true},
        {"a\nb\r", LineEnds::mixed, true},
        {"a\r\nb\rc", LineEnds::mixed, false},
        // A CR LF split across nothing: CR at the very end stays a CR.
        {"a\r\nb\r\nc\r", LineEnds::mixed, true},
        {"\r\r\n", LineEnds::mixed, true},
    };
    for (const auto& c : cases) {
        const TextFormat format = scanned(QByteArrayView(c.text));
        EXPECT_EQ(format.lineEnds, c.ends) << c.text;
        EXPECT_EQ(format.finalLineEnd, c.final) << c.text;
    }
    // Multi-byte characters never hide a line end.
    EXPECT_EQ(scanned("\xC3\xA9\r\n\xE6\xBC\xA2\r\n").lineEnds, LineEnds::crLf);
    // A scan starts afresh.
    TextFormat reused = scanned("a\r\nb\n");
    reused.scanLineEnds("x");
    EXPECT_EQ(reused.lineEnds, LineEnds::none);
}

// VT, FF, NEL, LS and PS end lines too, so files that differ only in them compare equal:
// the notice names them.
TEST(TextFormat, TheRarerLineEndsAreNamedWhenOnlyOneFileHasThem)
{
    const auto other = [](QByteArrayView text) {
        TextFormat format = scanned(text);
        format.scanOtherLineEnds(text);
        return format;
    };
    EXPECT_EQ(other("a\vb\fc\xC2\x85"
                    "d\xE2\x80\xA8"
                    "e\xE2\x80\xA9")
                  .otherLineEndsKeys(),
              (QStringList{"vt", "ff", "nel", "ls", "ps"}));
    // Look-alikes: U+00C5 (C3 85), U+2027 (E2 80 A7), a lead byte at the end.
    EXPECT_EQ(other("\xC3\x85\xE2\x80\xA7\xC2").otherLineEnds, 0U);
    EXPECT_EQ(TextFormat::differences(other("a\fb\n"), other("a\nb\n")),
              QStringLiteral("Line ends differ (form feed)"));
    EXPECT_EQ(TextFormat::differences(other("a\nb\xC2\x85"), other("a\vb\xC2\x85")),
              QStringLiteral("Line ends differ (vertical tab)"));
    EXPECT_EQ(TextFormat::differences(other("a\r\nb\fc\r\n"), other("a\nb\nc\n")),
              QStringLiteral("Line ends differ: CR LF on the left, LF on the right; line ends differ (form feed)"));
    EXPECT_EQ(TextFormat::differences(other("a\fb"), other("a\fc")), QString());
}

TEST(TextFormat, LabelsForTheToolbarAndTheDifferencesForTheNotice)
{
    TextFormat windows;
    windows.lineEnds = TextFormat::LineEnds::crLf;
    EXPECT_EQ(windows.label(), QStringLiteral("UTF-8 · CR LF · no final newline"));
    windows.finalLineEnd = true;
    EXPECT_EQ(windows.label(), QStringLiteral("UTF-8 · CR LF"));
    EXPECT_EQ(scanned("").label(), QStringLiteral("UTF-8 · empty"));
    EXPECT_EQ(TextFormat().label(), QStringLiteral("UTF-8 · no final newline"));
    TextFormat utf16{TextFormat::Encoding::utf16BigEndian, true, TextFormat::LineEnds::mixed, true, false};
    EXPECT_EQ(utf16.label(), QStringLiteral("UTF-16 BE with BOM · mixed line ends"));
    EXPECT_EQ(utf16.encodingKey(), QStringLiteral("utf-16be"));
    EXPECT_EQ(utf16.lineEndsKey(), QStringLiteral("mixed"));

    TextFormat lfOnly;
    lfOnly.lineEnds = TextFormat::LineEnds::lf;
    lfOnly.finalLineEnd = true;
    EXPECT_EQ(TextFormat::differences(windows, lfOnly),
              QStringLiteral("Line ends differ: CR LF on the left, LF on the right"));
    EXPECT_EQ(TextFormat::differences(lfOnly, lfOnly), QString());

    TextFormat bom = lfOnly;
    bom.byteOrderMark = true;
    EXPECT_EQ(TextFormat::differences(bom, lfOnly),
              QStringLiteral("Byte-order marks differ: a BOM on the left, none on the right"));

    TextFormat latin1 = lfOnly;
    latin1.encoding = TextFormat::Encoding::latin1;
    latin1.finalLineEnd = false;
    EXPECT_EQ(TextFormat::differences(lfOnly, latin1),
              QStringLiteral("Encodings differ: UTF-8 on the left, Latin-1 on the right; "
                             "only the left file ends with a newline"));

    // One line without a line end against the same line with one: only the final newline.
    TextFormat single;
    EXPECT_EQ(TextFormat::differences(single, windows), QStringLiteral("Only the right file ends with a newline"));
}

} // namespace
