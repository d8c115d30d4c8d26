// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/standardstreams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace varnel {

void holdStandardDescriptors()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lowest free number is this one, as the lower ones are open by now.
        const int held = ::open("/dev/null", (fd == 0 ? O_WRONLY : O_RDONLY) | O_NOCTTY);
        if (held >= 0 && held != fd) {
            ::dup2(held, fd);
            ::close(held);
        }
    }
}

} // namespace varnel
