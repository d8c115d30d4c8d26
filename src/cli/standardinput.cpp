// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/standardinput.h"

#include "cli/command.h"
#include "core/memorybudget.h"
#include "readers/textcheck.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace varnel::cli {

namespace {

Error binaryInput()
{
    return Error{Error::Kind::unsupportedType, QStringLiteral("Standard input looks like a binary file, not text.")};
}

} // namespace

Expected<QByteArray> readStandardInput(qint64 limit, const QString& purpose, bool onlyText)
{
    QByteArray data;
    char chunk[64 * 1024];
    bool headChecked = !onlyText;
    for (;;) {
        if (!headChecked && data.size() > kTextCheckSize) {
            if (!looksLikeText(QByteArrayView(data).first(kTextCheckSize), true))
                return binaryInput();
            headChecked = true;
        }
        const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return Error{Error::Kind::fileUnreadable, QStringLiteral("Standard input could not be read: %1.")
                                                          .arg(QString::fromLocal8Bit(std::strerror(errno)))};
        }
        if (got == 0)
            return data;
        if (data.size() + got > limit) {
            return Error{Error::Kind::tooLarge, QStringLiteral("Standard input is too large to %1: more than %2.")
                                                    .arg(purpose, MemoryBudget::formatSize(limit))};
        }
        data.append(chunk, got);
    }
}

Expected<std::pair<FileItem, FileItem>> comparedSides(const QStringList& files)
{
    if (isStandardInput(files[0]) && isStandardInput(files[1]))
        return Error{Error::Kind::other,
                     QStringLiteral("Standard input (\"-\") can be only one of the two files: name the other one.")};
    const auto side = [](const QString& argument) -> Expected<FileItem> {
        if (!isStandardInput(argument))
            return fileItem(argument);
        // Comparing text needs more than four times its size, and the buffer grows by
        // steps that copy it: past a quarter of the memory there is no hope. Below, the
        // comparison refuses what does not fit with the figures a file of its size gets.
        Expected<QByteArray> bytes = readStandardInput(MemoryBudget::available() / 4, QStringLiteral("compare"), true);
        if (!bytes)
            return bytes.error();
        return FileItem::fromText(std::move(bytes).value(), QStringLiteral("standard input"),
                                  QStringLiteral("Standard input"));
    };
    Expected<FileItem> left = side(files[0]);
    if (!left)
        return left.error();
    Expected<FileItem> right = side(files[1]);
    if (!right)
        return right.error();
    return std::pair(std::move(left).value(), std::move(right).value());
}

} // namespace varnel::cli
