#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QUtf8StringView>

#include <memory>
#include <vector>

namespace varnel {

// The lines of one document, as compared and shown: valid UTF-8, without terminators.
//
// All lines live back to back in one buffer, addressed by an offset table, so a
// million-line file costs one allocation for its text and eight bytes a line for its
// offsets. Diff rows point into this buffer instead of copying their text; a
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
    std::vector<qsizetype> m_offsets{0}; // line i is [m_offsets[i], m_offsets[i + 1])
};

using SharedLines = std::shared_ptr<const TextLines>;

} // namespace varnel
