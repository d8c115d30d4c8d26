// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "reading/changemap.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace varnel {

class DiffCanvas;

// The strip beside a diff view's vertical scroll bar that shows where the whole result
// changes: a red mark where rows were removed, a green one where rows were added (both,
// side by side, where a pixel row holds both), the focused change in the accent colour,
// and a frame around the rows in view. Rows shorter than the view are mapped onto their
// own height, beside them. Clicking or dragging scrolls there; the tooltip
// names the lines under the pointer.
//
// The marks are worked out once per result and strip height (ChangeMap) and drawn into
// an image, so a paint costs the same for ten rows and for ten million.
class ChangeMapView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 12;

    explicit ChangeMapView(DiffCanvas& canvas);

    // Scrolls the view so that `row` stands in its middle; by default the canvas's own.
    std::function<void(qint64 row)> onJump;

    // Maps of the same rows (the side-by-side columns, which share their painter) share
    // the marks: the first to paint after a change works them out, the other takes them.
    void shareMarksWith(ChangeMapView& other) { m_shared = other.m_shared; }

    // The canvas has a new result, or its rows changed in height.
    void resultChanged();
    // The marks as last drawn, in device pixels of the strip's height.
    const ChangeMap& changeMap() const { return m_map; }
    // The tooltip text for a point `y` pixels from the top.
    QString toolTipAt(int y) const;
    // The rows the frame shows as being in view, as pixels from the top: top and height.
    QRectF visibleFrame() const;
    // How much of the strip maps the rows: all of it, or the rows' own height when they
    // are fewer than the view holds.
    int mapHeight() const;

    QSize sizeHint() const override { return {kWidth, 0}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    bool handle(QEvent* event);

private:
    void rebuild();
    // The marks at `pixels` pixel rows for the rows as they are now.
    void updateMarks(int pixels);
    void jumpTo(qreal y);
    // What the map scales onto its height: rows, or, while lines wrap, the rows' pixels.
    qint64 units() const;
    qint64 unitOfRow(qint64 row) const;
    qint64 rowOfUnit(qint64 unit) const;

    // The marks last worked out among the maps that share them, and for which change.
    struct SharedMarks {
        ChangeMap map;
        quint64 change = 1;   // counts the changes of the rows and of their heights
        quint64 builtFor = 0; // the change `map` was worked out for
    };

    DiffCanvas& m_canvas;
    std::shared_ptr<SharedMarks> m_shared = std::make_shared<SharedMarks>();
    quint64 m_builtFor = 0; // the change m_map was worked out for
    ChangeMap m_map;
    QImage m_marks; // the marks, at the device pixel ratio; rebuilt when invalid
    bool m_dirty = true;
    bool m_wasDark = false;
    bool m_dragging = false;
};

} // namespace varnel
