// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace varnel {

// Makes sure descriptors 0, 1 and 2 are open before anything else opens a file. Started
// with one of them closed, the next file opened (Qt's wake-up eventfd, a document) would
// take its number, and output meant for the terminal would land there. A closed one is
// held by /dev/null opened the other way round (standard input for writing, the outputs
// for reading), so that using it still fails as a closed descriptor does, with "Bad file
// descriptor". Both programs call this first thing in main().
void holdStandardDescriptors();

} // namespace varnel
