// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/style/busyaccessible.h"

#include "widgets/style/busyindicator.h"

#include <cmath>
#include <mutex>

namespace varnel {

namespace {

QAccessibleInterface* makeBusyAccessible(const QString& /*key*/, QObject* object)
{
    if (auto* indicator = qobject_cast<BusyIndicator*>(object))
        return new BusyIndicatorAccessible(indicator);
    return nullptr;
}

} // namespace

void installBusyAccessibility()
{
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(makeBusyAccessible); });
}

std::optional<int> percentDone(const BusyIndicator& indicator)
{
    if (!indicator.progress())
        return std::nullopt;
    return int(std::floor(*indicator.progress() * 100));
}

BusyIndicatorAccessible::BusyIndicatorAccessible(BusyIndicator* indicator)
    : QAccessibleWidget(indicator, QAccessible::ProgressBar)
{
}

const BusyIndicator* BusyIndicatorAccessible::indicator() const
{
    return static_cast<const BusyIndicator*>(widget());
}

QString BusyIndicatorAccessible::text(QAccessible::Text t) const
{
    if (t != QAccessible::Value)
        return QAccessibleWidget::text(t);
    const std::optional<int> percent = percentDone(*indicator());
    return percent ? QCoreApplication::translate("BusyIndicator", "%1%").arg(*percent)
                   : QCoreApplication::translate("BusyIndicator", "In progress");
}

void* BusyIndicatorAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QVariant BusyIndicatorAccessible::currentValue() const
{
    return percentDone(*indicator()).value_or(0);
}

} // namespace varnel
