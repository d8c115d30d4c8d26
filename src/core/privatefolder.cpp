// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/privatefolder.h"

#include "core/nativepath.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace varnel {

namespace {

Error folderError(const QString& path, const QString& reason)
{
    return Error{Error::Kind::other,
                 QStringLiteral("The folder \"%1\" cannot be used: %2.").arg(displayPath(path), reason)};
}

} // namespace

std::optional<Error> makePrivateFolder(const QString& path)
{
    const QByteArray native = nativePath(path);
    const QString parent = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(parent))
        return folderError(parent, QStringLiteral("it cannot be created"));
    // mkdir fails harmlessly when something is there already: the checks below say
    // whether it will do.
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return folderError(path, QString::fromLocal8Bit(std::strerror(errno)));
    struct stat status {};
    if (::lstat(native.constData(), &status) != 0)
        return folderError(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISDIR(status.st_mode))
        return folderError(path, QStringLiteral("it is not a folder"));
    if (status.st_uid != ::geteuid())
        return folderError(path, QStringLiteral("it belongs to another user"));
    if ((status.st_mode & 077) != 0 && ::chmod(native.constData(), 0700) != 0)
        return folderError(path, QString::fromLocal8Bit(std::strerror(errno)));
    return std::nullopt;
}

} // namespace varnel
