// SPDX-License-Identifier: GPL-3.0-or-later

// Prints a report of three pages on a print queue the way the Print command does once its
// dialog is accepted: US Letter, full page, every page. For the end-to-end print check.
//   varnel-print-report QUEUE [ROWS]
#include "core/diffengine.h"
#include "widgets/export/exportpresenter.h"

#include <QApplication>
#include <QPrinter>
#include <QPrinterInfo>

#include <cstdio>

using namespace varnel;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() < 2 || arguments.size() > 3) {
        std::fprintf(stderr, "usage: varnel-print-report QUEUE [ROWS]\n");
        return 2;
    }
    const QString& queue = arguments[1];
    const int rows = arguments.size() == 3 ? arguments[2].toInt() : 120; // 49 + 49 + 22: three pages
    if (QPrinterInfo::printerInfo(queue).isNull()) {
        std::fprintf(stderr, "varnel-print-report: no print queue named %s\n", qPrintable(queue));
        return 1;
    }

    QStringList left;
    for (int i = 1; i <= rows; ++i)
        left << QStringLiteral("line %1 of the left file").arg(i);
    QStringList right = left;
    right[rows / 2] = QStringLiteral("a changed line");
    const DiffResult result = DiffEngine::compute(left, right, false);

    QPrinter printer(QPrinter::HighResolution);
    ExportPresenter::preparePrinter(printer, QStringLiteral("left.txt"), QStringLiteral("right.txt"));
    printer.setPrinterName(queue);
    const ExportPresenter::PrintOutcome outcome = ExportPresenter::printTo(
        printer, ReportRequest{result, QStringLiteral("left.txt"), QStringLiteral("right.txt"), {}});
    if (outcome != ExportPresenter::PrintOutcome::printed) {
        std::fprintf(stderr, "varnel-print-report: the report could not be printed on %s\n", qPrintable(queue));
        return 1;
    }
    std::printf("sent %d rows to %s\n", rows, qPrintable(queue));
    return 0;
}
