// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/comparison/compareoptionsmenu.h"

#include "viewmodel/comparisonviewmodel.h"
#include "widgets/comparison/patternsdialog.h"

namespace varnel {

namespace {

struct FlagItem {
    CompareOptionsMenu::Item item;
    const char* text;
    const char* toolTip;
    bool CompareOptions::*flag;
};

const FlagItem kFlagItems[] = {
    {CompareOptionsMenu::Item::ignoreCase, "Ignore Case", "Lines that differ only in letter case are the same",
     &CompareOptions::ignoreCase},
    {CompareOptionsMenu::Item::ignoreTrailingSpace, "Ignore Trailing White Space",
     "Lines that differ only in white space at their end are the same", &CompareOptions::ignoreTrailingSpace},
    {CompareOptionsMenu::Item::ignoreSpaceChange, "Ignore Changes in Amount of White Space",
     "Lines are the same when each run of white space counts as one space", &CompareOptions::ignoreSpaceChange},
    {CompareOptionsMenu::Item::ignoreAllSpace, "Ignore All White Space",
     "Lines that differ only in white space are the same", &CompareOptions::ignoreAllSpace},
    {CompareOptionsMenu::Item::ignoreBlankLines, "Ignore Blank Lines",
     "A change made only of blank lines is not counted", &CompareOptions::ignoreBlankLines},
};

} // namespace

CompareOptionsMenu::CompareOptionsMenu(ComparisonViewModel& model, QWidget* parent)
    : QMenu(QStringLiteral("Compare Options"), parent)
    , m_model(model)
{
    setToolTipsVisible(true);
    for (const FlagItem& each : kFlagItems) {
        QAction* action = addAction(QString::fromUtf8(each.text));
        action->setCheckable(true);
        action->setToolTip(QString::fromUtf8(each.toolTip));
        connect(action, &QAction::triggered, this, [this, flag = each.flag](bool checked) {
            CompareOptions options = m_model.compareOptions();
            options.*flag = checked;
            m_model.chooseCompareOptions(options);
        });
        m_items[std::size_t(each.item)] = action;
    }
    addSeparator();
    QAction* matching = addAction(QStringLiteral("Lines Matching…"));
    matching->setCheckable(true); // checked while patterns are in force; a click opens the dialog
    connect(matching, &QAction::triggered, this, [this] {
        update(); // the click toggled the mark: the dialog decides
        editPatterns();
    });
    m_items[std::size_t(Item::linesMatching)] = matching;
    connect(&m_model, &ComparisonViewModel::compareOptionsChanged, this, &CompareOptionsMenu::update);
    update();
}

void CompareOptionsMenu::update()
{
    const CompareOptions& options = m_model.compareOptions();
    for (const FlagItem& each : kFlagItems)
        item(each.item)->setChecked(options.*each.flag);
    QAction* matching = item(Item::linesMatching);
    matching->setChecked(!options.ignoreMatching.isEmpty());
    matching->setToolTip(options.ignoreMatching.isEmpty()
                             ? QStringLiteral("Set patterns of lines whose changes are not counted")
                             : QStringLiteral("Ignoring lines matching: ") + options.ignoreMatching.join(u' '));
}

void CompareOptionsMenu::editPatterns()
{
    if (m_dialog) {
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    QWidget* window = parentWidget() ? parentWidget()->window() : nullptr;
    auto* dialog = new PatternsDialog(m_model.compareOptions().ignoreMatching, window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        CompareOptions options = m_model.compareOptions();
        options.ignoreMatching = dialog->patterns();
        m_model.chooseCompareOptions(options);
    });
    m_dialog = dialog;
    dialog->open();
}

} // namespace varnel
