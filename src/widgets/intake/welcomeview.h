// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/diffline.h"
#include "viewmodel/comparisonviewmodel.h"
#include "viewmodel/recentcomparisonsstore.h"

#include <QWidget>

class QHBoxLayout;

namespace varnel {

class DropZoneView;
class IconButton;
class RecentsListView;

// What a window shows until both files are chosen: the title, the two drop zones
// "Original File" and "Changed File" with the swap button between them, and the recent
// comparisons. It loads files into the view model, which compares as soon as both sides
// are set; it compares nothing itself. Two files dropped together on either zone fill both
// sides, in the order given; more than two are refused with an alert.
class WelcomeView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kRowBottomInsetWithRecents = 16;
    static constexpr int kRowBottomInsetWithoutRecents = 32;

    WelcomeView(ComparisonViewModel& model, RecentComparisonsStore& store, QWidget* parent = nullptr);

    DropZoneView* dropZone(FileSide side) const { return side == FileSide::left ? m_leftZone : m_rightZone; }
    IconButton* swapButton() const { return m_swap; }
    RecentsListView* recentsList() const { return m_recents; }
    // The drop-zone row's bottom inset: 16 with recents listed, 32 without.
    int zoneRowBottomInset() const;

    // Loads a remembered pair; when either file is gone, an alert names it and the pair is
    // forgotten.
    void openRecent(const RecentComparison& entry);

protected:
    // The recents are read again: another process may have recorded a pair meanwhile.
    void showEvent(QShowEvent* event) override;

private:
    void updateFiles();
    void updateRecents();

    ComparisonViewModel& m_model;
    RecentComparisonsStore& m_store;
    // In the order of the screen, which Tab follows: the swap button stands between the zones.
    DropZoneView* m_leftZone;
    IconButton* m_swap;
    DropZoneView* m_rightZone;
    QHBoxLayout* m_zoneRow;
    QWidget* m_recentsBlock;
    RecentsListView* m_recents;
};

} // namespace varnel
