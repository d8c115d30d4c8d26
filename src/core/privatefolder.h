// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/error.h"

#include <QString>

#include <optional>

namespace varnel {

// Makes `path` a folder of this user's that no one else can enter (mode 0700): created
// with its missing parents when absent; one of ours with a looser mode is closed. Anything
// else there (a file, a symbolic link, another user's folder) is refused, since another
// user could then see or swap what is written in it. Gives the reason on failure.
std::optional<Error> makePrivateFolder(const QString& path);

} // namespace varnel
