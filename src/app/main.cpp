// SPDX-License-Identifier: GPL-3.0-or-later

// Varnel's window: compare two files side by side or inline.
//   varnel [--wait] [FILE...]
#include "app/run.h"

int main(int argc, char* argv[])
{
    return varnel::runVarnel(argc, argv);
}
