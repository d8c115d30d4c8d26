// A developer's window onto the diff views, and a renderer of them to PNG files.
//
//   varnel-diffview-demo [LEFT RIGHT]
//       Shows the comparison (a built-in JSON sample without files). Ctrl+L switches the
//       layout, Ctrl+D the appearance, Ctrl+= / Ctrl+- / Ctrl+0 the text size, Ctrl+] and
//       Ctrl+[ move through the changes, Ctrl+E expands or collapses unchanged lines.
//   varnel-diffview-demo --render DIR [--dpr 2] [LEFT RIGHT]
//       Writes both layouts, light and dark, at text sizes 10, 13 and 24 to DIR.
#include "viewmodel/comparisonviewmodel.h"
#include "widgets/diffview/inlineview.h"
#include "widgets/diffview/sidebysideview.h"
#include "widgets/diffview/summarybarview.h"
#include "widgets/style/appearance.h"
#include "widgets/style/separator.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QShortcut>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace varnel;

namespace {

// Two versions of a JSON file of 1,500 lines with a few edits near its start and its end,
// so that the collapsed result has placeholders and four-digit line numbers.
std::pair<QByteArray, QByteArray> samplePair()
{
    QByteArray left = "{\n  \"name\": \"varnel-sample\",\n  \"version\": 3,\n  \"enabled\": true,\n"
                      "  \"ratio\": 0.75,\n  \"owner\": null,\n\n  \"items\": [\n";
    QByteArray right = "{\n  \"name\": \"varnel-sample\",\n  \"version\": 4,\n  \"enabled\": false,\n"
                       "  \"ratio\": 0.75,\n  \"owner\": null,\n\n  \"tags\": [\"diff\", \"\\tquoted\"],\n"
                       "  \"items\": [\n";
    for (int i = 1; i <= 1480; ++i) {
        const QByteArray line =
            QStringLiteral("    {\"id\": %1, \"label\": \"item %1\", \"weight\": %2},\n").arg(i).arg(i * 1.5).toUtf8();
        left += line;
        if (i == 12)
            right += QStringLiteral("    {\"id\": %1, \"label\": \"item twelve\", \"weight\": %2},\n")
                         .arg(i)
                         .arg(i * 1.5)
                         .toUtf8();
        else if (i == 20)
            continue;
        else
            right += line;
        if (i == 1460)
            right += "    {\"id\": 1460.5, \"label\": \"inserted\", \"note\": \"a much longer line than the others, to "
                     "show that rows grow to the width of their text and that the view then scrolls sideways\"},\n";
    }
    left += "  ]\n}\n";
    right += "  ]\n}\n";
    return {left, right};
}

bool waitForComparison(ComparisonViewModel& model)
{
    if (model.isComparing()) {
        QEventLoop loop;
        QObject::connect(&model, &ComparisonViewModel::isComparingChanged, &loop, [&] {
            if (!model.isComparing())
                loop.quit();
        });
        loop.exec();
    }
    if (model.comparisonError()) {
        std::fprintf(stderr, "%s\n", qPrintable(*model.comparisonError()));
        return false;
    }
    return model.activeDiffResult().has_value();
}

// The summary bar, a separator and both layouts, as the comparison screen stacks them.
class DemoWindow : public QWidget {
public:
    explicit DemoWindow(ComparisonViewModel& model) : m_model(model)
    {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        layout->addWidget(m_summary);
        layout->addWidget(new Separator(Qt::Horizontal, this));
        layout->addWidget(m_stack, 1);
        m_stack->addWidget(m_sideBySide);
        m_stack->addWidget(m_inline);
        Appearance::follow(this);

        const std::optional<SyntaxHighlighter::Language> language = model.language();
        m_sideBySide->setLanguage(language);
        m_inline->setLanguage(language);
        QObject::connect(&model, &ComparisonViewModel::diffFontSizeChanged, this, [this] { showFontSize(); });
        QObject::connect(&model, &ComparisonViewModel::focusedChangeIndexChanged, this, [this] {
            m_sideBySide->setFocusedRow(m_model.focusedChangeRow());
            m_inline->setFocusedRow(m_model.focusedChangeRow());
        });
        QObject::connect(&model, &ComparisonViewModel::showAllContextChanged, this, [this] { showResult(); });
        showResult();
        showFontSize();
    }

    void showResult()
    {
        const DiffResult result = m_model.activeDiffResult().value_or(DiffResult());
        m_summary->setResult(result);
        m_sideBySide->setResult(result, m_model.focusedChangeRow());
        m_inline->setResult(result, m_model.focusedChangeRow());
    }

    void showFontSize()
    {
        m_sideBySide->setFontSize(m_model.diffFontSize());
        m_inline->setFontSize(m_model.diffFontSize());
    }

    void setInline(bool showInline) { m_stack->setCurrentIndex(showInline ? 1 : 0); }
    bool isInline() const { return m_stack->currentIndex() == 1; }

