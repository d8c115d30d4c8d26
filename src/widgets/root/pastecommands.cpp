// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/root/pastecommands.h"

#include "viewmodel/pastedtext.h"
#include "widgets/dialogs/dialogs.h"
#include "widgets/root/rootview.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>

namespace varnel {

PasteCommands::PasteCommands(RootView& root, QObject* parent) : QObject(parent), m_root(root)
{
    const auto add = [this](Command command, const QString& text, const QString& tip) {
        auto* item = new QAction(text, this);
        item->setToolTip(tip);
        connect(item, &QAction::triggered, this, [this, command] { paste(command); });
        m_actions.append(item);
    };
    add(Command::compareWithLeft, QStringLiteral("Compare Clipboard with Left"),
        QStringLiteral("Compare the text on the clipboard with the left side; it becomes the right side"));
    add(Command::compareWithRight, QStringLiteral("Compare Clipboard with Right"),
        QStringLiteral("Compare the text on the clipboard with the right side; it becomes the left side"));
    add(Command::pasteAsOriginal, QStringLiteral("Paste as Original"),
        QStringLiteral("Put the text on the clipboard on the left side"));
    add(Command::pasteAsChanged, QStringLiteral("Paste as Changed"),
        QStringLiteral("Put the text on the clipboard on the right side"));
    ComparisonViewModel& model = m_root.viewModel();
    connect(&model, &ComparisonViewModel::leftFileChanged, this, &PasteCommands::update);
    connect(&model, &ComparisonViewModel::rightFileChanged, this, &PasteCommands::update);
    update();
}

QAction* PasteCommands::action(Command command) const
{
    return m_actions.value(qsizetype(command));
}

void PasteCommands::setAvailable(bool available)
{
    m_available = available;
    update();
}

void PasteCommands::update()
{
    const bool comparison = m_root.viewModel().bothFilesLoaded();
    action(Command::compareWithLeft)->setEnabled(m_available && comparison);
    action(Command::compareWithRight)->setEnabled(m_available && comparison);
    action(Command::pasteAsOriginal)->setEnabled(m_available && !comparison);
    action(Command::pasteAsChanged)->setEnabled(m_available && !comparison);
}

void PasteCommands::paste(Command command)
{
    if (!action(command)->isEnabled())
        return;
    // The side the text takes: the one that is not compared with it.
    const FileSide side =
        command == Command::compareWithRight || command == Command::pasteAsOriginal ? FileSide::left : FileSide::right;
    if (const std::optional<Error> refused =
            pasteInto(m_root.viewModel(), QGuiApplication::clipboard()->mimeData(), side))
        dialogs::showRefusedPaste(&m_root, *refused);
}

} // namespace varnel
