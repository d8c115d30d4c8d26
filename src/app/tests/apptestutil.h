// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Helpers for the application tests: an Application that never reads the desktop's
// session bus, and the widget tests' helpers (files, waiting, fake dialogs).

#include "app/appearancecontroller.h"
#include "app/application.h"
#include "widgets/comparison/comparisontoolbar.h"
#include "widgets/intake/welcomeview.h"
#include "widgets/style/appearance.h"
#include "widgets/style/buttons.h"
#include "widgets/tests/screentestutil.h"
#include "widgets/tests/testutil.h"

#include <QDBusConnection>

#include <memory>

namespace varnel::test {

// A bus connection that is not connected: the appearance falls back to the platform's.
inline QDBusConnection noBus()
{
    return QDBusConnection(QStringLiteral("varnel-test-no-bus"));
}

// An application as the program makes it, without a portal, and with the light look put
// back afterwards.
class ApplicationScope {
public:
    ApplicationScope()
    {
        clearPreferences();
        application = std::make_unique<Application>(new AppearanceController(noBus()));
    }
    ~ApplicationScope()
    {
        application.reset();
        Appearance::instance().setDark(false);
    }
    ApplicationScope(const ApplicationScope&) = delete;
    ApplicationScope& operator=(const ApplicationScope&) = delete;

    Application* operator->() const { return application.get(); }
    Application& operator*() const { return *application; }

    std::unique_ptr<Application> application;
};

// Runs deferred deletions (windows closed with WA_DeleteOnClose).
inline void deleteClosed()
{
    settle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace varnel::test
