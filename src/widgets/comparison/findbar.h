// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QWidget>

class QAbstractButton;
class QLabel;
class QLineEdit;

namespace varnel {

class FindModel;
class IconButton;

// The bar at the bottom of the comparison screen that finds text in both files: the
// query, "7 of 42" (or "…" while counting), the previous and next buttons, the case
// toggle and the close button. Enter and Shift+Enter in the field go to the next and the
// previous match, Escape closes the bar. It reads and writes the find model; the screen
// moves the views.
class FindBar : public QWidget {
    Q_OBJECT

public:
    explicit FindBar(FindModel& model, QWidget* parent = nullptr);

    QLineEdit* field() const { return m_field; }
    QLabel* statusLabel() const { return m_status; }
    IconButton* previousButton() const { return m_previous; }
    IconButton* nextButton() const { return m_next; }
    QAbstractButton* caseButton() const { return m_case; }
    IconButton* closeButton() const { return m_close; }

    // Shows the bar (finding the field's text again) and puts the keyboard in the field,
    // its text selected.
    void open();
    // Hides the bar; nothing is marked while it is closed.
    void close();

Q_SIGNALS:
    void nextRequested();
    void previousRequested();
    // After the bar opened or closed.
    void visibilityChanged(bool open);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();

    FindModel& m_model;
    QLineEdit* m_field;
    QLabel* m_status;
    IconButton* m_previous;
    IconButton* m_next;
    QAbstractButton* m_case;
    IconButton* m_close;
};

} // namespace varnel
