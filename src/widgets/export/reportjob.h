// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "report/exportservice.h"

#include <QString>

#include <functional>

class QWidget;

namespace varnel {

// Draws a report, showing its progress when it is long.
class ReportJob {
public:
    // Reports of more pages than this show a progress dialog while they are drawn.
    static constexpr int kProgressPages = 20;
    // How long the drawing runs before the dialog appears, so that quick ones never flash
    // it.
    static constexpr int kProgressDelayMs = 250;

    // Whether a report is being drawn now: the report commands wait for it to finish
    // rather than start another.
    static bool isRunning();

    enum class Outcome { finished, failed, cancelled };

    // Runs `draw`: finished or failed as it returns true or false. A report of at most
    // kProgressPages pages is drawn here and now. A longer one is drawn on a thread of its
    // own while a modal progress dialog titled `title` counts its pages; when
    // `cancellable`, the dialog's Cancel button stops the drawing before its next page,
    // and the run is cancelled whatever `draw` returned. `draw` marks each page it
    // finishes in the progress it is given, and looks at its `cancelled` flag between
    // pages.
    static Outcome run(QWidget* parent, const QString& title, int pages, bool cancellable,
                       const std::function<bool(ExportService::Progress& progress)>& draw);
};

} // namespace varnel
