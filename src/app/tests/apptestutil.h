#pragma once

// Helpers for the application tests: an appearance that never reads the desktop's session
// bus, and the widget tests' helpers (files, waiting, fake dialogs).

#include "app/appearancecontroller.h"
#include "widgets/style/appearance.h"
#include "widgets/tests/screentestutil.h"
#include "widgets/tests/testutil.h"

#include <QDBusConnection>

namespace varnel::test {

// A bus connection that is not connected: the appearance falls back to the platform's.
inline QDBusConnection noBus()
{
    return QDBusConnection(QStringLiteral("varnel-test-no-bus"));
}

} // namespace varnel::test
