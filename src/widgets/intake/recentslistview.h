// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "viewmodel/recentcomparisonsstore.h"

#include <QAbstractButton>
#include <QWidget>

class QVBoxLayout;

namespace varnel {

// The "Recent Comparisons" block of the welcome screen: a header with "Clear All", then
// one row per remembered pair, newest first: the two names with an arrow between them
// (each shortened in the middle when long, with their folders when two rows would read
// the same; the tooltip names both folders) and a button that forgets the pair. It follows
// the store: any window's recording shows here at once.
class RecentsListView : public QWidget {
    Q_OBJECT

public:
    explicit RecentsListView(RecentComparisonsStore& store, QWidget* parent = nullptr);

    int rowCount() const { return int(m_rows.size()); }
    // The row's open button (its whole width but the remove button) and its remove button.
    QAbstractButton* openButton(int row) const;
    QAbstractButton* removeButton(int row) const;
    QAbstractButton* clearAllButton() const { return m_clearAll; }

Q_SIGNALS:
    // A row was clicked; the owner resolves and loads the pair.
    void openRequested(const varnel::RecentComparison& entry);

private:
    struct Row {
        QWidget* widget;
        QAbstractButton* open;
        QAbstractButton* remove;
    };

    void rebuild();

    RecentComparisonsStore& m_store;
    QAbstractButton* m_clearAll;
    QVBoxLayout* m_rowsLayout;
    QList<Row> m_rows;
};

// The open button of a recent row: "left → right", both names shortened in the middle to
// share the width. Public for tests.
class RecentPairButton : public QAbstractButton {
    Q_OBJECT

public:
    RecentPairButton(const QString& leftName, const QString& rightName, QWidget* parent = nullptr);

    // The two names as drawn at the current width.
    std::pair<QString, QString> shownNames() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_left;
    QString m_right;
};

} // namespace varnel
