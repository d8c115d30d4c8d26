// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QWidget>

#include <optional>

class QVariantAnimation;

namespace varnel {

// A thin bar that says work is going on: a short segment sweeping along a track while the
// amount done is unknown, or the track filled up to a fraction once it is. It animates
// only while it is visible.
class BusyIndicator : public QWidget {
    Q_OBJECT

public:
    explicit BusyIndicator(QWidget* parent = nullptr);

    // Between 0 and 1; nothing for "unknown" (the sweeping segment).
    void setProgress(std::optional<qreal> fraction);
    std::optional<qreal> progress() const { return m_progress; }
    bool isAnimating() const;

    QSize sizeHint() const override { return {180, 6}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void updateAnimation();

    std::optional<qreal> m_progress;
    qreal m_phase = 0;
    QVariantAnimation* m_animation;
};

} // namespace varnel
