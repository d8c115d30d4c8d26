#pragma once

#include "core/error.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

namespace varnel {

// Writing a report where the user asked for it, without ever destroying what the path
// names. Shared by the command line's `report -o` and the window's export.
class ReportFile {
public:
    // What a target path names. Inputs are recognised by device and inode, so a symbolic
    // or hard link to a compared file is that file.
    enum class Target {
        absent,         // nothing there yet
        regularFile,    // an existing file, replaced atomically
        notRegularFile, // a device, FIFO, socket or folder: never replaced
        input,          // one of the files being compared
    };

    // What to do with a target that exists and is not a regular file.
    enum class NotRegular {
        writeInPlace, // write into it as it is (/dev/stdout, a FIFO): the command line
        refuse,       // refuse it: the window's export
    };

    static Target inspect(const QString& target, const QStringList& inputs);

    // Writes `data` to `target`. A target that is one of `inputs` is refused
    // (inputRefused()); one that exists and is not a regular file is written in place or
    // refused (notRegularRefused()) as `notRegular` says. Anything else is written to a
    // temporary file beside it, flushed to disk and renamed over it (a symbolic link is
    // followed and kept), so a failure never leaves a half-written report in place of an
    // existing file. A failure gives `The report "TARGET" could not be written: REASON.`
    // with the system's reason ("No space left on device").
    static std::optional<Error> write(const QString& target, QByteArrayView data, const QStringList& inputs,
                                      NotRegular notRegular);

    // `The report "TARGET" would replace one of the files being compared.`
    static Error inputRefused(const QString& target);
    // `The report "TARGET" cannot be written there: it is not a regular file.`
    static Error notRegularRefused(const QString& target);
    // `The report "TARGET" could not be written: REASON.`
    static Error writeFailed(const QString& target, const QString& reason);
};

} // namespace varnel
