// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/painttiming.h"

#include "widgets/diffview/diffcanvas.h"

#include <QEvent>

#include <ctime>

namespace varnel {

namespace {

double seconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

} // namespace

double monotonicSeconds()
{
    return seconds(CLOCK_MONOTONIC);
}

PaintTimingApplication::PaintTimingApplication(int& argc, char** argv, std::FILE* out)
    : QApplication(argc, argv)
    , m_out(out)
{
}

bool PaintTimingApplication::notify(QObject* receiver, QEvent* event)
{
    // A diff view paints its rows on its viewport; the frame is the outermost event whose
    // handling led to that paint (an update request, an expose, a wheel event that
    // repainted at once), so the time includes every view painted in it and the flush.
    if (event->type() == QEvent::Paint && receiver->isWidgetType()) {
        if (const auto* canvas = qobject_cast<const DiffCanvas*>(receiver->parent());
            canvas && canvas->viewport() == receiver) {
            m_paintedDiff = true;
            m_paintedRows = m_paintedRows || canvas->rowCount() > 0;
        }
    }
    if (m_depth > 0) {
        ++m_depth;
        const bool handled = QApplication::notify(receiver, event);
        --m_depth;
        return handled;
    }

    m_paintedDiff = false;
    m_paintedRows = false;
    const double start = monotonicSeconds();
    const double startCpu = seconds(CLOCK_THREAD_CPUTIME_ID);
    ++m_depth;
    const bool handled = QApplication::notify(receiver, event);
    --m_depth;
    const double end = monotonicSeconds();
    const double endCpu = seconds(CLOCK_THREAD_CPUTIME_ID);
    if (m_paintedRows && !m_firstPainted) {
        m_firstPainted = true;
        std::fprintf(m_out, "first-paint %.6f\n", end);
        std::fflush(m_out);
    } else if (m_paintedDiff && m_firstPainted) {
        std::fprintf(m_out, "frame %.3f %.3f\n", (end - start) * 1000.0, (endCpu - startCpu) * 1000.0);
        std::fflush(m_out);
    }
    return handled;
}

} // namespace varnel
