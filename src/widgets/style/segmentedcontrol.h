// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QAbstractButton>
#include <QWidget>

class QButtonGroup;

namespace varnel {

// A row of mutually exclusive choices drawn as one control: a rounded track with the
// chosen segment raised. Each segment is a checkable button, so it takes clicks, the
// keyboard (Tab to it, Left and Right to move) and assistive tools like any button.
class SegmentedControl : public QWidget {
    Q_OBJECT

public:
    SegmentedControl(const QString& title, const QStringList& segments, QWidget* parent = nullptr);

    int currentIndex() const;
    // Chooses a segment without emitting activated().
    void setCurrentIndex(int index);
    QAbstractButton* segment(int index) const;
    int count() const;

    QSize sizeHint() const override;

Q_SIGNALS:
    // The user chose a segment.
    void activated(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QButtonGroup* m_group;
    QList<QAbstractButton*> m_segments;
};

} // namespace varnel
