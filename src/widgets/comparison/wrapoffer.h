// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "viewmodel/difflayout.h"
#include "widgets/comparison/notebar.h"

namespace varnel {

// The note under a document comparison's banner that offers to wrap its long paragraphs:
// a button that turns wrapping on and a close button, both reached by Tab. It shows while
// the layout offers wrapping for what the comparison screen shows (DiffLayout::offersWrap)
// and hides for good once the offer has been answered, in any window.
class WrapOffer : public NoteBar {
    Q_OBJECT

public:
    WrapOffer(DiffLayout& layout, QWidget* parent = nullptr);

    // What the screen shows: the kind of its files, whether its longest line is cut at the
    // column's edge, and which comparison it is (see DiffLayout::offersWrap).
    void setShown(DiffMode::Kind kind, bool linesCut, const QString& comparison);

    QAbstractButton* wrapButton() const { return actionButton(); }

private:
    void refresh();

    DiffLayout& m_layout;
    DiffMode::Kind m_kind = DiffMode::Kind::text;
    bool m_linesCut = false;
    QString m_comparison;
};

} // namespace varnel
