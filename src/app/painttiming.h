// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QApplication>

#include <cstdio>

namespace varnel {

// The application object of `varnel --benchmark-first-paint`: it writes to `out` the
// moment (the monotonic clock, in seconds, as CLOCK_MONOTONIC gives it to every process)
// when the first frame showing rows of a diff has been painted and handed to the display,
//     first-paint 12345.678901
// then one line per later event whose handling painted a diff view, with how long that
// took, painting and the hand-over to the display included, by the clock and in the main
// thread's processor time (which a busy machine does not inflate):
//     frame 1.234 1.100
// (milliseconds). A normal run uses a plain QApplication and prints nothing.
class PaintTimingApplication : public QApplication {
public:
    PaintTimingApplication(int& argc, char** argv, std::FILE* out);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    std::FILE* m_out;
    int m_depth = 0;
    // Whether the outermost event being handled has painted a diff view, and one with rows.
    bool m_paintedDiff = false;
    bool m_paintedRows = false;
    bool m_firstPainted = false;
};

// CLOCK_MONOTONIC in seconds.
double monotonicSeconds();

} // namespace varnel
