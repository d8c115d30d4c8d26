// SPDX-License-Identifier: GPL-3.0-or-later

#include "widgets/export/pdfviewer.h"

#include "widgets/export/reportdialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace varnel {

namespace {

const QString kPdf = QStringLiteral("application/pdf");

QString environmentOr(const char* name, const QString& fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

// The folders that hold desktop entries, the user's first.
QStringList applicationFolders()
{
    QStringList folders{environmentOr("XDG_DATA_HOME", QDir::homePath() + QStringLiteral("/.local/share"))};
    folders +=
        environmentOr("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share")).split(u':', Qt::SkipEmptyParts);
    for (QString& folder : folders)
        folder += QStringLiteral("/applications");
    return folders;
}

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.read(1 << 20)) : QString();
}

// Every PDF handler the desktop lists, user's choices first, each once.
QStringList registeredHandlers()
{
    QStringList lists{environmentOr("XDG_CONFIG_HOME", QDir::homePath() + QStringLiteral("/.config")) +
                      QStringLiteral("/mimeapps.list")};
    for (const QString& folder : applicationFolders())
        lists << folder + QStringLiteral("/mimeapps.list") << folder + QStringLiteral("/mimeinfo.cache");
    QStringList handlers;
    for (const QString& list : std::as_const(lists)) {
        for (const QString& id : handlersIn(readText(list), kPdf)) {
            if (!handlers.contains(id))
                handlers << id;
        }
    }
    return handlers;
}

// The Exec line of an installed desktop entry that is shown and not hidden.
QString execOf(const QString& desktopId)
{
    for (const QString& folder : applicationFolders()) {
        const QString text = readText(folder + u'/' + desktopId);
        if (text.isEmpty())
            continue;
        QString exec;
        bool inEntry = false;
        for (const QString& line : text.split(u'\n')) {
            if (line.startsWith(u'['))
                inEntry = line.trimmed() == QStringLiteral("[Desktop Entry]");
            else if (inEntry && line.trimmed() == QStringLiteral("Hidden=true"))
                return {};
            else if (inEntry && line.startsWith(QStringLiteral("Exec=")))
                exec = line.mid(5).trimmed();
        }
        return exec;
    }
    return {};
}

bool startsVarnel(const std::optional<ProgramStart>& start)
{
    return start && QFileInfo(start->program).fileName() == QStringLiteral("varnel");
}

// Our own entry, by its id or by the program it starts.
bool isVarnel(const QString& desktopId)
{
    const QString own = QGuiApplication::desktopFileName();
    if (!own.isEmpty() && desktopId == own + QStringLiteral(".desktop"))
        return true;
    return startsVarnel(expandExec(execOf(desktopId), QString()));
}

// A start of an installed program that is not Varnel.
std::optional<ProgramStart> startOf(const QString& desktopId, const QString& file)
{
    std::optional<ProgramStart> start = expandExec(execOf(desktopId), file);
    if (!start || startsVarnel(start) || QStandardPaths::findExecutable(start->program).isEmpty())
        return std::nullopt;
    return start;
}

} // namespace

QStringList handlersIn(const QString& listText, const QString& mimeType)
{
    const QStringList sections{QStringLiteral("[MIME Cache]"), QStringLiteral("[Added Associations]"),
                               QStringLiteral("[Default Applications]")};
    QStringList handlers;
    bool inList = false;
    for (const QString& raw : listText.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'['))
            inList = sections.contains(line);
        else if (inList && line.startsWith(mimeType + u'='))
            handlers += line.mid(mimeType.size() + 1).split(u';', Qt::SkipEmptyParts);
    }
    return handlers;
}

std::optional<ProgramStart> expandExec(const QString& exec, const QString& file)
{
    QStringList words = QProcess::splitCommand(exec);
    if (words.isEmpty())
        return std::nullopt;
    ProgramStart start{words.takeFirst(), {}};
    bool named = false;
    for (const QString& word : std::as_const(words)) {
        if (word == QStringLiteral("%f") || word == QStringLiteral("%F")) {
            start.arguments << file;
            named = true;
        } else if (word == QStringLiteral("%u") || word == QStringLiteral("%U")) {
            start.arguments << QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded);
            named = true;
        } else if (!(word.size() == 2 && word.startsWith(u'%') && word != QStringLiteral("%%"))) {
            start.arguments << QString(word).replace(QStringLiteral("%%"), QStringLiteral("%"));
        }
    }
    if (!named)
        start.arguments << file;
    return start;
}

PdfViewerChoice choosePdfViewer(const QString& file)
{
    const QString desktopDefault =
        dialogs::queryProgram(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), kPdf});
    if (!desktopDefault.isEmpty() && !isVarnel(desktopDefault))
        return {PdfViewerChoice::Way::desktopDefault, {}};
    for (const QString& id : registeredHandlers()) {
        if (isVarnel(id))
            continue;
        if (std::optional<ProgramStart> start = startOf(id, file))
            return {PdfViewerChoice::Way::program, *std::move(start)};
    }
    return {};
}

} // namespace varnel
