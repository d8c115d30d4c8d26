// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffresult.h"
#include "widgets/style/palette.h"

#include <QWidget>

namespace varnel {

// The bar above a diff that says how much changed: "+A" in green, "-R" in red and, when
// some lines were modified, "~M" in orange, as small badges at its left end; then, when
// some lines differ only in ways the comparison ignores, "≈N" in grey, whose tooltip says
// what is ignored. It shows the counts of the comparison, so it reads the same whether
// unchanged lines are collapsed.
class SummaryBarView : public QWidget {
    Q_OBJECT

public:
    explicit SummaryBarView(QWidget* parent = nullptr);

    void setResult(const DiffResult& result);
    void setCounts(qint64 added, qint64 removed, qint64 modified, qint64 ignored = 0);
    // How many blocks were moved: a violet badge "⇅N" when there are any, between the
    // modified and the ignored ones ("3 moved blocks" its tooltip and, in the bar's
    // accessible name, its words).
    void setMovedCount(qint64 blocks);
    // What the "≈N" badge's tooltip says (the options in force).
    void setIgnoredToolTip(const QString& text) { m_ignoredToolTip = text; }
    // The tooltip at a point of the bar: the ignored badge's, over it; else none.
    QString toolTipAt(QPoint point) const;

    // The badges' texts, left to right.
    QStringList badgeTexts() const;
    // Where each badge stands, in the same order.
    QList<QRect> badgeRects() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void updateAccessibleName();

    struct Badge {
        QString text;
        ColorRole color; // the pill's tint
        ColorRole textColor;
    };
    QList<Badge> badges() const;

    qint64 m_added = 0;
    qint64 m_removed = 0;
    qint64 m_modified = 0;
    qint64 m_ignored = 0;
    qint64 m_moved = 0;
    QString m_ignoredToolTip;
    QFont m_font;
};

} // namespace varnel
