// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace varnel {

// The `varnel` program: reads the command line, hands the files to the Varnel already
// running when there is one, and otherwise runs the application until its last window
// closes (with --wait, until the window it opened closes). Returns the exit code.
int runVarnel(int argc, char* argv[]);

} // namespace varnel
