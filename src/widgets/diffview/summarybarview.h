// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffresult.h"
#include "widgets/style/palette.h"

#include <QWidget>

namespace varnel {

// The bar above a diff that says how much changed: "+A" in green, "-R" in red and, when
// some lines were modified, "~M" in orange, as small badges at its left end. It shows the
// counts of the comparison, so it reads the same whether unchanged lines are collapsed.
class SummaryBarView : public QWidget {
    Q_OBJECT

public:
    explicit SummaryBarView(QWidget* parent = nullptr);

    void setResult(const DiffResult& result);
    void setCounts(qint64 added, qint64 removed, qint64 modified);

    // The badges' texts, left to right.
    QStringList badgeTexts() const;
    // Where each badge stands, in the same order.
    QList<QRect> badgeRects() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Badge {
        QString text;
        ColorRole color; // the pill's tint
        ColorRole textColor;
    };
    QList<Badge> badges() const;

    qint64 m_added = 0;
    qint64 m_removed = 0;
    qint64 m_modified = 0;
    QFont m_font;
};

} // namespace varnel
