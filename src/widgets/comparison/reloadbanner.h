// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "viewmodel/filereload.h"

#include <QWidget>

class QAbstractButton;
class QLabel;

namespace varnel {

// The note over the comparison screen saying what happened to its files on disk (see
// FileReload): compared again, changed and waiting for F5, deleted or made a folder. For a
// file gone it offers "Choose Another File…" for that side; a close button dismisses it.
// Both buttons are reached by Tab, and a screen reader hears the note as it appears.
class ReloadBanner : public QWidget {
    Q_OBJECT

public:
    explicit ReloadBanner(FileReload& reload, QWidget* parent = nullptr);

    QString text() const;
    QAbstractButton* chooseButton() const { return m_choose; }
    QAbstractButton* closeButton() const { return m_close; }

Q_SIGNALS:
    // "Choose Another File…" for the side whose file is gone.
    void chooseRequested(varnel::FileSide side);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    FileReload& m_reload;
    QLabel* m_label;
    QAbstractButton* m_choose;
    QAbstractButton* m_close;
};

} // namespace varnel