    // Centres the focused change at once, as a view shown anew does 50 ms later.
    void centreFocus()
    {
        if (const std::optional<qint64> row = m_model.focusedChangeRow()) {
            m_sideBySide->column(PageSide::left)->centreOnRow(*row, false);
            m_sideBySide->column(PageSide::right)->centreOnRow(*row, false);
            m_inline->centreOnRow(*row, false);
        }
    }

private:
    ComparisonViewModel& m_model;
    SummaryBarView* m_summary = new SummaryBarView(this);
    QStackedWidget* m_stack = new QStackedWidget(this);
    SideBySideView* m_sideBySide = new SideBySideView(this);
    InlineView* m_inline = new InlineView(this);
};

int render(DemoWindow& window, ComparisonViewModel& model, const QString& directory, qreal dpr)
{
    QDir().mkpath(directory);
    window.resize(1100, 700);
    window.show();
    QApplication::processEvents();
    const QString suffix = dpr == 1 ? QString() : QStringLiteral("@%1x").arg(dpr);
    for (const bool showInline : {false, true}) {
        window.setInline(showInline);
        for (const bool dark : {false, true}) {
            Appearance::instance().setDark(dark);
            for (const int size : {10, 13, 24}) {
                model.setDiffFontSize(size);
                QApplication::processEvents();
                window.centreFocus();
                QApplication::processEvents();
                QImage image((QSizeF(window.size()) * dpr).toSize(), QImage::Format_ARGB32_Premultiplied);
                image.setDevicePixelRatio(dpr);
                window.render(&image);
                const QString path =
                    QStringLiteral("%1/%2-%3-%4%5.png")
                        .arg(directory, showInline ? QStringLiteral("inline") : QStringLiteral("sidebyside"),
                             dark ? QStringLiteral("dark") : QStringLiteral("light"))
                        .arg(size)
                        .arg(suffix);
                if (!image.save(path)) {
                    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                    return 1;
                }
                std::printf("%s\n", qPrintable(path));
            }
        }
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    // Rendering needs no display.
    const bool rendering = std::any_of(argv + 1, argv + argc, [](const char* arg) {
        return std::strcmp(arg, "--render") == 0 || std::strncmp(arg, "--render=", 9) == 0;
    });
    if (rendering && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows the diff views, or renders them to PNG files."));
    parser.addHelpOption();
    const QCommandLineOption renderOption(QStringLiteral("render"), QStringLiteral("Write PNG files to DIR."),
                                          QStringLiteral("DIR"));
    const QCommandLineOption dprOption(QStringLiteral("dpr"), QStringLiteral("Device pixel ratio of the PNG files."),
                                       QStringLiteral("RATIO"), QStringLiteral("1"));
    parser.addOptions({renderOption, dprOption});
    parser.addPositionalArgument(QStringLiteral("LEFT RIGHT"),
                                 QStringLiteral("Two files (a built-in sample without)."));
    parser.process(app);

    QStringList files = parser.positionalArguments();
    QTemporaryDir sampleDir;
    if (files.isEmpty()) {
        const auto [left, right] = samplePair();
        files = {sampleDir.filePath(QStringLiteral("before.json")), sampleDir.filePath(QStringLiteral("after.json"))};
        for (int i = 0; i < 2; ++i) {
            QFile file(files[i]);
            if (!file.open(QIODevice::WriteOnly) || file.write(i == 0 ? left : right) < 0)
                return 1;
        }
    } else if (files.size() != 2) {
        parser.showHelp(2);
    }

    ComparisonViewModel model;
    model.loadFile(QUrl::fromLocalFile(QFileInfo(files[0]).absoluteFilePath()), FileSide::left);
    model.loadFile(QUrl::fromLocalFile(QFileInfo(files[1]).absoluteFilePath()), FileSide::right);
    if (!waitForComparison(model))
        return 1;
    model.moveToNextChange();
    model.moveToNextChange();

    DemoWindow window(model);
    if (parser.isSet(renderOption))
        return render(window, model, parser.value(renderOption), parser.value(dprOption).toDouble());

    const auto shortcut = [&window](const char* keys, auto action) {
        QObject::connect(new QShortcut(QKeySequence(QString::fromLatin1(keys)), &window), &QShortcut::activated,
                         &window, action);
    };
    shortcut("Ctrl+L", [&window] { window.setInline(!window.isInline()); });
    shortcut("Ctrl+D", [] { Appearance::instance().setDark(!Appearance::instance().isDark()); });
    shortcut("Ctrl+=", [&model] { model.increaseFontSize(); });
    shortcut("Ctrl+-", [&model] { model.decreaseFontSize(); });
    shortcut("Ctrl+0", [&model] { model.resetFontSize(); });
    shortcut("Ctrl+]", [&model] { model.moveToNextChange(); });
    shortcut("Ctrl+[", [&model] { model.moveToPreviousChange(); });
    shortcut("Ctrl+E", [&model] { model.setShowAllContext(!model.showAllContext()); });
    window.resize(1100, 700);
    window.show();
    return app.exec();
}
