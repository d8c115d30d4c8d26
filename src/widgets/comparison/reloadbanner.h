// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "viewmodel/filereload.h"
#include "widgets/comparison/notebar.h"

namespace varnel {

// The note over the comparison screen saying what happened to its files on disk (see
// FileReload): compared again, changed and waiting for F5, deleted or made a folder. For a
// file gone it offers "Choose Another File…" for that side; a close button dismisses it.
// Both buttons are reached by Tab, and a screen reader hears the note as it appears.
class ReloadBanner : public NoteBar {
    Q_OBJECT

public:
    explicit ReloadBanner(FileReload& reload, QWidget* parent = nullptr);

    QAbstractButton* chooseButton() const { return actionButton(); }

Q_SIGNALS:
    // "Choose Another File…" for the side whose file is gone.
    void chooseRequested(varnel::FileSide side);

private:
    void refresh();

    FileReload& m_reload;
};

} // namespace varnel
