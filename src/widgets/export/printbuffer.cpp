// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/export/printbuffer.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace varnel {

PrintBuffer::PrintBuffer() : m_fd(::memfd_create("varnel-print", MFD_CLOEXEC))
{
    if (m_fd < 0)
        m_error = errno;
}

PrintBuffer::~PrintBuffer()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QString PrintBuffer::path() const
{
    return QStringLiteral("/proc/self/fd/%1").arg(m_fd);
}

std::optional<QByteArray> PrintBuffer::contents(int* error) const
{
    struct stat status {};
    if (::fstat(m_fd, &status) != 0) {
        *error = errno;
        return std::nullopt;
    }
    QByteArray bytes(qsizetype(status.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::pread(m_fd, bytes.data() + done, size_t(bytes.size() - done), done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            *error = got < 0 ? errno : EIO;
            return std::nullopt;
        }
        done += got;
    }
    return bytes;
}

bool PrintBuffer::isComplete(const QByteArray& pdf)
{
    // Qt ends its documents with "startxref", the offset and "%%EOF".
    return pdf.startsWith("%PDF-") && pdf.right(16).contains("%%EOF");
}

} // namespace varnel
