// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QAccessibleWidget>

#include <map>

namespace varnel {

class DiffCanvas;

// Makes screen readers see each diff view (a side-by-side column, the inline view) as a
// table of one column: a cell per shown row, named as spokenRow says ("Line 22, removed:
// …", "3 unchanged lines hidden"), the row cursor its focused cell. Installed once, by the
// first view made.
void installDiffAccessibility();

class DiffTableAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    // Cells are made only for rows asked for, and kept while they stand near the view:
    // past kMaxCells, those farther than kNearRows rows from it are dropped (the cursor's
    // stays). A new result drops them all.
    static constexpr std::size_t kMaxCells = 512;
    static constexpr qint64 kNearRows = 128;

    explicit DiffTableAccessible(DiffCanvas* canvas);
    ~DiffTableAccessible() override;
    DiffTableAccessible(const DiffTableAccessible&) = delete;
    DiffTableAccessible& operator=(const DiffTableAccessible&) = delete;

    QAccessible::Role role() const override { return QAccessible::Table; }
    int childCount() const override { return rowCount(); }
    QAccessibleInterface* child(int index) const override { return cellAt(index, 0); }
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int selectedCellCount() const override { return 0; }
    QList<QAccessibleInterface*> selectedCells() const override { return {}; }
    QString columnDescription(int /*column*/) const override { return text(QAccessible::Name); }
    QString rowDescription(int /*row*/) const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    int columnCount() const override { return 1; }
    int rowCount() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int /*column*/) const override { return false; }
    bool isRowSelected(int /*row*/) const override { return false; }
    bool selectRow(int /*row*/) override { return false; }
    bool selectColumn(int /*column*/) override { return false; }
    bool unselectRow(int /*row*/) override { return false; }
    bool unselectColumn(int /*column*/) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* /*event*/) override { dropCells(); }

    // How many cells stand now, for tests.
    std::size_t cellCount() const { return m_cells.size(); }

private:
    DiffCanvas* canvas() const;
    void dropCells() const;
    // Drops the cells far from the view, and all but the cursor's if that is not enough.
    void dropFarCells() const;

    mutable std::map<qint64, QAccessible::Id> m_cells;
};

} // namespace varnel
