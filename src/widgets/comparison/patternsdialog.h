// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace varnel {

// "Ignore Lines Matching": the patterns of a window's comparison. A change whose every line
// matches one of them is not counted. The list shows them, Remove takes the selected one
// out, and the field below takes a new one: it is checked as it is typed, and a pattern
// that cannot be used is named with the place where it fails, under the field, while Add
// and OK refuse it. OK also adds what the field holds.
class PatternsDialog : public QDialog {
    Q_OBJECT

public:
    explicit PatternsDialog(const QStringList& patterns, QWidget* parent = nullptr);

    // The patterns as the dialog holds them now (with the field's, once OK took it).
    QStringList patterns() const;

    QListWidget* list() const { return m_list; }
    QLineEdit* field() const { return m_field; }
    // The message under the field; empty while the field holds a usable pattern or nothing.
    QString errorText() const;
    QPushButton* addButton() const { return m_add; }
    QPushButton* removeButton() const { return m_remove; }
    QPushButton* okButton() const;

    void accept() override;

private:
    void validate();
    void addPattern();
    void removeSelected();

    QListWidget* m_list;
    QPushButton* m_remove;
    QLineEdit* m_field;
    QPushButton* m_add;
    QLabel* m_error;
    QDialogButtonBox* m_buttons;
};

} // namespace varnel
