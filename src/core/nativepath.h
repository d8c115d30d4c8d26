// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace varnel {

// File names on Linux are bytes and need not be UTF-8. Paths travel through Qt as
// QString, which would turn such bytes into U+FFFD and open some other file (or none).
// So a path keeps every byte: the bytes that are not UTF-8 ride along as lone surrogates
// U+DC80 to U+DCFF, one per byte, and turn back into the same bytes when the file is
// opened. A UTF-8 name gives the same QString as QString::fromUtf8, so nothing changes
// for it. Every path from the command line, a file URL or a bookmark goes through here.

// The path whose exact bytes are `bytes`.
QString pathFromNative(QByteArrayView bytes);

// The exact bytes of `path` (the inverse of pathFromNative).
QByteArray nativePath(const QString& path);

// A file URL that spells the path's exact bytes (percent-encoded), and back. localPath()
// of a URL from elsewhere (a drop, a dialog) gives the bytes the URL spells.
QUrl fileUrl(const QString& path);
QString localPath(const QUrl& url);

// The current folder, as exact bytes.
QString currentFolder();

// `path` made absolute: a relative path is put after `folder`, and nothing else changes.
// "..", "." and doubled slashes are left for the system, which resolves "link/.." from
// where the link leads; cleaning them as text would open another file. Only names shown
// to people may be cleaned.
QString absolutePath(const QString& path, const QString& folder);
QString absolutePath(const QString& path); // against the current folder

// The arguments of main() as paths, each keeping its exact bytes. Both command lines (the
// window's and varnel-cli's) read theirs through this and name files by absolutePath().
QStringList commandLineArguments(int argc, const char* const argv[]);

// Whether two paths name one file: the same device and inode, whatever links, ".." or
// spellings lead there. False when either cannot be reached. Every question of "is this
// that file" (a report over a compared file, a recent pair seen again) asks this.
bool isSameFile(const QString& first, const QString& second);

// The last component of `path`, and the whole path, for people to read: bytes that are
// not UTF-8 show as U+FFFD, and characters that would act on a terminal or turn the text
// around them (controls, DEL, the C1 controls, bidirectional overrides) show as escapes,
// "\x1b" or "\u202e", so a name can never retitle or clear the terminal it is printed on.
QString displayName(const QString& path);
QString displayPath(const QString& path);

} // namespace varnel
