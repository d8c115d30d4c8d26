// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/comparison/changereader.h"

#include "widgets/comparison/diffcontainerview.h"
#include "widgets/diffview/inlineview.h"
#include "widgets/diffview/sidebysideview.h"
#include "widgets/style/appearance.h"

#include <QAction>
#include <QLabel>
#include <QListView>
#include <QVBoxLayout>

#include <algorithm>

namespace varnel {

namespace {

constexpr QSize kReaderSize(640, 420);

} // namespace

ChangeListModel::ChangeListModel(DiffResult result, QObject* parent)
    : QAbstractListModel(parent)
    , m_result(std::move(result))
    , m_blocks(changeBlocks(ChangeRuns::find(m_result.lines())))
{
}

int ChangeListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(std::min<std::size_t>(m_blocks.size(), INT_MAX));
}

QVariant ChangeListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole || role == Qt::ToolTipRole)
        return changeEntryText(m_result.lines(), block(index.row()));
    return {};
}

int ChangeListModel::entryOf(qint64 changeIndex) const
{
    // The last block that starts at or before the change.
    const auto after = std::upper_bound(m_blocks.begin(), m_blocks.end(), changeIndex + 1,
                                        [](qint64 number, const ChangeBlock& each) { return number < each.number; });
    return after == m_blocks.begin() ? 0 : int(after - m_blocks.begin() - 1);
}

ChangeReader::ChangeReader(const DiffResult& result, std::optional<qint64> focusedChange, QWidget* parent)
    : QDialog(parent)
    , m_model(new ChangeListModel(result, this))
    , m_list(new QListView(this))
{
    setWindowTitle(tr("Changes"));
    Appearance::follow(this);
    resize(kReaderSize);
    const int count = m_model->rowCount();
    auto* intro = new QLabel(count == 1 ? tr("1 change. Enter goes to it in the comparison; Escape returns.")
                                        : tr("%n changes. Enter goes to the chosen one in the comparison; "
                                             "Escape returns.",
                                             nullptr, count),
                             this);
    intro->setWordWrap(true);
    intro->setBuddy(m_list);
    m_list->setModel(m_model);
    m_list->setUniformItemSizes(true);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setAccessibleName(tr("Changes"));
    m_list->setAccessibleDescription(intro->text());
    if (count > 0)
        m_list->setCurrentIndex(m_model->index(focusedChange ? m_model->entryOf(*focusedChange) : 0));
    connect(m_list, &QListView::activated, this, [this](const QModelIndex& index) {
        const qint64 change = m_model->block(index.row()).number - 1;
        accept();
        Q_EMIT changeChosen(change);
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_list, 1);
    m_list->setFocus();
}

void DiffContainerView::buildChangeReader()
{
    m_listChanges = new QAction(tr("List Changes…"), this);
    m_listChanges->setShortcut(QKeySequence(Qt::Key_F7));
    m_listChanges->setToolTip(tr("A list of the changes, to read and to go to"));
    addAction(m_listChanges); // the key works on this screen, in a menu or not
    connect(m_listChanges, &QAction::triggered, this, &DiffContainerView::openChangeReader);
    const auto update = [this] { m_listChanges->setEnabled(!m_model.changeLineRows().isEmpty()); };
    for (auto signal : {&ComparisonViewModel::diffResultChanged, &ComparisonViewModel::fullDiffResultChanged,
                        &ComparisonViewModel::showAllContextChanged})
        connect(&m_model, signal, this, update);
    update();
}

ChangeReader* DiffContainerView::changeReader() const
{
    return m_reader.data();
}

void DiffContainerView::openChangeReader()
{
    const std::optional<DiffResult>& result = m_model.activeDiffResult();
    if (!result || m_model.changeLineRows().isEmpty() || content() != Content::diff)
        return;
    auto* reader = new ChangeReader(*result, m_model.focusedChangeIndex(), this);
    reader->setAttribute(Qt::WA_DeleteOnClose);
    m_reader = reader;
    connect(reader, &ChangeReader::changeChosen, this, [this](qint64 change) {
        m_model.focusChange(change);
        // The keyboard goes to the column that shows the change's line.
        const std::optional<qint64> row = m_model.focusedChangeRow();
        const std::optional<DiffResult>& shown = m_model.activeDiffResult();
        if (viewMode() == DiffViewMode::inlineView || !row || !shown)
            focusDiffView(Qt::OtherFocusReason);
        else if (shown->lines()[*row].type() == DiffLineType::added)
            m_sideBySide->column(PageSide::right)->setFocus(Qt::OtherFocusReason);
        else
            m_sideBySide->column(PageSide::left)->setFocus(Qt::OtherFocusReason);
    });
    reader->open();
}

} // namespace varnel
