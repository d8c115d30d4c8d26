// SPDX-License-Identifier: GPL-3.0-or-later

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
        descriptor,     // one of the process's open descriptors ("/dev/stdout", "/dev/fd/3"):
                        // written through it, where it stands, never replaced
    };

    // What to do with a target that exists and is not a regular file, or that names an
    // open descriptor.
    enum class NotRegular {
        writeInPlace, // write into it as it is (/dev/stdout, a FIFO): the command line
        refuse,       // refuse it: the window's export
    };

    static Target inspect(const QString& target, const QStringList& inputs);

    // The one rule every writer of a report keeps (export, share, print to a file,
    // varnel-cli report): never over a compared file. Gives inputRefused() when `target`
    // is one of `inputs`, by device and inode, so through a symbolic or hard link too.
    // write() asks it; a writer may ask before it draws, to refuse early.
    static std::optional<Error> refuseInput(const QString& target, const QStringList& inputs);

    // The longest file name Linux file systems take, in bytes. The temporary file of an
    // atomic write has a short name of its own, so any name that fits can be written.
    static constexpr qsizetype kMaxNameBytes = 255;

    // "LEFT vs RIGHT.pdf", the names keeping their extensions (and bytes); shortened in
    // the middle, to at most kMaxNameBytes, when longer than a file name may be. The one
    // default for the window's commands and varnel-cli's report. A name given as a path
    // (a label such as "src/a.hpp (old)") counts from its last part, since a slash cannot
    // stand in a file name.
    static QString defaultName(const QString& leftName, const QString& rightName);

    // Writes `data` to `target`. A target that is one of `inputs` is refused
    // (inputRefused()); one that exists and is not a regular file, or that names an open
    // descriptor, is written in place or refused (notRegularRefused()) as `notRegular`
    // says (a descriptor through itself, appending where it appends: its path may lead to
    // a regular file that a rename would replace). An existing file the user may not write
    // is refused ("Permission denied"), as the shell's ">" refuses it. Anything else is
    // written to a temporary file beside it, flushed to disk and renamed over it (a
    // symbolic link is followed and kept), so a failure never leaves a half-written report
    // in place of an existing file. A failure gives `The report "TARGET" could not be
    // written: REASON.` with the system's reason ("No space left on device").
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
