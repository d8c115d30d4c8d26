// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace varnel::cli {

void StandardOutput::write(QByteArrayView bytes)
{
    if (s_error != 0 || bytes.isEmpty())
        return;
    errno = 0;
    if (std::fwrite(bytes.data(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()))
        s_error = errno != 0 ? errno : EIO;
}

std::optional<QString> StandardOutput::finish()
{
    if (s_error == 0) {
        errno = 0;
        if (std::fflush(stdout) != 0 || std::ferror(stdout))
            s_error = errno != 0 ? errno : EIO;
    }
    if (s_error == 0)
        return std::nullopt;
    return QString::fromLocal8Bit(std::strerror(s_error));
}

} // namespace varnel::cli
