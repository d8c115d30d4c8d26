// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QAccessibleWidget>

namespace varnel {

class BusyIndicator;

// A busy indicator as screen readers see it: a progress bar whose value is the percentage
// done ("45%"), or "In progress" while that is unknown. Installed once, by the first
// indicator made.
void installBusyAccessibility();

class BusyIndicatorAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit BusyIndicatorAccessible(BusyIndicator* indicator);

    QAccessible::Role role() const override { return QAccessible::ProgressBar; }
    QString text(QAccessible::Text t) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& /*value*/) override {}
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    const BusyIndicator* indicator() const;
};

// The whole percentage done, as screen readers are told it; none while unknown.
std::optional<int> percentDone(const BusyIndicator& indicator);

} // namespace varnel
