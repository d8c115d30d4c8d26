// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/nativepath.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace varnel {

namespace {

constexpr char16_t kEscapeBase = 0xDC00; // byte b rides as U+DC00 + b (b >= 0x80)

// Length of the well-formed UTF-8 sequence at p[i], or 0 when the byte there does not
// start one: no overlong forms, no surrogates, nothing past U+10FFFF.
qsizetype sequenceLength(const unsigned char* p, qsizetype i, qsizetype n)
{
    const unsigned char c = p[i];
    qsizetype length;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0)
            lo = 0xA0;
        else if (c == 0xED)
            hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0)
            lo = 0x90;
        else if (c == 0xF4)
            hi = 0x8F;
    } else {
        return 0;
    }
    if (i + length > n || p[i + 1] < lo || p[i + 1] > hi)
        return 0;
    for (qsizetype k = 2; k < length; ++k) {
        if ((p[i + k] & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

bool isEscapedByte(char16_t unit)
{
    return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF;
}

bool isEscapedByteAt(const QString& text, qsizetype i)
{
    return isEscapedByte(text[i].unicode()) && !(i > 0 && QChar::isHighSurrogate(text[i - 1].unicode()));
}

// Characters a terminal acts on, or that reorder the text shown around them.
bool actsOnText(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

QString escaped(char16_t c)
{
    if (c <= 0x7F)
        return QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'));
    return QStringLiteral("\\u%1").arg(uint(c), 4, 16, QLatin1Char('0'));
}

} // namespace

QString pathFromNative(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    QString out;
    out.reserve(n);
    qsizetype i = 0;
    while (i < n) {
        if (p[i] < 0x80) {
            out.append(QLatin1Char(char(p[i])));
            ++i;
            continue;
        }
        const qsizetype length = sequenceLength(p, i, n);
        if (length == 0) {
            out.append(QChar(char16_t(kEscapeBase + p[i])));
            ++i;
            continue;
        }
        out.append(QString::fromUtf8(reinterpret_cast<const char*>(p + i), length));
        i += length;
    }
    return out;
}

QByteArray nativePath(const QString& path)
{
    QByteArray out;
    out.reserve(path.size());
    const qsizetype n = path.size();
    qsizetype start = 0; // start of the run of ordinary text not yet converted
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t unit = path[i].unicode();
        if (!isEscapedByte(unit))
            continue;
        // A low surrogate that ends a pair is text, not an escaped byte.
        if (i > 0 && QChar::isHighSurrogate(path[i - 1].unicode()))
            continue;
        out.append(QStringView(path).sliced(start, i - start).toUtf8());
        out.append(char(unit - kEscapeBase));
        start = i + 1;
    }
    out.append(QStringView(path).sliced(start).toUtf8());
    return out;
}

QUrl fileUrl(const QString& path)
{
    bool utf8 = true;
    for (qsizetype i = 0; i < path.size() && utf8; ++i)
        utf8 = !isEscapedByteAt(path, i);
    if (utf8)
        return QUrl::fromLocalFile(path); // UTF-8: the URL everyone else makes for it
    QUrl url;
    url.setScheme(QStringLiteral("file"));
    url.setPath(QString::fromLatin1(nativePath(path).toPercentEncoding("/")), QUrl::TolerantMode);
    return url;
}

QString localPath(const QUrl& url)
{
    return pathFromNative(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

QString currentFolder()
{
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return QString();
        buffer.resize(buffer.size() * 2);
    }
    return pathFromNative(buffer.data());
}

QString absolutePath(const QString& path, const QString& folder)
{
    if (path.startsWith(u'/') || folder.isEmpty())
        return path;
    return folder.endsWith(u'/') ? folder + path : folder + u'/' + path;
}

QString absolutePath(const QString& path)
{
    return path.startsWith(u'/') ? path : absolutePath(path, currentFolder());
}

QStringList commandLineArguments(int argc, const char* const argv[])
{
    QStringList arguments;
    arguments.reserve(argc);
    for (int i = 0; i < argc; ++i)
        arguments << pathFromNative(argv[i]);
    return arguments;
}

bool isSameFile(const QString& first, const QString& second)
{
    struct stat one {};
    struct stat other {};
    return ::stat(nativePath(first).constData(), &one) == 0 && ::stat(nativePath(second).constData(), &other) == 0 &&
           one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

QString displayName(const QString& path)
{
    return displayPath(path.sliced(path.lastIndexOf(u'/') + 1));
}

QString displayPath(const QString& path)
{
    QString name;
    name.reserve(path.size());
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path[i].unicode();
        if (isEscapedByteAt(path, i))
            name.append(QChar::ReplacementCharacter);
        else if (actsOnText(unit))
            name.append(escaped(unit));
        else
            name.append(QChar(unit));
    }
    return name;
}

} // namespace varnel
