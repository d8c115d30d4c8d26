// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QUtf8StringView>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace varnel {

// Where each line of a TextLines starts: four bytes a line while the text is under 4 GiB,
// eight beyond (the table widens itself when an offset needs it).
class LineOffsets {
public:
    size_t size() const { return m_wide.empty() ? m_narrow.size() : m_wide.size(); }
    qsizetype operator[](size_t i) const { return m_wide.empty() ? qsizetype(m_narrow[i]) : m_wide[i]; }
    qsizetype back() const { return (*this)[size() - 1]; }

    void push_back(qsizetype offset)
    {
        if (m_wide.empty()) {
            if (offset <= qsizetype(std::numeric_limits<std::uint32_t>::max())) {
                m_narrow.push_back(std::uint32_t(offset));
                return;
            }
            widen();
        }
        m_wide.push_back(offset);
    }
    void pop_back()
    {
        if (m_wide.empty())
            m_narrow.pop_back();
        else
            m_wide.pop_back();
    }
    void reserve(size_t count)
    {
        if (m_wide.empty())
            m_narrow.reserve(count);
        else
            m_wide.reserve(count);
    }

private:
    void widen()
    {
        m_wide.reserve(std::max(m_narrow.capacity(), m_narrow.size() + 1));
        m_wide.assign(m_narrow.begin(), m_narrow.end());
        m_narrow = {};
    }

    std::vector<std::uint32_t> m_narrow{0};
    std::vector<qsizetype> m_wide;
};

// The lines of one document, as compared and shown: valid UTF-8, without terminators.
//
// All lines live back to back in one buffer, addressed by an offset table, so a
// million-line file costs one allocation for its text and four bytes a line for its
// offsets (eight past 4 GiB of text). Diff rows point into this buffer instead of copying their text; a
// `DiffResult` keeps the `TextLines` of both sides alive.
class TextLines {
public:
    TextLines() = default;

    // Splits `utf8`, which must be valid UTF-8, into lines. Every character of the
    // newline set ends a line: LF, VT, FF, CR, NEL (U+0085), LS (U+2028) and PS (U+2029).
    // A CR directly followed by LF is one line end. Two line ends in a row give an empty
    // line between them; one trailing empty element is dropped, so "a\n" and "a" both
    // give one line, "\n" gives one empty line and "" gives none. The buffer is reused.
    static TextLines split(QByteArray utf8);

    // Like split(), but appends to this document instead of making a new one.
    void appendSplit(QByteArrayView utf8);

    static TextLines fromStrings(const QStringList& lines);
    static std::shared_ptr<const TextLines> share(TextLines lines);

    void append(QByteArrayView utf8Line);
    // As append(); the first line with text takes the buffer over instead of copying it.
    void appendOwned(QByteArray&& utf8Line);
    void reserve(qsizetype lines, qsizetype bytes);

    qsizetype size() const { return qsizetype(m_offsets.size()) - 1; }
    bool isEmpty() const { return size() == 0; }

    QUtf8StringView utf8(qsizetype index) const
    {
        const qsizetype begin = m_offsets[size_t(index)];
        return QUtf8StringView(m_data.constData() + begin, m_offsets[size_t(index) + 1] - begin);
    }
    QString at(qsizetype index) const { return utf8(index).toString(); }
    QStringList toStringList() const;

    // Total bytes of text held, without terminators.
    qsizetype byteSize() const { return m_offsets.back(); }

private:
    void splitInPlace(qsizetype from);

    QByteArray m_data;
    LineOffsets m_offsets; // line i is [m_offsets[i], m_offsets[i + 1])
};

using SharedLines = std::shared_ptr<const TextLines>;

} // namespace varnel
