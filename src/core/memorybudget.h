// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QtGlobal>

namespace varnel {

// How much memory a comparison may count on, so that one that cannot fit is refused
// with a message instead of ending in an allocation failure, the kernel's OOM killer,
// or an abort.
class MemoryBudget {
public:
    // The least of: the machine's physical memory, the memory limit of the process's
    // control group (v2, or v1), and what the address-space and data-size resource limits
    // leave beside what the process already uses.
    static qint64 available();

    // "1.4 GB", "730 MB", "12 kB", "512 bytes": decimal units, as file managers show sizes.
    static QString formatSize(qint64 bytes);
};

} // namespace varnel
