// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffresult.h"
#include "reading/spokentext.h"

#include <QAbstractListModel>
#include <QDialog>

#include <optional>
#include <vector>

class QListView;

namespace varnel {

// The blocks of changes of one result, an entry each, its text made when it is shown
// (see changeEntryText): a result of a million changes makes no million strings.
class ChangeListModel : public QAbstractListModel {
    Q_OBJECT

public:
    explicit ChangeListModel(DiffResult result, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    const ChangeBlock& block(int entry) const { return m_blocks[std::size_t(entry)]; }
    // The entry that holds change `changeIndex` (0-based, as the view model counts them).
    int entryOf(qint64 changeIndex) const;

private:
    DiffResult m_result;
    std::vector<ChangeBlock> m_blocks;
};

// F7's list of changes, for review by keyboard or with a screen reader: a plain list, one
// entry per block of changes, the focused change's current. Enter (or a double click) goes
// to the chosen change and closes the list; Escape closes it and leaves the focus as it was.
class ChangeReader : public QDialog {
    Q_OBJECT

public:
    ChangeReader(const DiffResult& result, std::optional<qint64> focusedChange, QWidget* parent = nullptr);

    QListView* list() const { return m_list; }
    ChangeListModel& entries() const { return *m_model; }

Q_SIGNALS:
    // An entry was chosen: the index of its first change (see ComparisonViewModel::focusChange).
    void changeChosen(qint64 changeIndex);

private:
    ChangeListModel* m_model;
    QListView* m_list;
};

} // namespace varnel
