// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffline.h"
#include "readers/filetypedetector.h"
#include "readers/textformat.h"
#include "viewmodel/difflayout.h"

#include <QAbstractButton>
#include <QWidget>

#include <optional>

class QLabel;

namespace varnel {

class ComparisonViewModel;
class IconButton;
class SegmentedControl;
class TextButton;

// A file's name behind its kind's symbol, shortened in the middle when the toolbar is
// narrow. Clicking it asks for a replacement file.
class FileLabelButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit FileLabelButton(QWidget* parent = nullptr);

    const std::optional<FileItem>& fileItem() const { return m_item; }
    void setFileItem(const std::optional<FileItem>& item);
    // How the file was written, added to the tooltip below "Click to change file" (and the
    // file's full path above it).
    void setTextFormat(const std::optional<TextFormat>& format);
    // The name as drawn at the current width.
    QString shownName() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void updateToolTip();

    std::optional<FileItem> m_item;
    std::optional<TextFormat> m_format;
};

// The comparison screen's toolbar, left to right: the left file, the "View" picker, the
// change navigation and the context button (while the result has changes), the options in
// force ("Ignoring: white space, case", while any is), share, swap, close, and the right
// file. It reads the view model; the buttons that act on it call it
// directly, the rest are signals for the screen.
class ComparisonToolbar : public QWidget {
    Q_OBJECT

public:
    explicit ComparisonToolbar(ComparisonViewModel& model, QWidget* parent = nullptr);

    FileLabelButton* fileLabel(FileSide side) const { return side == FileSide::left ? m_leftLabel : m_rightLabel; }
    SegmentedControl* viewPicker() const { return m_viewPicker; }
    QWidget* navigationGroup() const { return m_navigation; }
    IconButton* previousButton() const { return m_previous; }
    IconButton* nextButton() const { return m_next; }
    QLabel* positionLabel() const { return m_position; }
    IconButton* contextButton() const { return m_context; }
    // "Ignoring: …": shown while an option ignores something; a click asks for the options.
    TextButton* ignoringLabel() const { return m_ignoring; }
    IconButton* shareButton() const { return m_share; }
    IconButton* swapButton() const { return m_swap; }
    IconButton* closeButton() const { return m_close; }

    void setViewMode(DiffViewMode mode);
    // Whether anything can share a result; without that the share button stays disabled.
    void setShareAvailable(bool available);

    // Reads the view model again.
    void refresh();

Q_SIGNALS:
    void replaceRequested(varnel::FileSide side);
    void viewModeChosen(varnel::DiffViewMode mode);
    void shareClicked(QWidget* anchor);
    void optionsRequested(QWidget* anchor);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void shareLabelWidth();
    void refreshIgnoring();

    ComparisonViewModel& m_model;
    // In the order of the screen, left to right, which Tab follows.
    FileLabelButton* m_leftLabel;
    SegmentedControl* m_viewPicker;
    QWidget* m_navigation;
    IconButton* m_previous;
    IconButton* m_next;
    QLabel* m_position;
    IconButton* m_context;
    TextButton* m_ignoring;
    IconButton* m_share;
    IconButton* m_swap;
    IconButton* m_close;
    FileLabelButton* m_rightLabel;
    bool m_shareAvailable = false;
};

} // namespace varnel
