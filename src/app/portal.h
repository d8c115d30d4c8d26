// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

namespace varnel::portal {

// Where the desktop portal answers on the session bus.
inline const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString path = QStringLiteral("/org/freedesktop/portal/desktop");

} // namespace varnel::portal
