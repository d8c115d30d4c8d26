// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/memorybudget.h"

#include <QFile>
#include <QLocale>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <limits>
#include <optional>

namespace varnel {

namespace {

constexpr qint64 kUnlimited = std::numeric_limits<qint64>::max();

std::optional<QByteArray> readSmallFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.read(4096);
}

// A cgroup limit file: a number of bytes, or "max".
qint64 parseLimit(const std::optional<QByteArray>& text)
{
    if (!text)
        return kUnlimited;
    bool ok = false;
    const qint64 value = text->trimmed().toLongLong(&ok);
    return ok && value > 0 ? value : kUnlimited;
}

// The tightest memory.max from the process's own cgroup up to the root (v2), else the
// v1 memory controller's limit.
qint64 cgroupLimit()
{
    qint64 limit = kUnlimited;
    if (const std::optional<QByteArray> self = readSmallFile(QStringLiteral("/proc/self/cgroup"))) {
        for (const QByteArray& line : self->split('\n')) {
            if (!line.startsWith("0::"))
                continue;
            QString group = QString::fromUtf8(line.mid(3));
            for (;;) {
                limit = std::min(limit, parseLimit(readSmallFile(QStringLiteral("/sys/fs/cgroup") + group +
                                                                 QStringLiteral("/memory.max"))));
                if (group.isEmpty() || group == u"/")
                    break;
                group.truncate(group.lastIndexOf(u'/'));
            }
        }
    }
    const qint64 v1 = parseLimit(readSmallFile(QStringLiteral("/sys/fs/cgroup/memory/memory.limit_in_bytes")));
    // v1 reports "no limit" as a huge number rounded to pages.
    if (v1 < (qint64(1) << 60))
        limit = std::min(limit, v1);
    return limit;
}

// What a resource limit leaves: the soft limit minus the part of it already in use
// (statm's fields count pages).
qint64 resourceLimitLeft(int resource, int statmField)
{
    rlimit limit{};
    if (::getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return kUnlimited;
    qint64 used = 0;
    if (const std::optional<QByteArray> statm = readSmallFile(QStringLiteral("/proc/self/statm"))) {
        const QList<QByteArray> fields = statm->trimmed().split(' ');
        if (statmField < fields.size())
            used = fields[statmField].toLongLong() * ::sysconf(_SC_PAGESIZE);
    }
    return std::max<qint64>(0, qint64(std::min<rlim_t>(limit.rlim_cur, rlim_t(kUnlimited))) - used);
}

} // namespace

qint64 MemoryBudget::available()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    qint64 budget = pages > 0 && pageSize > 0 ? qint64(pages) * pageSize : kUnlimited;
    budget = std::min(budget, cgroupLimit());
    budget = std::min(budget, resourceLimitLeft(RLIMIT_AS, 0));   // statm: total program size
    budget = std::min(budget, resourceLimitLeft(RLIMIT_DATA, 5)); // statm: data + stack
    return budget;
}

QString MemoryBudget::formatSize(qint64 bytes)
{
    const QLocale c = QLocale::c();
    if (bytes < 1000)
        return QStringLiteral("%1 bytes").arg(bytes);
    static const char* const units[] = {"kB", "MB", "GB", "TB", "PB", "EB"};
    double value = double(bytes);
    int unit = -1;
    while (value >= 999.95 && unit < 5) {
        value /= 1000;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(c.toString(value, 'f', value < 10 ? 1 : 0), QString::fromLatin1(units[unit]));
}

} // namespace varnel
