// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "widgets/comparison/patternsdialog.h"

#include <QMenu>
#include <QPointer>

#include <array>

namespace varnel {

class ComparisonViewModel;

// View ▸ Compare Options, the options of one window's comparison: check items that ignore
// case, trailing white space, changes in the amount of white space, all white space and
// blank lines, and "Lines Matching…", which opens the patterns dialog (checked while
// patterns are in force). Each choice compares again (ComparisonViewModel::
// chooseCompareOptions) and becomes the default of new windows. The toolbar's "Ignoring: …"
// label opens the same menu.
class CompareOptionsMenu : public QMenu {
    Q_OBJECT

public:
    enum class Item {
        ignoreCase,
        ignoreTrailingSpace,
        ignoreSpaceChange,
        ignoreAllSpace,
        ignoreBlankLines,
        linesMatching
    };
    static constexpr std::size_t kItemCount = std::size_t(Item::linesMatching) + 1;

    explicit CompareOptionsMenu(ComparisonViewModel& model, QWidget* parent = nullptr);

    QAction* item(Item which) const { return m_items[std::size_t(which)]; }
    // Opens the patterns dialog, window-modal; OK applies its patterns.
    void editPatterns();
    // The dialog while it is open.
    PatternsDialog* patternsDialog() const { return m_dialog; }

private:
    // The check marks, from the view model's options.
    void update();

    ComparisonViewModel& m_model;
    std::array<QAction*, kItemCount> m_items{};
    QPointer<PatternsDialog> m_dialog;
};

} // namespace varnel
