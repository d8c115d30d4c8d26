// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/comparison/wrapoffer.h"

#include <QAbstractButton>
#include <QLabel>

namespace varnel {

WrapOffer::WrapOffer(DiffLayout& layout, QWidget* parent)
    : NoteBar(QStringLiteral("Wrap Long Lines"), parent)
    , m_layout(layout)
{
    label()->setText(
        QStringLiteral("Long paragraphs are cut at the window's edge. Wrap Long Lines (Alt+Z) shows them whole."));
    setAccessibleName(QStringLiteral("Wrap long lines"));
    setAccessibleDescription(label()->text());
    QAbstractButton* wrap = wrapButton();
    wrap->setAccessibleName(wrap->text());
    wrap->setToolTip(QStringLiteral("Show long paragraphs on as many lines as they need (Alt+Z)"));

    connect(wrap, &QAbstractButton::clicked, &m_layout, [this] { m_layout.setWrapsLongLines(true); });
    connect(closeButton(), &QAbstractButton::clicked, &m_layout, &DiffLayout::answerWrapOffer);
    connect(&m_layout, &DiffLayout::wrapOfferAnswered, this, &WrapOffer::refresh);
    connect(&m_layout, &DiffLayout::wrapChanged, this, &WrapOffer::refresh);
    hide();
}

void WrapOffer::setShown(DiffMode::Kind kind, bool linesCut, const QString& comparison)
{
    m_kind = kind;
    m_linesCut = linesCut;
    m_comparison = comparison;
    refresh();
}

void WrapOffer::refresh()
{
    // Hidden with the keyboard in it, Qt moves the focus on to the next widget.
    setVisible(m_layout.offersWrap(m_kind, m_linesCut, m_comparison));
}

} // namespace varnel
