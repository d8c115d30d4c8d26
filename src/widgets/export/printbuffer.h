// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace varnel {

// A file in memory that a QPrinter set to PDF output writes by name. Qt's PDF engine
// writes its file itself and never says when a write failed, so a print to a file is drawn
// here and its bytes then go through ReportFile::write, as every other report does: the
// target is replaced only by a complete document, and a failure names the system's reason.
class PrintBuffer {
public:
    PrintBuffer();
    ~PrintBuffer();
    PrintBuffer(const PrintBuffer&) = delete;
    PrintBuffer& operator=(const PrintBuffer&) = delete;

    // 0 once the buffer exists, else the system's error number.
    int error() const { return m_error; }

    // The name to give QPrinter::setOutputFileName. It does not end in ".pdf", so setting it
    // never changes the printer's output format.
    QString path() const;

    // Everything written so far, or the system's error number when it cannot be read.
    std::optional<QByteArray> contents(int* error) const;

    // Whether `pdf` ends as a whole PDF document does, with its end-of-file marker: a
    // drawing cut short by a failed write never does.
    static bool isComplete(const QByteArray& pdf);

private:
    int m_fd = -1;
    int m_error = 0;
};

} // namespace varnel
