// SPDX-License-Identifier: GPL-3.0-or-later

#include "report/reportfile.h"

#include "core/nativepath.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace varnel {

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Writes all of `data`, retrying short writes and interruptions; false with errno set
// on failure.
bool writeAll(int fd, QByteArrayView data)
{
    const char* p = data.data();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, p, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += written;
        left -= written;
    }
    return true;
}

// The process's file-creation mask, read without changing it (umask() would, for every
// thread at once).
mode_t currentUmask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    return mode_t(mask);
            }
        }
    }
    return 022;
}

std::optional<QByteArray> resolved(const QByteArray& path)
{
    char buffer[PATH_MAX];
    if (::realpath(path.constData(), buffer) == nullptr)
        return std::nullopt;
    return QByteArray(buffer);
}

// The descriptor that `path` names when it is "/dev/stdout", "/dev/fd/N",
// "/proc/self/fd/N" or a kin of theirs, or a symbolic link that leads to one. Opening such
// a path opens anew whatever the descriptor leads to (truncating it), and renaming over it
// would replace that file, where the user asked for the descriptor itself.
std::optional<int> namedDescriptor(QByteArray path)
{
    static const QByteArray self = "/proc/" + QByteArray::number(::getpid()) + "/fd/";
    for (int hop = 0; hop < 8; ++hop) {
        if (path == "/dev/stdin")
            return 0;
        if (path == "/dev/stdout")
            return 1;
        if (path == "/dev/stderr")
            return 2;
        for (const QByteArray& folder : {QByteArray("/dev/fd/"), QByteArray("/proc/self/fd/"), self}) {
            bool number = false;
            const int fd = path.startsWith(folder) ? path.mid(folder.size()).toInt(&number) : -1;
            if (number && fd >= 0)
                return fd;
        }
        char buffer[PATH_MAX];
        const ssize_t length = ::readlink(path.constData(), buffer, sizeof buffer);
        if (length <= 0)
            return std::nullopt;
        const QByteArray next(buffer, length);
        path = next.startsWith('/') ? next : path.left(path.lastIndexOf('/') + 1) + next;
    }
    return std::nullopt;
}

// Into an existing device, FIFO or socket, as `cat > target` would.
std::optional<int> writeInPlace(const QByteArray& path, QByteArrayView data)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0)
        return errno;
    const bool written = writeAll(fd, data);
    const int writeError = errno;
    if (::close(fd) != 0 && written)
        return errno;
    return written ? std::nullopt : std::optional(writeError);
}

// Beside the file, flushed, then renamed over it: the old file stays whole until the new
// one is complete on disk. The temporary name does not grow with the target's, so every
// name that fits a folder can be written.
std::optional<int> writeAtomically(const QByteArray& path, QByteArrayView data, std::optional<mode_t> keepMode)
{
    const qsizetype slash = path.lastIndexOf('/');
    QByteArray temporary = (slash >= 0 ? path.left(slash + 1) : QByteArray()) + ".varnel-report-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    const auto failed = [&](int error) {
        ::close(fd);
        ::unlink(temporary.constData());
        return error;
    };
    if (::fchmod(fd, keepMode.value_or(0666 & ~currentUmask())) != 0)
        return failed(errno);
    if (!writeAll(fd, data) || ::fsync(fd) != 0)
        return failed(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return error;
    }
    if (::rename(temporary.constData(), path.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return error;
    }
    return std::nullopt;
}

} // namespace

ReportFile::Target ReportFile::inspect(const QString& target, const QStringList& inputs)
{
    for (const QString& input : inputs) {
        if (isSameFile(target, input))
            return Target::input;
    }
    if (namedDescriptor(nativePath(target)))
        return Target::descriptor;
    struct stat status {};
    if (::stat(nativePath(target).constData(), &status) != 0)
        return Target::absent; // nothing there, or a dangling link: written through
    return S_ISREG(status.st_mode) ? Target::regularFile : Target::notRegularFile;
}

