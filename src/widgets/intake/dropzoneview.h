// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "readers/filetypedetector.h"

#include <QWidget>

#include <optional>

class QVariantAnimation;

namespace varnel {

// One side's target on the welcome screen: a large rounded panel that takes a dropped
// file, opens the open dialog when clicked, and shows the chosen file. It hands each
// supported file's URL to its owner (fileSelected) and refuses the others with an alert;
// it never changes the file it shows itself: the owner passes it back with setFileItem.
//
// Only local files are taken: a drag of text, images or remote URLs is refused as it
// enters, so the zone does not light up for it. Several files dropped together go to the
// owner as they are (filesDropped), which places them on both sides or refuses them.
// Ctrl+V on the focused zone asks the owner to paste the clipboard into its side
// (pasteRequested): text, or files as a drop gives them.
class DropZoneView : public QWidget {
    Q_OBJECT

public:
    explicit DropZoneView(const QString& label, QWidget* parent = nullptr);

    const QString& label() const { return m_label; }
    const std::optional<FileItem>& fileItem() const { return m_fileItem; }
    void setFileItem(const std::optional<FileItem>& item);

    // A drag with a file is over the zone / the pointer is inside it.
    bool isTargeted() const { return m_targeted; }
    bool isHovering() const { return m_hovering; }

    // Opens the open dialog, as a click does. It starts in `folder` (setDialogFolder). A
    // file picked after the owner passed the zone another file meanwhile (the comparison
    // changed under the dialog) is dropped.
    void openPicker();
    void setDialogFolder(const QUrl& folder) { m_dialogFolder = folder; }

    // The file name as drawn at the current width: at most two lines, shortened in the
    // middle when it needs more.
    QStringList shownNameLines() const;

    // The colours the zone is heading for in its current state (the drawing fades to them).
    QColor targetBackground() const;
    QColor targetBorder() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // A supported file was dropped or picked.
    void fileSelected(const QUrl& url);
    // Several local files were dropped together, in the order of the drag.
    void filesDropped(const QList<QUrl>& urls);
    // The platform's paste keys (Ctrl+V) were pressed on the zone.
    void pasteRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    enum class State { idle, hovering, chosen, targeted };
    struct Colors {
        QColor background;
        QColor border;
    };

    State state() const;
    Colors colorsFor(State state) const;
    void setTargeted(bool targeted);
    void setHovering(bool hovering);
    void stateChanged();
    void validateAndDeliver(const QUrl& url);
    void updateAccessibleText();

    QString m_label;
    std::optional<FileItem> m_fileItem;
    quint64 m_fileItemsPassed = 0; // how often the owner passed a file item
    QUrl m_dialogFolder;
    bool m_targeted = false;
    bool m_hovering = false;
    bool m_pressed = false;

    // Fading between the colours of two states (0.15 s).
    State m_fromState = State::idle;
    qreal m_stateProgress = 1;
    QVariantAnimation* m_stateAnimation;
    // The icon's scale, on a spring (1.15 while targeted).
    qreal m_iconScale = 1;
    QVariantAnimation* m_scaleAnimation;
    // The content fading in after the file changes (0.2 s).
    qreal m_contentOpacity = 1;
    QVariantAnimation* m_contentAnimation;

    // The last name layout: the name, the width and the lines.
    mutable QString m_layoutName;
    mutable int m_layoutWidth = -1;
    mutable QStringList m_layoutLines;
};

} // namespace varnel
