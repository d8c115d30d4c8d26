// SPDX-License-Identifier: GPL-3.0-or-later

#include "viewmodel/filereload.h"

#include "viewmodel/comparisonviewmodel.h"

#include <QStringList>

#include <algorithm>

namespace varnel {

namespace {

const QString kOff = QStringLiteral("false");

constexpr std::size_t index(FileSide side)
{
    return side == FileSide::left ? 0 : 1;
}

} // namespace

FileReload::FileReload(ComparisonViewModel& model) : QObject(&model), m_model(model)
{
    m_automatic = m_preferences.string(Preferences::kReloadAutomatically, QString()) != kOff;
    m_trailing.setSingleShot(true);
    connect(&m_trailing, &QTimer::timeout, this, &FileReload::start);
    connect(&m_watch, &FileWatch::changed, this, &FileReload::sideChanged);
    connect(&model, &ComparisonViewModel::leftFileChanged, this, &FileReload::filesChosen);
    connect(&model, &ComparisonViewModel::rightFileChanged, this, &FileReload::filesChosen);
    connect(&model, &ComparisonViewModel::comparedAgain, this, &FileReload::comparedAgain);
    connect(&model, &ComparisonViewModel::isComparingChanged, this, &FileReload::comparisonEnded);
    connect(&model, &ComparisonViewModel::comparisonErrorChanged, this, [this] {
        if (!m_model.comparisonError())
            return;
        // The error names the file and the reason; the notice would only repeat it.
        m_comparing = {false, false};
        for (SideEvent& happened : m_events) {
            if (happened == SideEvent::changed || happened == SideEvent::comparedAgain)
                happened = SideEvent::none;
        }
        updateNotice();
    });
    connect(&m_preferences, &Preferences::valueChanged, this, [this](const QString& key) {
        if (key != Preferences::kReloadAutomatically)
            return;
        m_automatic = m_preferences.string(key, QString()) != kOff;
        Q_EMIT automaticChanged(m_automatic);
        // Turned on: what changed meanwhile is compared now.
        if (m_automatic && (m_waiting[0] || m_waiting[1]))
            schedule();
    });
}

void FileReload::setAutomatic(bool automatic)
{
    m_preferences.setString(Preferences::kReloadAutomatically, automatic ? QStringLiteral("true") : kOff);
}

void FileReload::setMinimumInterval(int ms)
{
    m_interval = ms;
    if (m_trailing.isActive()) {
        m_trailing.stop();
        schedule();
    }
}

void FileReload::filesChosen()
{
    const std::optional<QString> left = pathOnDisk(m_model.leftFile());
    const std::optional<QString> right = pathOnDisk(m_model.rightFile());
    // The same files classified again keep their watch and their notice.
    if (left == m_watch.path(FileSide::left) && right == m_watch.path(FileSide::right))
        return;
    m_trailing.stop();
    m_waiting = m_comparing = {false, false};
    m_events = {SideEvent::none, SideEvent::none};
    m_watch.setPaths(left, right);
    setNotice(QString());
}

void FileReload::sideChanged(FileSide side)
{
    if (!m_model.bothFilesLoaded())
        return; // nothing is compared yet
    switch (m_watch.kind(side)) {
    case FileStamp::Kind::missing:
    case FileStamp::Kind::folder:
        sideEvent(side) = m_watch.kind(side) == FileStamp::Kind::missing ? SideEvent::deleted : SideEvent::folder;
        m_waiting[index(side)] = false;
        updateNotice();
        return;
    case FileStamp::Kind::file: break;
    }
    m_waiting[index(side)] = true;
    if (!m_automatic || anySideAway()) {
        sideEvent(side) = SideEvent::changed;
        updateNotice();
        return;
    }
    schedule();
}

void FileReload::schedule()
{
    if (m_trailing.isActive())
        return; // it compares the latest writes when it fires
    const qint64 since = m_sinceStart.isValid() ? m_sinceStart.elapsed() : m_interval;
    if (since >= m_interval)
        start();
    else
        startTrailing();
}

void FileReload::startTrailing()
{
    const qint64 since = m_sinceStart.isValid() ? m_sinceStart.elapsed() : m_interval;
    m_trailing.start(int(std::max<qint64>(0, m_interval - since)));
}

void FileReload::start()
{
    // A comparison of the same files runs on: stopping it for each write would never let
    // a file written faster than it is compared show a result. comparisonEnded() starts
    // the next one.
    if (!m_automatic || anySideAway() || !m_model.bothFilesLoaded() || m_model.isComparingAgain())
        return;
    for (std::size_t side = 0; side < 2; ++side)
        m_comparing[side] = m_comparing[side] || m_waiting[side];
    m_waiting = {false, false};
    m_sinceStart.start();
    m_model.compareAgain();
    updateNotice();
}

void FileReload::compareAgain()
{
    m_trailing.stop();
    m_waiting = m_comparing = {false, false};
    m_events = {SideEvent::none, SideEvent::none};
    setNotice(QString());
    m_sinceStart.start();
    m_model.compareAgain();
}

void FileReload::windowActivated()
{
    m_watch.check();
}

void FileReload::comparedAgain()
{
    for (FileSide side : {FileSide::left, FileSide::right}) {
        if (std::exchange(m_comparing[index(side)], false))
            sideEvent(side) = SideEvent::comparedAgain;
    }
    updateNotice();
}

void FileReload::comparisonEnded()
{
    if (m_model.isComparing())
        return;
    // Ended without comparedAgain(): superseded by other options, say, which read the
    // files afresh too.
    if (std::exchange(m_comparing, {false, false}) != std::array<bool, 2>{false, false})
        updateNotice();
    // Started from the next turn of the event loop, once this result is all published.
    if (m_automatic && (m_waiting[0] || m_waiting[1]) && !m_trailing.isActive())
        startTrailing();
}

void FileReload::dismissNotice()
{
    m_events = {SideEvent::none, SideEvent::none};
    setNotice(QString());
}

bool FileReload::anySideAway() const
{
    // Text held in memory has no path and is never away.
    return std::ranges::any_of(std::array{FileSide::left, FileSide::right}, [this](FileSide side) {
        return m_watch.path(side) && m_watch.kind(side) != FileStamp::Kind::file;
    });
}

void FileReload::setNotice(const QString& text, std::optional<FileSide> replaceable)
{
    if (text == m_notice && replaceable == m_replaceable)
        return;
    m_notice = text;
    m_replaceable = replaceable;
    Q_EMIT noticeChanged();
}

void FileReload::updateNotice()
{
    const auto name = [this](FileSide side) {
        const std::optional<FileItem>& file = side == FileSide::left ? m_model.leftFile() : m_model.rightFile();
        return file ? file->name : QString();
    };
    QStringList away;
    std::optional<FileSide> replaceable;
    QList<FileSide> changed;
    QList<FileSide> compared;
    QList<FileSide> comparing;
    for (FileSide side : {FileSide::left, FileSide::right}) {
        if (m_comparing[index(side)] && sideEvent(side) != SideEvent::deleted && sideEvent(side) != SideEvent::folder) {
            comparing << side;
            continue;
        }
        switch (sideEvent(side)) {
        case SideEvent::deleted: away << QStringLiteral("%1 was deleted").arg(name(side)); break;
        case SideEvent::folder: away << QStringLiteral("%1 was replaced by a folder").arg(name(side)); break;
        case SideEvent::changed: changed << side; break;
        case SideEvent::comparedAgain: compared << side; break;
        case SideEvent::none: continue;
        }
        if (!replaceable && (sideEvent(side) == SideEvent::deleted || sideEvent(side) == SideEvent::folder))
            replaceable = side;
    }
    const auto files = [&name](const QList<FileSide>& sides) {
        return sides.size() == 2 ? QStringLiteral("Both files") : name(sides.front());
    };
    if (!away.isEmpty())
        setNotice(away.join(QStringLiteral(" and ")) + QStringLiteral("; the last comparison stays on screen."),
                  replaceable);
    else if (!changed.isEmpty())
        setNotice(QStringLiteral("%1 changed on disk \u2014 press F5 to compare again.").arg(files(changed)));
    else if (!comparing.isEmpty())
        setNotice(QStringLiteral("%1 changed on disk; comparing again\u2026").arg(files(comparing)));
    else if (!compared.isEmpty())
        setNotice(QStringLiteral("%1 changed on disk and %2 compared again.")
                      .arg(files(compared), compared.size() == 2 ? QStringLiteral("were") : QStringLiteral("was")));
    else
        setNotice(QString());
}

} // namespace varnel
