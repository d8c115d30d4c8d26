// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "readers/filetypedetector.h"
#include "viewmodel/preferences.h"

#include <QObject>
#include <QString>

#include <optional>

namespace varnel {

// The two layouts of a diff, stored under "diffViewMode" by these raw values.
enum class DiffViewMode { sideBySide, inlineView };

QString rawValue(DiffViewMode mode);
// "inline" is the inline layout; anything else, or nothing, is side by side.
DiffViewMode diffViewModeFromRawValue(const QString& raw);

// What a window says when the rows of the comparison of `left` and `right` were too many
// to wrap (no memory for their heights): it shows them unwrapped; wrapping stays chosen.
QString wrapDroppedMessage(const QString& left, const QString& right);

// The layout a window shows its diff in, whether long lines wrap ("wrapLongLines": "true"
// wraps, anything else does not) and whether the side-by-side columns scroll together
// ("scrollTogether", the same) and whether side by side shows a changed line's old and new
// text on one row ("pairChangedLines", the same). Each is one preference for every window and the next
// start: choosing it in one window stores it at once, and every window follows whoever
// writes it.
//
// It also keeps whether the user has answered the offer to wrap a document's long
// paragraphs ("wrapOfferAnswered"): by taking it, closing it, or choosing wrapping either
// way by other means. Once answered, the offer never shows again. Unanswered, a window
// offers it for one comparison only, the first it shows cut: the next one the window
// shows (any kind) ends it there, and only a new window offers it again.
class DiffLayout : public QObject {
    Q_OBJECT

public:
    explicit DiffLayout(QObject* parent = nullptr);

    DiffViewMode mode() const { return m_mode; }
    // Shows `mode` and remembers it for every window and the next start.
    void setMode(DiffViewMode mode);

    // Whether rows wider than their column wrap at its width; off by default.
    bool wrapsLongLines() const { return m_wrap; }
    // Choosing wrapping either way answers the offer to wrap.
    void setWrapsLongLines(bool wrap);

    // The user's choice of scrolling the two columns together; off by default.
    bool scrollTogetherChosen() const { return m_together; }
    void setScrollTogether(bool together);
    // Whether the columns scroll together: as chosen, and always while lines wrap (wrapped
    // rows are level only when both columns stand at the same place).
    bool scrollsTogether() const { return m_together || m_wrap; }
    // Whether the choice can be changed now: not while wrapping decides it.
    bool scrollTogetherChoosable() const { return !m_wrap; }

    // The user's choice of showing each removed line beside the added line it became;
    // off by default.
    bool pairChangedLinesChosen() const { return m_pair; }
    void setPairChangedLines(bool pair);
    // Whether the layout `mode` shows those pairs on one row: side by side only, as chosen
    // (the inline layout shows every line on its own row).
    bool pairsChangedLines(DiffViewMode mode) const { return m_pair && mode == DiffViewMode::sideBySide; }

    // Whether the comparison `comparison` (what tells it from the window's others; empty
    // while none is shown) of this kind, whose longest line is cut at the column's edge
    // (`linesCut`), offers to wrap: documents only (their paragraphs are long lines), while
    // not wrapping, until the offer has been answered, and only for the first comparison
    // of this window it was offered for. Asking with another comparison ends that one's.
    bool offersWrap(DiffMode::Kind kind, bool linesCut, const QString& comparison = {});
    bool isWrapOfferAnswered() const { return m_offerAnswered; }
    // Closing the offer without wrapping.
    void answerWrapOffer();

Q_SIGNALS:
    // The layout to show, after every write of the preference (here or in another
    // window), whether or not it changed.
    void modeChanged(varnel::DiffViewMode mode);
    // The same for wrapping.
    void wrapChanged(bool wrap);
    // Whether the columns scroll together (scrollsTogether()), after either preference
    // it follows was written.
    void scrollTogetherChanged(bool together);
    // The choice of pairing changed lines, after every write of it.
    void pairChangedLinesChanged(bool pair);
    // The offer to wrap was answered, here or in another window.
    void wrapOfferAnswered();

private:
    void reload();
    void preferenceChanged(const QString& key);
    bool flag(const QString& key) const;

    Preferences m_preferences;
    DiffViewMode m_mode = DiffViewMode::sideBySide;
    bool m_wrap = false;
    bool m_together = false;
    bool m_offerAnswered = false;
    bool m_pair = false;
    // The comparison this window offered wrapping for, and whether it has since shown
    // another (this window offers it no more).
    std::optional<QString> m_offeredFor;
    bool m_offerSpent = false;
};

} // namespace varnel
