// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>

class QAction;

namespace varnel {

class RootView;

// The Edit menu's commands that take a side from the clipboard. On the comparison screen,
// "Compare Clipboard with Left" compares the clipboard's text with the left side, so the
// text becomes the right side, and "… with Right" the other way round; on the welcome
// screen "Paste as Original" and "Paste as Changed" put it on the left and the right
// zone. Each is enabled on its own screen; a clipboard with nothing to paste gets an
// alert that says what it holds.
class PasteCommands : public QObject {
    Q_OBJECT

public:
    enum class Command { compareWithLeft, compareWithRight, pasteAsOriginal, pasteAsChanged };

    PasteCommands(RootView& root, QObject* parent = nullptr);

    QAction* action(Command command) const;
    // Off for good in a window of one comparison, which opens nothing else.
    void setAvailable(bool available);

private:
    void update();
    void paste(Command command);

    RootView& m_root;
    QList<QAction*> m_actions; // indexed by Command
    bool m_available = true;
};

} // namespace varnel
