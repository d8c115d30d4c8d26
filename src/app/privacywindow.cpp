// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/privacywindow.h"

#include "viewmodel/preferences.h"
#include "widgets/style/appearance.h"
#include "widgets/style/fonts.h"
#include "widgets/style/separator.h"
#include "widgets/style/widgetstyle.h"

#include <QDir>
#include <QLabel>
#include <QShortcut>
#include <QVBoxLayout>

namespace varnel {

namespace {

using fonts::TextStyle;

// The settings file as the reader would type it: "~/.config/Varnel/Varnel.ini".
QString settingsPath()
{
    QString path = QDir::cleanPath(Preferences::fileName());
    const QString home = QDir::homePath();
    if (path.startsWith(home + u'/'))
        return u'~' + path.mid(home.size());
    return path;
}

QLabel* text(const QString& content, TextStyle style, QWidget* parent, bool secondary = false)
{
    auto* label = new QLabel(content, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setFont(fonts::ui(style));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (secondary)
        setTextColor(label, ColorRole::secondary);
    return label;
}

// A title in the headline style over a body in the secondary colour, 6 apart.
QWidget* section(const QString& title, QWidget* body, QWidget* parent)
{
    auto* block = new QWidget(parent);
    auto* layout = new QVBoxLayout(block);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(text(title, TextStyle::headline, block));
    body->setParent(block);
    layout->addWidget(body);
    return block;
}

// "Send an email to" and the link after it, as one paragraph: the lead in the secondary
// colour, the link underlined in the link colour. It wraps as a paragraph does, so a long
// lead never squeezes into a narrow column beside the link. The link opens in the mail
// program or the browser; the pointer over it is the pointing hand, and its tooltip
// names where it goes. It follows a change of appearance while the window is open.
QLabel* linkRow(const QString& lead, const QString& visible, const QString& destination, QWidget* parent)
{
    // A line may break after a slash: word joiners keep an address whole.
    QString unbroken = visible.toHtmlEscaped();
    unbroken.replace(u'/', QStringLiteral("/\u2060"));
    auto* label = new QLabel(
        QStringLiteral("%1 <a href=\"%2\">%3</a>").arg(lead.toHtmlEscaped(), destination.toHtmlEscaped(), unbroken),
        parent);
    label->setTextFormat(Qt::RichText);
    label->setWordWrap(true);
    label->setFont(fonts::ui(TextStyle::body));
    setTextColor(label, ColorRole::secondary);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->setOpenExternalLinks(true);
    QObject::connect(label, &QLabel::linkHovered, label, [label](const QString& link) { label->setToolTip(link); });
    // The link takes its colour when the text is read: read again in the new appearance.
    QObject::connect(&Appearance::instance(), &Appearance::changed, label, [label] {
        const QString content = label->text();
        label->clear();
        label->setText(content);
    });
    return label;
}

} // namespace

QList<PrivacyWindow::Section> PrivacyWindow::sections()
{
    return {
        {QStringLiteral("Overview"),
         QStringLiteral("Varnel is a local-only file comparison tool. Your privacy is guaranteed by design — the app "
                        "has no ability to connect to the internet and never transmits any data.")},
        {QStringLiteral("Data Collection"),
         QStringLiteral("Varnel collects no personal data. There is no analytics, no crash reporting, and no "
                        "telemetry of any kind.")},
        {QStringLiteral("File Processing"),
         QStringLiteral("All file comparison is performed entirely on your device. The contents of files you compare "
                        "never leave your computer. This app writes them to disk only in the reports you export, "
                        "and in the temporary report it creates when you share a comparison. Text you paste from the "
                        "clipboard stays in memory: Varnel keeps no copy of it on disk and leaves it out of the recent "
                        "comparisons.")},
        {QStringLiteral("Network Activity"),
         QStringLiteral(
             "Varnel makes zero network requests. The app opens no network connections: the only sockets "
             "it uses are local ones: to your display, to your desktop's message bus and to a Varnel "
             "already running. You can verify this with a network monitor or by tracing its system calls (for "
             "example strace -f -e trace=network varnel).")},
        {QStringLiteral("Local Storage"),
         QStringLiteral("Varnel stores only the following data locally on your device:\n\n"
                        "• Recent file references — file paths saved in Varnel's settings file (%1) to power the "
                        "Recent Comparisons feature on the welcome screen.\n\n"
                        "This data never leaves your device and can be cleared at any time using the Clear All "
                        "button on the welcome screen.")
             .arg(settingsPath())},
        {QStringLiteral("Third Parties"),
         QStringLiteral("Varnel shares no data with any third parties because it collects none.")},
        {QStringLiteral("Changes to This Policy"),
         QStringLiteral("Any future changes to this policy will be reflected in updated releases of the app.")},
    };
}

PrivacyWindow::PrivacyWindow(QWidget* parent) : QScrollArea(parent)
{
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("Privacy Policy"));
    // Closed with Ctrl+W, like every window of the desktop's own.
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this), &QShortcut::activated, this, &QWidget::close);
    setMinimumSize(kMinimumSize);
    resize(kDefaultSize);
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    auto* content = new QWidget(this);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(32, 32, 32, 32);
    layout->setSpacing(24);

    auto* titleBlock = new QWidget(content);
    auto* titleLayout = new QVBoxLayout(titleBlock);
    titleLayout->setContentsMargins(0, 0, 0, 0);
    titleLayout->setSpacing(4);
    QLabel* title = text(QStringLiteral("Privacy Policy"), TextStyle::largeTitle, titleBlock);
    title->setFont(fonts::ui(TextStyle::largeTitle, QFont::Bold));
    titleLayout->addWidget(title);
    titleLayout->addWidget(
        text(QStringLiteral("Varnel — Effective March 2025"), TextStyle::subheadline, titleBlock, true));
    layout->addWidget(titleBlock);
    layout->addWidget(new Separator(Qt::Horizontal, content));

    for (const Section& entry : sections())
        layout->addWidget(section(entry.title, text(entry.body, TextStyle::body, nullptr, true), content));

    layout->addWidget(section(QStringLiteral("Questions/Feature Requests"),
                              linkRow(QStringLiteral("Send an email to"), kSupportAddress,
                                      QStringLiteral("mailto:") + kSupportAddress, nullptr),
                              content));
    layout->addWidget(section(QStringLiteral("Developer Support"),
                              linkRow(QStringLiteral("While not necessary, it would be greatly appreciated if you "
                                                     "showed your support by buying me a coffee! :)"),
                                      kDonationPage, kDonationPage, nullptr),
                              content));
    layout->addStretch(1);
    setWidget(content);
}

} // namespace varnel
