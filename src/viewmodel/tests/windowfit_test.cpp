// SPDX-License-Identifier: GPL-3.0-or-later

#include "viewmodel/windowfit.h"

#include <gtest/gtest.h>

using namespace varnel;

namespace {

const QSize kPreferred(1100, 700);
const QSize kMinimum(900, 619);

TEST(WindowFit, TheWindowOpensWithinTheFreeAreaAndItsMinimumYieldsToASmallScreen)
{
    // A large screen: as the window prefers.
    WindowFit fit = fitWindow(kPreferred, kMinimum, QSize(2560, 1400));
    EXPECT_EQ(fit.size, kPreferred);
    EXPECT_EQ(fit.minimum, kMinimum);

    // 1920x1080 at a scale of 2, a panel of 32 pixels taken: every side yields.
    fit = fitWindow(kPreferred, kMinimum, QSize(960, 508));
    EXPECT_EQ(fit.size, QSize(960, 508));
    EXPECT_EQ(fit.minimum, QSize(900, 508));

    // 1366x768 with a frame: the frame comes out of the free area.
    fit = fitWindow(kPreferred, kMinimum, QSize(1366, 740), QMargins(1, 30, 1, 1));
    EXPECT_EQ(fit.size, QSize(1100, 700));
    fit = fitWindow(kPreferred, kMinimum, QSize(1024, 700), QMargins(1, 30, 1, 1));
    EXPECT_EQ(fit.size, QSize(1022, 669));
    EXPECT_EQ(fit.minimum, QSize(900, 619));

    // Narrower than the minimum but tall enough; and nothing left at all.
    fit = fitWindow(kPreferred, kMinimum, QSize(800, 1000));
    EXPECT_EQ(fit.size, QSize(800, 700));
    EXPECT_EQ(fit.minimum, QSize(800, 619));
    fit = fitWindow(kPreferred, kMinimum, QSize(0, 0), QMargins(5, 5, 5, 5));
    EXPECT_EQ(fit.size, QSize(1, 1));
    EXPECT_EQ(fit.minimum, QSize(1, 1));
}

} // namespace
