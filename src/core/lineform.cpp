// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/lineform.h"

#include <QChar>

#include <cstdint>
#include <cstring>

namespace varnel {

namespace {

inline unsigned char byteAt(QByteArrayView text, qsizetype i)
{
    return static_cast<unsigned char>(text[i]);
}

// Printable ASCII other than space: most bytes of most lines, settled in one comparison.
inline bool plainAscii(unsigned char c)
{
    return unsigned(c) - 0x21u < 0x5Fu;
}

// Whether the eight bytes at `p` are all ASCII above space (no white space, nothing to
// decode): a word-at-a-time test that lets squeezing copy them whole.
inline bool eightPlain(const unsigned char* p)
{
    std::uint64_t x;
    std::memcpy(&x, p, 8);
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    const std::uint64_t belowBang = (x - 0x2121212121212121ULL) & ~x & kHigh; // a byte under 0x21
    return ((x & kHigh) | belowBang) == 0;
}

// The Unicode space separator that starts at `p` (a lead byte of 0xC2 or more): its
// length, or 0.
int unicodeSpace(const unsigned char* p, const unsigned char* end)
{
    const auto at = [&](int i) { return p + i < end ? p[i] : 0; };
    switch (p[0]) {
    case 0xC2: return at(1) == 0xA0 ? 2 : 0;                  // U+00A0
    case 0xE1: return at(1) == 0x9A && at(2) == 0x80 ? 3 : 0; // U+1680
    case 0xE3: return at(1) == 0x80 && at(2) == 0x80 ? 3 : 0; // U+3000
    case 0xE2:
        if (at(1) == 0x80)
            return (at(2) >= 0x80 && at(2) <= 0x8A) || at(2) == 0xAF ? 3 : 0; // U+2000..U+200A, U+202F
        return at(1) == 0x81 && at(2) == 0x9F ? 3 : 0;                        // U+205F
    default: return 0;
    }
}

// The length of the white space at `p` (before `end`), or 0; ASCII settled inline.
inline int spaceLength(const unsigned char* p, const unsigned char* end)
{
    if (p >= end)
        return 0;
    const unsigned char c = *p;
    if (c < 0x80)
        return c == ' ' || (c >= '\t' && c <= '\r' && c != '\n') ? 1 : 0;
    return c < 0xC2 ? 0 : unicodeSpace(p, end);
}

const unsigned char* bytes(QByteArrayView text)
{
    return reinterpret_cast<const unsigned char*>(text.data());
}

// Where the line ends once trailing white space is gone.
qsizetype trimmedEnd(QByteArrayView line)
{
    const unsigned char* const start = bytes(line);
    const unsigned char* end = start + line.size();
    while (end > start) {
        if (plainAscii(end[-1]))
            break; // most lines end so
        if (spaceLength(end - 1, end) == 1)
            end -= 1;
        else if (end - start >= 2 && spaceLength(end - 2, end) == 2)
            end -= 2;
        else if (end - start >= 3 && spaceLength(end - 3, end) == 3)
            end -= 3;
        else
            break;
    }
    return end - start;
}

// The code point that starts `text` and its length in bytes; a byte that starts no valid
// sequence stands for itself (length 1, code point 0xFFFFFFFF).
char32_t decode(QByteArrayView text, int& length)
{
    const unsigned char lead = byteAt(text, 0);
    length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (length == 1 || text.size() < length) {
        length = 1;
        return lead < 0x80 ? lead : 0xFFFFFFFFu;
    }
    char32_t code = lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        const unsigned char next = byteAt(text, k);
        if ((next & 0xC0) != 0x80) {
            length = 1;
            return 0xFFFFFFFFu;
        }
        code = (code << 6) | (next & 0x3F);
    }
    return code;
}

// Writes `code` as UTF-8 at `to`; gives the end.
char* encode(char32_t code, char* to)
{
    if (code < 0x80) {
        *to++ = char(code);
    } else if (code < 0x800) {
        *to++ = char(0xC0 | (code >> 6));
        *to++ = char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *to++ = char(0xE0 | (code >> 12));
        *to++ = char(0x80 | ((code >> 6) & 0x3F));
        *to++ = char(0x80 | (code & 0x3F));
    } else {
        *to++ = char(0xF0 | (code >> 18));
        *to++ = char(0x80 | ((code >> 12) & 0x3F));
        *to++ = char(0x80 | ((code >> 6) & 0x3F));
        *to++ = char(0x80 | (code & 0x3F));
    }
    return to;
}

} // namespace