QString ReportFile::defaultName(const QString& leftName, const QString& rightName)
{
    const QString suffix = QStringLiteral(".pdf");
    const auto lastPart = [](const QString& name) { return name.sliced(name.lastIndexOf(u'/') + 1); };
    QString stem = lastPart(leftName) + QStringLiteral(" vs ") + lastPart(rightName);
    if (nativePath(stem + suffix).size() <= kMaxNameBytes)
        return stem + suffix;
    // Too long for a file name: the middle goes, so that both ends (the left file's name
    // and the right file's extension) stay recognisable.
    const QString ellipsis = QStringLiteral("…");
    while (!stem.isEmpty() && nativePath(stem + ellipsis + suffix).size() > kMaxNameBytes) {
        qsizetype at = stem.size() / 2;
        qsizetype count = 1;
        if (stem[at].isLowSurrogate() && at > 0)
            --at;
        if (stem[at].isHighSurrogate() && at + 1 < stem.size() && stem[at + 1].isLowSurrogate())
            count = 2;
        stem.remove(at, count);
    }
    qsizetype middle = stem.size() / 2;
    if (middle > 0 && stem[middle].isLowSurrogate() && stem[middle - 1].isHighSurrogate())
        --middle; // never between the halves of one character
    return stem.left(middle) + ellipsis + stem.mid(middle) + suffix;
}

std::optional<Error> ReportFile::refuseInput(const QString& target, const QStringList& inputs)
{
    if (inspect(target, inputs) == Target::input)
        return inputRefused(target);
    return std::nullopt;
}

std::optional<Error> ReportFile::write(const QString& target, QByteArrayView data, const QStringList& inputs,
                                       NotRegular notRegular)
{
    if (std::optional<Error> refused = refuseInput(target, inputs))
        return refused;
    const QByteArray path = nativePath(target);
    std::optional<int> error;
    switch (inspect(target, {})) {
    case Target::input: break; // no inputs asked about
    case Target::descriptor:
        if (notRegular == NotRegular::refuse)
            return notRegularRefused(target);
        if (!writeAll(*namedDescriptor(path), data))
            error = errno;
        break;
    case Target::notRegularFile:
        if (notRegular == NotRegular::refuse)
            return notRegularRefused(target);
        error = writeInPlace(path, data);
        break;
    case Target::regularFile: {
        // Through a symbolic link to the file it names, which keeps the link; the new file
        // keeps the old one's permissions.
        struct stat status {};
        const std::optional<QByteArray> real = resolved(path);
        // The user's own right to write the file, as the shell's ">" asks it.
        if (!real || ::stat(real->constData(), &status) != 0 ||
            ::faccessat(AT_FDCWD, real->constData(), W_OK, AT_EACCESS) != 0) {
            error = errno;
            break;
        }
        error = writeAtomically(*real, data, mode_t(status.st_mode & 07777));
        break;
    }
    case Target::absent: {
        struct stat link {};
        if (::lstat(path.constData(), &link) == 0 && S_ISLNK(link.st_mode))
            error = writeInPlace(path, data); // a dangling link: create what it names
        else
            error = writeAtomically(path, data, std::nullopt);
        break;
    }
    }
    if (error)
        return writeFailed(target, systemReason(*error));
    return std::nullopt;
}

Error ReportFile::inputRefused(const QString& target)
{
    return Error{
        Error::Kind::other,
        QStringLiteral("The report \"%1\" would replace one of the files being compared.").arg(displayPath(target))};
}

Error ReportFile::notRegularRefused(const QString& target)
{
    return Error{Error::Kind::notRegularFile,
                 QStringLiteral("The report \"%1\" cannot be written there: it is not a regular file.")
                     .arg(displayPath(target))};
}

Error ReportFile::writeFailed(const QString& target, const QString& reason)
{
    QString why = reason;
    while (why.endsWith(u'.'))
        why.chop(1);
    return Error{Error::Kind::other,
                 QStringLiteral("The report \"%1\" could not be written: %2.").arg(displayPath(target), why)};
}

} // namespace varnel
