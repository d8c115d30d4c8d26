// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QWidget>

class QAbstractButton;
class QLabel;

namespace varnel {

// A one-line note of the comparison screen: an info symbol, the note's text (plain, as it
// may hold file names), one accent button and a close button, both reached by Tab, on a
// faint fill that follows the appearance. What the note says and when it shows are the
// owner's.
class NoteBar : public QWidget {
    Q_OBJECT

public:
    NoteBar(const QString& actionText, QWidget* parent = nullptr);

    // The note's text while it shows; empty while hidden.
    QString text() const;
    QAbstractButton* actionButton() const { return m_action; }
    QAbstractButton* closeButton() const { return m_close; }

protected:
    QLabel* label() const { return m_label; }
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_label;
    QAbstractButton* m_action;
    QAbstractButton* m_close;
};

} // namespace varnel
