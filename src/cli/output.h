// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace varnel::cli {

// Standard output with every write checked, as GNU diff does: the first failure (a full
// disk, a closed descriptor) is kept with the system's reason, later writes are skipped,
// and the tool exits 2 with that reason instead of 0.
class StandardOutput {
public:
    static void write(QByteArrayView bytes);

    // Flushes what is buffered; the system's reason for the first failure, if any.
    static std::optional<QString> finish();

private:
    static inline int s_error = 0;
};

// Output is built in large chunks and flushed as it grows, so a million-row diff
// streams instead of piling up.
class Sink {
public:
    Sink() { m_buffer.reserve(kChunk + 4096); }
    ~Sink() { flush(); }
    Sink(const Sink&) = delete;
    Sink& operator=(const Sink&) = delete;

    QByteArray& buffer() { return m_buffer; }
    void maybeFlush()
    {
        if (m_buffer.size() >= kChunk)
            flush();
    }
    void flush()
    {
        StandardOutput::write(m_buffer);
        m_buffer.clear();
    }

private:
    static constexpr qsizetype kChunk = 1 << 20;
    QByteArray m_buffer;
};

} // namespace varnel::cli
