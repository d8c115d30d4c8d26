// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/diffview/diffaccessible.h"

#include "widgets/diffview/diffcanvas.h"

#include <QPointer>
#include <QScrollBar>

#include <algorithm>
#include <climits>
#include <mutex>

namespace varnel {

namespace {

// One row of a diff view: a cell that reads the view each time it is asked, so it never
// says something the view no longer shows.
class DiffCellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    DiffCellAccessible(DiffCanvas* canvas, qint64 row) : m_canvas(canvas), m_row(row) {}

    bool isValid() const override { return live() != nullptr; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override
    {
        DiffCanvas* view = live();
        return view ? view->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_canvas.data()); }
    QAccessibleInterface* child(int /*index*/) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface* /*child*/) const override { return -1; }
    QAccessibleInterface* childAt(int /*x*/, int /*y*/) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::Cell; }
    void setText(QAccessible::Text /*t*/, const QString& /*text*/) override {}

    QString text(QAccessible::Text t) const override
    {
        DiffCanvas* view = live();
        if (!view || t != QAccessible::Name)
            return {};
        return view->accessibleRowName(m_row);
    }

    QRect rect() const override
    {
        DiffCanvas* view = live();
        if (!view)
            return {};
        const QRect local = view->rowRect(m_row);
        return {view->viewport()->mapToGlobal(local.topLeft()), local.size()};
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        DiffCanvas* view = live();
        if (!view) {
            state.invalid = true;
            return state;
        }
        state.focusable = true;
        state.readOnly = true;
        state.focused = view->hasFocus() && view->cursorRow() == m_row;
        state.active = state.focused;
        state.offscreen = !view->rowRect(m_row).intersects(view->viewport()->rect());
        state.invisible = state.offscreen || !view->isVisible();
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TableCellInterface ? static_cast<QAccessibleTableCellInterface*>(this) : nullptr;
    }

    bool isSelected() const override { return false; }
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return 0; }
    int rowIndex() const override { return int(std::min<qint64>(m_row, INT_MAX)); }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    // The view, while it stands and still has this row.
    DiffCanvas* live() const
    {
        DiffCanvas* view = m_canvas.data();
        return view && m_row < view->rowCount() ? view : nullptr;
    }

    QPointer<DiffCanvas> m_canvas;
    qint64 m_row;
};

QAccessibleInterface* makeDiffAccessible(const QString& /*key*/, QObject* object)
{
    // Asked for each class of the object in turn: the first answer (its own class) stands.
    if (auto* canvas = qobject_cast<DiffCanvas*>(object))
        return new DiffTableAccessible(canvas);
    return nullptr;
}

} // namespace

void installDiffAccessibility()
{
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(makeDiffAccessible); });
}

DiffTableAccessible::DiffTableAccessible(DiffCanvas* canvas) : QAccessibleWidget(canvas, QAccessible::Table)
{
    QObject::connect(canvas, &DiffCanvas::rowsReset, canvas, [this] { dropCells(); });
}

DiffTableAccessible::~DiffTableAccessible()
{
    dropCells();
}

DiffCanvas* DiffTableAccessible::canvas() const
{
    return static_cast<DiffCanvas*>(widget());
}

int DiffTableAccessible::rowCount() const
{
    return int(std::min<qint64>(canvas()->rowCount(), INT_MAX));
}

QAccessibleInterface* DiffTableAccessible::cellAt(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column != 0)
        return nullptr;
    if (const auto found = m_cells.find(row); found != m_cells.end())
        return QAccessible::accessibleInterface(found->second);
    if (m_cells.size() >= kMaxCells)
        dropFarCells();
    auto* cell = new DiffCellAccessible(canvas(), row);
    m_cells.emplace(row, QAccessible::registerAccessibleInterface(cell));
    return cell;
}

int DiffTableAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    for (const auto& [row, id] : m_cells)
        if (QAccessible::accessibleInterface(id) == child)
            return int(row);
    return -1;
}

QAccessibleInterface* DiffTableAccessible::childAt(int x, int y) const
{
    DiffCanvas* view = canvas();
    const QPoint local = view->viewport()->mapFromGlobal(QPoint(x, y));
    if (!view->viewport()->rect().contains(local) || view->rowCount() == 0)
        return nullptr;
    return cellAt(int(std::min<qint64>(view->rowAtY(view->scrollTop() + local.y()), INT_MAX)), 0);
}

QAccessibleInterface* DiffTableAccessible::focusChild() const
{
    const std::optional<qint64> cursor = canvas()->cursorRow();
    if (!canvas()->hasFocus() || !cursor || *cursor > INT_MAX)
        return nullptr;
    return cellAt(int(*cursor), 0);
}

void* DiffTableAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

void DiffTableAccessible::dropCells() const
{
    for (const auto& [row, id] : m_cells)
        QAccessible::deleteAccessibleInterface(id);
    m_cells.clear();
}

void DiffTableAccessible::dropFarCells() const
{
    DiffCanvas* view = canvas();
    const std::optional<qint64> cursor = view->cursorRow();
    const qint64 top = view->rowAtY(view->scrollTop());
    const qint64 bottom = view->rowAtY(view->scrollTop() + view->viewport()->height());
    const auto drop = [&](auto keep) {
        for (auto it = m_cells.begin(); it != m_cells.end();) {
            if (keep(it->first) || it->first == cursor) {
                ++it;
                continue;
            }
            QAccessible::deleteAccessibleInterface(it->second);
            it = m_cells.erase(it);
        }
    };
    drop([&](qint64 row) { return row >= top - kNearRows && row <= bottom + kNearRows; });
    if (m_cells.size() >= kMaxCells / 2)
        drop([](qint64) { return false; });
}

} // namespace varnel
