// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffline.h"
#include "readers/filetypedetector.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

#include <array>
#include <optional>

namespace varnel {

// The path of the file on disk that `file` is, or nothing for a side that is not a local
// file (text held in memory, say): only such paths are watched.
std::optional<QString> pathOnDisk(const std::optional<FileItem>& file);

// What a path is at one moment: enough to tell that the file there was written, replaced,
// deleted or made a folder since, without reading it.
struct FileStamp {
    enum class Kind { missing, file, folder };
    Kind kind = Kind::missing;
    qint64 size = 0;
    qint64 modifiedNs = 0; // the modification time, in nanoseconds
    quint64 device = 0;
    quint64 inode = 0;

    static FileStamp of(const QString& path);
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// Watches the two files of a comparison. The system's notices (QFileSystemWatcher) come
// first; since they follow a file's inode, miss a file renamed over the watched one and
// say nothing on many network file systems, the folders are watched too, and check()
// (called when the window becomes active) compares each file's stamp with the last one
// seen. A side reports changed() once per notice of a change; a notice of the file itself
// always counts (two writes in one tick of the clock leave one stamp), a notice of its
// folder only when the stamp moved.
class FileWatch : public QObject {
    Q_OBJECT

public:
    explicit FileWatch(QObject* parent = nullptr);

    // The paths to watch; nothing for a side that is not on disk. A side whose path stays
    // keeps its last stamp.
    void setPaths(const std::optional<QString>& left, const std::optional<QString>& right);
    std::optional<QString> path(FileSide side) const { return m_sides[index(side)].path; }
    // What the side was when last seen.
    FileStamp::Kind kind(FileSide side) const { return m_sides[index(side)].stamp.kind; }

    // Compares both stamps with the files as they are now.
    void check();
    // Whether the system's notices are followed (on by default); off, only check() sees
    // changes, as on a file system that sends none.
    void setNoticesFollowed(bool followed);

Q_SIGNALS:
    // The file on `side` was written, replaced, deleted or made a folder: kind() says which.
    void changed(varnel::FileSide side);

private:
    struct Side {
        std::optional<QString> path;
        FileStamp stamp;
    };
    static std::size_t index(FileSide side) { return side == FileSide::left ? 0 : 1; }
    void fileNoticed(const QString& path);
    void folderNoticed(const QString& folder);
    // Looks at the side again; reports a change when `always` or when its stamp moved.
    void look(FileSide side, bool always);
    void rewatch();

    // Made with the first path to watch: each holds a notice channel of the system's.
    QFileSystemWatcher* m_watcher = nullptr;
    std::array<Side, 2> m_sides;
    bool m_followed = true;
};

} // namespace varnel