LineForm::LineForm(const CompareOptions& options)
    : m_space(options.ignoreAllSpace        ? Space::all
              : options.ignoreSpaceChange   ? Space::change
              : options.ignoreTrailingSpace ? Space::trailing
                                            : Space::keep)
    , m_fold(options.ignoreCase)
{
}

int LineForm::spaceAt(QByteArrayView text)
{
    return spaceLength(bytes(text), bytes(text) + text.size());
}

bool LineForm::isAllSpace(QByteArrayView line)
{
    return trimmedEnd(line) == 0;
}

QByteArrayView LineForm::apply(QByteArrayView line, Scratch& scratch) const
{
    if (isIdentity())
        return line;
    QByteArrayView form = line;
    if (m_space != Space::keep)
        form = form.first(trimmedEnd(form));
    if (m_space == Space::change || m_space == Space::all)
        form = squeeze(form, scratch.space);
    if (m_fold)
        form = fold(form, scratch.folded);
    return form;
}

// Runs of white space become one space (-b) or nothing (-w). The line has no trailing
// white space by now, so a lone space is always followed by something else.
QByteArrayView LineForm::squeeze(QByteArrayView line, std::string& out) const
{
    const bool all = m_space == Space::all;
    const unsigned char* from = bytes(line);
    const unsigned char* const end = from + line.size();
    for (; from < end; ++from) {
        if (plainAscii(*from) || spaceLength(from, end) == 0)
            continue;
        if (all || *from != ' ' || spaceLength(from + 1, end) > 0)
            break;
    }
    if (from == end)
        return line;
    if (out.size() < size_t(line.size()))
        out.resize(size_t(line.size())); // never shrunk, so it is filled once, not line after line
    char* const start = out.data();
    const qsizetype kept = from - bytes(line);
    std::memcpy(start, line.data(), size_t(kept));
    char* to = start + kept;
    while (from < end) {
        if (end - from >= 8 && eightPlain(from)) {
            std::memcpy(to, from, 8);
            to += 8;
            from += 8;
            continue;
        }
        const int space = plainAscii(*from) ? 0 : spaceLength(from, end);
        if (space == 0) {
            *to++ = char(*from++);
            continue;
        }
        for (int more = space; more > 0; more = spaceLength(from, end))
            from += more;
        if (!all)
            *to++ = ' ';
    }
    return QByteArrayView(start, to - start);
}

// ASCII letters without decoding; other code points through Qt's simple case folding,
// which may lengthen a character by a byte (U+023A, two bytes, folds to U+2C65, three).
QByteArrayView LineForm::fold(QByteArrayView line, std::string& out)
{
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (i < n && byteAt(line, i) < 0x80 && !(byteAt(line, i) >= 'A' && byteAt(line, i) <= 'Z'))
        ++i;
    if (i == n)
        return line;
    if (out.size() < size_t(2 * n)) // a folded character is at most half as long again
        out.resize(size_t(2 * n));  // (never shrunk: the next line would fill it again)
    char* const start = out.data();
    std::memcpy(start, line.data(), size_t(i));
    char* to = start + i;
    while (i < n) {
        const unsigned char c = byteAt(line, i);
        if (c < 0x80) {
            *to++ = char(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
            ++i;
            continue;
        }
        int length = 1;
        const char32_t code = decode(line.sliced(i), length);
        if (code == 0xFFFFFFFFu)
            *to++ = char(c);
        else
            to = encode(QChar::toCaseFolded(code), to);
        i += length;
    }
    return QByteArrayView(start, to - start);
}

} // namespace varnel
