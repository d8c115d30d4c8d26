// SPDX-License-Identifier: GPL-3.0-or-later

// A whole comparison through the window: from loadFile of the second file (as the open
// request hands it to the root view) to the first paint of the diff's rows, in a main
// window of 1100 x 700 with the root view, the toolbar and the summary bar, with the
// process's peak memory.
//   varnel-bench-window [LEFT RIGHT] [RUNS]
// Without files it generates the 1M-line pair with 5% of lines edited. Offscreen unless
// QT_QPA_PLATFORM says otherwise (xcb under Xvfb includes the flush to the X server).
// Preferences and recent comparisons go to a throw-away folder.
#include "pairgen.h"
#include "widgets/comparison/diffcontainerview.h"
#include "widgets/diffview/sidebysideview.h"
#include "widgets/root/rootview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double peakMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// Quits `loop` right after the first paint of `target` that shows rows of a result.
class FirstPaint : public QObject {
public:
    FirstPaint(varnel::DiffColumnView* column, QEventLoop& loop) : m_column(column), m_loop(loop) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_column->rowCount() > 0 && !m_seen) {
            m_seen = true;
            // Runs once this paint (and the window's flush) is done.
            QTimer::singleShot(0, &m_loop, &QEventLoop::quit);
        }
        return false;
    }

private:
    varnel::DiffColumnView* m_column;
    QEventLoop& m_loop;
    bool m_seen = false;
};

bool writePair(const QString& name, const QStringList& paths)
{
    for (const varnel::bench::PairSpec& spec : varnel::bench::standardPairs()) {
        if (spec.name != name)
            continue;
        const varnel::bench::FilePair pair = varnel::bench::generatePair(spec);
        for (int side = 0; side < 2; ++side) {
            QFile file(paths[side]);
            const QByteArray& bytes = side == 0 ? pair.left : pair.right;
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                return false;
        }
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    QStringList files;
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
        bool number = false;
        const int value = QString::fromLocal8Bit(argv[i]).toInt(&number);
        if (number)
            runs = std::max(1, value);
        else
            files << QFileInfo(QString::fromLocal8Bit(argv[i])).absoluteFilePath();
    }
    QTemporaryDir data;
    if (files.isEmpty()) {
        // Generated in a child process, so that its buffers do not count in our peak.
        files = {data.filePath(QStringLiteral("1M-5pct.left.txt")), data.filePath(QStringLiteral("1M-5pct.right.txt"))};
        const pid_t child = fork();
        if (child == 0)
            _exit(writePair(QStringLiteral("1M-5pct"), files) ? 0 : 1);
        int status = 0;
        if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "cannot generate the benchmark pair\n");
            return 2;
        }
    }
    if (files.size() != 2) {
        std::fprintf(stderr, "usage: varnel-bench-window [LEFT RIGHT] [RUNS]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const QUrl left = QUrl::fromLocalFile(files[0]);
    const QUrl right = QUrl::fromLocalFile(files[1]);

    varnel::RecentComparisonsStore recents;
    QMainWindow window;
    auto* root = new varnel::RootView(recents, &window);
    window.setCentralWidget(root);
    window.resize(varnel::RootView::kDefaultSize);
    window.show();
    QApplication::processEvents();
    varnel::DiffColumnView* column = root->comparisonView()->sideBySideView()->column(varnel::PageSide::left);
    const double baseline = peakMiB();

    std::vector<double> seconds;
    std::vector<double> published; // when the view model published the results
    for (int run = 0; run < runs; ++run) {
        root->viewModel().resetFiles();
        root->openFile(left);
        QApplication::processEvents();
        QEventLoop loop;
        FirstPaint watcher(column, loop);
        column->viewport()->installEventFilter(&watcher);
        QElapsedTimer timer;
        double publishedAt = 0;
        const QMetaObject::Connection connection =
            QObject::connect(&root->viewModel(), &varnel::ComparisonViewModel::isComparingChanged, &loop, [&] {
                if (!root->viewModel().isComparing())
                    publishedAt = double(timer.nsecsElapsed()) / 1e9;
            });
        timer.start();
        root->openFile(right);
        loop.exec();
        seconds.push_back(double(timer.nsecsElapsed()) / 1e9);
        published.push_back(publishedAt);
        QObject::disconnect(connection);
        column->viewport()->removeEventFilter(&watcher);
        if (root->comparisonView()->content() != varnel::DiffContainerView::Content::diff) {
            std::fprintf(stderr, "the diff did not show: %s\n", qPrintable(root->comparisonView()->errorText()));
            return 1;
        }
    }
    const qint64 rows = root->viewModel().diffResult()->lines().size();
    std::vector<double> afterPublish;
    for (std::size_t i = 0; i < seconds.size(); ++i)
        afterPublish.push_back(seconds[i] - published[i]);
    const auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    std::printf("window (%s), %s vs %s: loadFile to first paint of the diff, median %.3f s over %d runs "
                "(min %.3f s, max %.3f s; of which from the results' publication to the paint, median %.3f s); "
                "%lld rows shown (collapsed); peak memory %.0f MiB (%.0f MiB before the first comparison)\n",
                qPrintable(QGuiApplication::platformName()), qPrintable(QFileInfo(files[0]).fileName()),
                qPrintable(QFileInfo(files[1]).fileName()), median(seconds), runs,
                *std::min_element(seconds.begin(), seconds.end()), *std::max_element(seconds.begin(), seconds.end()),
                median(afterPublish), static_cast<long long>(rows), peakMiB(), baseline);
    return 0;
}
