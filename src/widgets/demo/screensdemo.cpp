// Renders every screen of the window to PNG files, light and dark, for a person to look at.
//   varnel-screens-demo DIR [--dpr 2]
// Preferences and recent comparisons live in a throw-away folder for the run.
#include "compare/comparison.h"
#include "viewmodel/findmodel.h"
#include "widgets/comparison/diffcontainerview.h"
#include "widgets/comparison/findbar.h"
#include "widgets/intake/dropzoneview.h"
#include "widgets/intake/welcomeview.h"
#include "widgets/root/rootview.h"
#include "widgets/style/appearance.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <cstdio>
#include <functional>

using namespace varnel;

namespace {

void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

void writePdf(const QString& path, const QStringList& lines)
{
    QPdfWriter writer(path);
    QPainter painter(&writer);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(11);
    painter.setFont(font);
    const int step = painter.fontMetrics().height() * 3 / 2;
    int y = step * 2;
    for (const QString& line : lines) {
        painter.drawText(step * 2, y, line);
        y += step;
    }
}

QByteArray jsonSample(bool changed)
{
    QByteArray text = "{\n  \"name\": \"varnel-sample\",\n";
    text += changed ? "  \"version\": 4,\n  \"enabled\": false,\n" : "  \"version\": 3,\n  \"enabled\": true,\n";
    text += "  \"items\": [\n";
    for (int i = 1; i <= 300; ++i) {
        if (changed && i == 40)
            continue;
        text += QStringLiteral("    {\"id\": %1, \"label\": \"item %2\", \"weight\": %3},\n")
                    .arg(i)
                    .arg(changed && i == 12 ? QStringLiteral("twelve") : QString::number(i))
                    .arg(i * 1.5)
                    .toUtf8();
    }
    text += "  ]\n}\n";
    return text;
}

// A long log-like file with edits scattered through it, for the change map.
QByteArray longSample(bool changed)
{
    QByteArray text;
    for (int i = 1; i <= 20000; ++i) {
        const bool edited = changed && (i * 7919) % 20000 < 60;
        if (changed && i % 4111 == 0)
            text += QStringLiteral("inserted note %1\n").arg(i).toUtf8();
        if (changed && i % 3001 == 0)
            continue;
        text += QStringLiteral("%1 request %2 status %3 took %4 ms\n")
                    .arg(i, 5, 10, QLatin1Char('0'))
                    .arg(i % 97)
                    .arg(edited ? 500 : 200)
                    .arg(edited ? i % 13 + 100 : i % 13 + 20)
                    .toUtf8();
    }
    return text;
}

void waitUntil(const std::function<bool()>& done, int timeoutMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Renders the window's screens to PNG files."));
    parser.addHelpOption();
    const QCommandLineOption dprOption(QStringLiteral("dpr"), QStringLiteral("Device pixel ratio of the PNG files."),
                                       QStringLiteral("RATIO"), QStringLiteral("1"));
    parser.addOption(dprOption);
    parser.addPositionalArgument(QStringLiteral("DIR"), QStringLiteral("Where the PNG files go."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);
    const QString out = parser.positionalArguments().first();
    const qreal dpr = parser.value(dprOption).toDouble();
    QDir().mkpath(out);

    QTemporaryDir files;
    const auto path = [&files](const char* name) { return files.filePath(QLatin1StringView(name)); };
    writeFile(path("before.json"), jsonSample(false));
    writeFile(path("after.json"), jsonSample(true));
    writeFile(path("notes.txt"), "one\ntwo\nthree\n");
    writeFile(path("server-before.txt"), longSample(false));
    writeFile(path("server-after.txt"), longSample(true));
    writeFile(path("notes copy.txt"), "one\ntwo\nthree\n");
    writeFile(path("notes windows.txt"), "one\r\ntwo\r\nthree");
    writeFile(path("a-very-long-file-name-for-the-quarterly-financial-report-draft-version-final-2.json"), "{}\n");
    writePdf(path("contract-v1.pdf"), {QStringLiteral("Section 1. The parties agree to the terms below."),
                                       QStringLiteral("Section 2. Payment is due within 30 days."),
                                       QStringLiteral("Section 3. This agreement ends on 31 December.")});
    writePdf(path("contract-v2.pdf"), {QStringLiteral("Section 1. The parties agree to the terms below."),
                                       QStringLiteral("Section 2. Payment is due within 14 days."),
                                       QStringLiteral("Section 3. This agreement ends on 31 December."),
                                       QStringLiteral("Section 4. Notices are given in writing.")});
    const auto url = [&path](const char* name) { return QUrl::fromLocalFile(path(name)); };

    RecentComparisonsStore store;
    std::atomic<bool> release = false;
    // Holds every comparison until released, so that "Comparing files…" can be drawn.
    const ComparisonViewModel::Comparator slow = [&release](const FileItem& left, const FileItem& right,
                                                            const CancelCheck& cancel) {
        while (!release.load())
            QThread::msleep(5);
        return Comparison::perform(left, right, cancel);
    };

    struct State {
        const char* name;
        std::function<void(RootView&)> setUp;
        bool slow = false;
        QSize size = RootView::kDefaultSize;
    };
    const auto compare = [](RootView& root, const QUrl& left, const QUrl& right) {
        root.openFile(left);
        root.openFile(right);
        waitUntil([&root] { return !root.viewModel().isComparing(); });
    };
    // Opens the find bar with `query` and goes to the next match `steps` times.
    const auto find = [](RootView& root, const QString& query, int steps) {
        DiffContainerView* screen = root.comparisonView();
        screen->openFind();
        screen->findBar()->field()->setText(query);
        waitUntil([screen] { return !screen->findModel().isCounting(); });
        for (int i = 0; i < steps; ++i)
            screen->findNext();
    };
    const QList<State> states = {
        {"welcome-empty", [](RootView&) {}},
        {"welcome-one-file",
         [&](RootView& root) {
             root.openFile(url("a-very-long-file-name-for-the-quarterly-financial-report-draft-version-final-2.json"));
         }},
        {"welcome-targeted",
         [&](RootView& root) {
             QMimeData mime;
             mime.setUrls({url("notes.txt")});
             DropZoneView* zone = root.welcomeView()->dropZone(FileSide::right);
             QDragEnterEvent enter(zone->rect().center(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
             QApplication::sendEvent(zone, &enter);
             waitUntil([] { return false; }, 700);
         }},
        {"welcome-recents",
         [&](RootView& root) {
             store.record(url("notes.txt"), url("notes copy.txt"));
             store.record(url("contract-v1.pdf"), url("contract-v2.pdf"));
             store.record(url("a-very-long-file-name-for-the-quarterly-financial-report-draft-version-final-2.json"),
                          url("after.json"));
             root.openFile(url("before.json"));
         }},
        {"welcome-minimum-size",
         [&](RootView& root) {
             for (int i = 1; i <= 5; ++i) {
                 const QString copy = files.filePath(QStringLiteral("notes copy %1.txt").arg(i));
                 writeFile(copy, "one\n");
                 store.record(url("notes.txt"), QUrl::fromLocalFile(copy));
             }
             root.openFile(url("contract-v1.pdf"));
         },
         false, RootView::kMinimumSize},
        {"side-by-side-minimum-size",
         [&](RootView& root) {
             root.comparisonView()->setViewMode(DiffViewMode::sideBySide);
             compare(root, url("a-very-long-file-name-for-the-quarterly-financial-report-draft-version-final-2.json"),
                     url("after.json"));
         },
         false, RootView::kMinimumSize},
        {"comparing",
         [&](RootView& root) {
             root.openFile(url("before.json"));
             root.openFile(url("after.json"));
             waitUntil([] { return false; }, DiffContainerView::kProgressDelayMs + 200);
         },
         true},
        {"error", [&](RootView& root) { compare(root, url("contract-v1.pdf"), url("notes.txt")); }},
        {"identical", [&](RootView& root) { compare(root, url("notes.txt"), url("notes copy.txt")); }},
        {"identical-line-ends",
         [&](RootView& root) { compare(root, url("notes windows.txt"), url("notes copy.txt")); }},
        {"pdf-banner",
         [&](RootView& root) {
             compare(root, url("contract-v1.pdf"), url("contract-v2.pdf"));
             root.viewModel().moveToNextChange();
         }},
        {"side-by-side",
         [&](RootView& root) {
             root.comparisonView()->setViewMode(DiffViewMode::sideBySide);
             compare(root, url("before.json"), url("after.json"));
             root.viewModel().moveToNextChange();
             root.viewModel().moveToNextChange();
             root.viewModel().moveToNextChange();
         }},
        {"inline",
         [&](RootView& root) {
             root.comparisonView()->setViewMode(DiffViewMode::inlineView);
             compare(root, url("before.json"), url("after.json"));
             root.viewModel().moveToNextChange();
             root.comparisonView()->setViewMode(DiffViewMode::sideBySide);
             root.comparisonView()->setViewMode(DiffViewMode::inlineView);
         }},
        {"change-map",
         [&](RootView& root) {
             root.comparisonView()->setViewMode(DiffViewMode::sideBySide);
             compare(root, url("server-before.txt"), url("server-after.txt"));
             root.viewModel().setShowAllContext(true);
             waitUntil([] { return false; }, 100);
             for (int i = 0; i < 40; ++i)
                 root.viewModel().moveToNextChange();
         }},
        {"find-side-by-side",
         [&](RootView& root) {
             root.comparisonView()->setViewMode(DiffViewMode::sideBySide);
             compare(root, url("before.json"), url("after.json"));
             find(root, QStringLiteral("Weight\": 1"), 3);
         }},
        {"find-inline-folded",
         [&](RootView& root) {
             root.comparisonView()->setViewMode(DiffViewMode::inlineView);
             compare(root, url("before.json"), url("after.json"));
             // Item 25 is folded away: going there shows every line first.
             find(root, QStringLiteral("\"id\": 25"), 1);
         }},
    };

    const QString suffix = dpr == 1 ? QString() : QStringLiteral("@%1x").arg(dpr);
    for (const State& state : states) {
        for (const bool dark : {false, true}) {
            Appearance::instance().setDark(dark);
            store.clearAll();
            release = !state.slow;
            RootView root(store, state.slow ? slow : ComparisonViewModel::Comparator());
            root.resize(state.size);
            root.show();
            state.setUp(root);
            waitUntil([] { return false; }, 400); // animations settle
            QImage image((QSizeF(root.size()) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(dpr);
            root.render(&image);
            const QString file = QStringLiteral("%1/%2-%3%4.png")
                                     .arg(out, QLatin1StringView(state.name),
                                          dark ? QStringLiteral("dark") : QStringLiteral("light"), suffix);
            if (!image.save(file)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
                return 1;
            }
            std::printf("%s\n", qPrintable(file));
            release = true;
            root.viewModel().resetFiles();
        }
    }
    return 0;
}
