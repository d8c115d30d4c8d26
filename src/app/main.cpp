// SPDX-License-Identifier: GPL-3.0-or-later

// Varnel's window: compare two files side by side or inline.
//   varnel [--wait] [FILE...]
#include "app/run.h"
#include "core/standardstreams.h"

int main(int argc, char* argv[])
{
    varnel::holdStandardDescriptors(); // before the toolkit opens anything
    return varnel::runVarnel(argc, argv);
}
