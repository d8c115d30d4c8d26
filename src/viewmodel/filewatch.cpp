// SPDX-License-Identifier: GPL-3.0-or-later

#include "viewmodel/filewatch.h"

#include "core/fileextension.h"
#include "core/nativepath.h"

#include <QSet>

#include <sys/stat.h>

#include <algorithm>

namespace varnel {

namespace {

// The folder holding `path`, where a file renamed over it or made again shows.
QString folderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

} // namespace

std::optional<QString> pathOnDisk(const std::optional<FileItem>& file)
{
    if (!file || file->isInMemory() || !file->url.isLocalFile())
        return std::nullopt;
    return filePath(file->url);
}

FileStamp FileStamp::of(const QString& path)
{
    struct stat status {};
    if (::stat(nativePath(path).constData(), &status) != 0)
        return {};
    FileStamp stamp;
    stamp.kind = S_ISDIR(status.st_mode) ? Kind::folder : Kind::file;
    stamp.size = qint64(status.st_size);
    stamp.modifiedNs = qint64(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
    stamp.device = quint64(status.st_dev);
    stamp.inode = quint64(status.st_ino);
    return stamp;
}

FileWatch::FileWatch(QObject* parent) : QObject(parent) {}

void FileWatch::setPaths(const std::optional<QString>& left, const std::optional<QString>& right)
{
    for (FileSide side : {FileSide::left, FileSide::right}) {
        Side& watched = m_sides[index(side)];
        const std::optional<QString>& path = side == FileSide::left ? left : right;
        if (watched.path == path)
            continue;
        watched.path = path;
        watched.stamp = path ? FileStamp::of(*path) : FileStamp();
    }
    rewatch();
}

void FileWatch::setNoticesFollowed(bool followed)
{
    m_followed = followed;
    rewatch();
}

void FileWatch::check()
{
    for (FileSide side : {FileSide::left, FileSide::right})
        look(side, false);
    rewatch();
}

void FileWatch::fileNoticed(const QString& path)
{
    // The watch stays on the inode it was given: a file renamed over this path is a new
    // one, watched afresh before it is looked at, so that a write meanwhile is noticed
    // too. The same file keeps its watch: taking it off and back would miss the writes
    // in between.
    const FileStamp now = FileStamp::of(path);
    const bool sameFile = std::ranges::any_of(m_sides, [&](const Side& side) {
        return side.path == path && side.stamp.kind == FileStamp::Kind::file && now.kind == FileStamp::Kind::file &&
               side.stamp.device == now.device && side.stamp.inode == now.inode;
    });
    if (!sameFile) {
        m_watcher->removePath(path);
        if (now.kind == FileStamp::Kind::file)
            m_watcher->addPath(path);
    }
    for (FileSide side : {FileSide::left, FileSide::right}) {
        if (m_sides[index(side)].path == path)
            look(side, true);
    }
    rewatch();
}

void FileWatch::folderNoticed(const QString& folder)
{
    for (FileSide side : {FileSide::left, FileSide::right}) {
        const std::optional<QString>& path = m_sides[index(side)].path;
        if (path && folderOf(*path) == folder)
            look(side, false);
    }
    rewatch();
}

void FileWatch::look(FileSide side, bool always)
{
    Side& watched = m_sides[index(side)];
    if (!watched.path)
        return;
    const FileStamp now = FileStamp::of(*watched.path);
    // A file that is gone or a folder stays so, whatever else its folder sees.
    const bool moved = now != watched.stamp;
    const bool stillAway = now.kind != FileStamp::Kind::file && now.kind == watched.stamp.kind;
    watched.stamp = now;
    if ((always || moved) && !stillAway)
        Q_EMIT changed(side);
}

void FileWatch::rewatch()
{
    QSet<QString> wanted;
    if (m_followed) {
        for (const Side& side : m_sides) {
            if (!side.path)
                continue;
            wanted.insert(folderOf(*side.path));
            if (side.stamp.kind == FileStamp::Kind::file)
                wanted.insert(*side.path);
        }
    }
    if (!m_watcher) {
        if (wanted.isEmpty())
            return;
        m_watcher = new QFileSystemWatcher(this);
        connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &FileWatch::fileNoticed);
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &FileWatch::folderNoticed);
    }
    QStringList gone;
    for (const QStringList& list : {m_watcher->files(), m_watcher->directories()}) {
        for (const QString& path : list) {
            if (!wanted.remove(path))
                gone.append(path);
        }
    }
    if (!gone.isEmpty())
        m_watcher->removePaths(gone);
    if (!wanted.isEmpty())
        m_watcher->addPaths(QStringList(wanted.begin(), wanted.end()));
}

} // namespace varnel
