// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/comparison/patternsdialog.h"

#include "core/compareoptions.h"
#include "widgets/style/fonts.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace varnel {

namespace {

constexpr int kMinimumWidth = 420;

} // namespace

PatternsDialog::PatternsDialog(const QStringList& patterns, QWidget* parent)
    : QDialog(parent)
    , m_list(new QListWidget(this))
    , m_remove(new QPushButton(QStringLiteral("&Remove"), this))
    , m_field(new QLineEdit(this))
    , m_add(new QPushButton(QStringLiteral("&Add"), this))
    , m_error(new QLabel(this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(QStringLiteral("Ignore Lines Matching"));
    setMinimumWidth(kMinimumWidth);

    auto* intro = new QLabel(QStringLiteral("A change whose every line matches one of these patterns is not counted. "
                                            "Patterns are regular expressions."),
                             this);
    intro->setWordWrap(true);
    m_list->addItems(patterns);
    m_list->setAccessibleName(QStringLiteral("Ignored patterns"));
    m_remove->setAccessibleDescription(QStringLiteral("Stop ignoring the selected pattern"));
    auto* fieldLabel = new QLabel(QStringLiteral("&New pattern:"), this);
    fieldLabel->setBuddy(m_field);
    m_field->setAccessibleName(QStringLiteral("New pattern"));
    m_field->setPlaceholderText(QStringLiteral("for example ^Date: "));
    m_field->setFont(fonts::monospace(fonts::pixelSize(fonts::TextStyle::body)));
    m_error->setWordWrap(true);
    m_error->setTextFormat(Qt::PlainText);
    m_error->setFont(fonts::ui(fonts::TextStyle::footnote));
    m_error->hide();

    auto* grid = new QGridLayout;
    grid->addWidget(m_list, 0, 0);
    grid->addWidget(m_remove, 0, 1, Qt::AlignTop);
    grid->addWidget(fieldLabel, 1, 0, 1, 2);
    grid->addWidget(m_field, 2, 0);
    grid->addWidget(m_add, 2, 1);
    grid->addWidget(m_error, 3, 0, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(grid);
    layout->addWidget(m_buttons);
    connect(m_field, &QLineEdit::textChanged, this, &PatternsDialog::validate);
    connect(m_add, &QPushButton::clicked, this, &PatternsDialog::addPattern);
    connect(m_remove, &QPushButton::clicked, this, &PatternsDialog::removeSelected);
    connect(m_list, &QListWidget::currentRowChanged, this, &PatternsDialog::validate);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &PatternsDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &PatternsDialog::reject);
    validate();
}

QPushButton* PatternsDialog::okButton() const
{
    return m_buttons->button(QDialogButtonBox::Ok);
}

QStringList PatternsDialog::patterns() const
{
    QStringList list;
    for (int row = 0; row < m_list->count(); ++row)
        list.append(m_list->item(row)->text());
    return list;
}

QString PatternsDialog::errorText() const
{
    return m_error->isHidden() ? QString() : m_error->text();
}

void PatternsDialog::validate()
{
    const QString text = m_field->text();
    const std::optional<QString> error = text.isEmpty() ? std::nullopt : patternError(text);
    m_error->setText(error.value_or(QString()));
    m_error->setVisible(error.has_value());
    m_add->setEnabled(!text.isEmpty() && !error);
    okButton()->setEnabled(!error);
    // Enter adds what the field holds, and closes the dialog once it is empty.
    m_add->setDefault(!text.isEmpty());
    okButton()->setDefault(text.isEmpty());
    m_remove->setEnabled(m_list->currentRow() >= 0);
}

void PatternsDialog::addPattern()
{
    const QString text = m_field->text();
    if (text.isEmpty() || patternError(text))
        return;
    if (!patterns().contains(text))
        m_list->addItem(text);
    m_field->clear();
}

void PatternsDialog::removeSelected()
{
    delete m_list->takeItem(m_list->currentRow());
    validate();
}

void PatternsDialog::accept()
{
    if (patternError(m_field->text()) && !m_field->text().isEmpty())
        return;
    addPattern();
    QDialog::accept();
}

} // namespace varnel
