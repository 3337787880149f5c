#include "DrawClockIndicator.h"

#include "Clock.h"
#include "DrawClock.h"
#include "DrawTimes.h"
#include "HistoryCommands.h"
#include "IssueNumbers.h"
#include "ProvinceTable.h"
#include "Settings.h"

#include <QLabel>
#include <QStatusBar>

DrawClockIndicator::DrawClockIndicator(const AppServices &services, HistoryCommands &commands, QObject *parent)
    : QObject(parent)
    , m_services(services)
    , m_commands(commands)
    , m_label(new QLabel)
{
    m_label->setObjectName(QStringLiteral("lblKaijiang"));
    m_label->setAccessibleName(QStringLiteral("下一期开奖时间"));
    // Whole minutes are said: a look twice a minute keeps them right.
    m_tick.setInterval(30'000);
    connect(&m_tick, &QTimer::timeout, this, &DrawClockIndicator::refresh);
    m_tick.start();
    m_hintOver.setSingleShot(true);
    m_hintOver.setInterval(15'000);
    connect(&m_hintOver, &QTimer::timeout, this, &DrawClockIndicator::refresh);
    connect(&commands, &HistoryCommands::snapshotChanged, this, &DrawClockIndicator::refresh);
}

void DrawClockIndicator::showIn(QStatusBar *bar)
{
    bar->addPermanentWidget(m_label);
    refresh();
}

std::optional<DrawClock::Schedule> gameSchedule(int game, HistoryDb &db)
{
    if (std::optional<DrawClock::Schedule> set = Settings().schedule(game))
        return set;
    return DrawClock::infer(DrawTimes::recent(db));
}

std::optional<NextDraw> nextDraw(int game, int drawsPerDay, HistoryDb &db, qint32 lastStored)
{
    const std::optional<DrawClock::Schedule> schedule = gameSchedule(game, db);
    const bool running = game == ProvinceTable::runningIssueGame;
    const std::optional<qint32> next =
        running ? std::optional<qint32>(lastStored + 1) : IssueNumbers::next(lastStored, drawsPerDay);
    if (!schedule || !next || lastStored <= 0)
        return std::nullopt;
    const std::optional<QDateTime> due = DrawTimes::expected(db, *next, lastStored, *schedule, drawsPerDay, running);
    return due ? std::optional(NextDraw{*next, *due}) : std::nullopt;
}

void DrawClockIndicator::refresh()
{
    const int game = m_commands.game().index;
    const HistorySnapshot &history = m_commands.snapshot();
    const std::optional<NextDraw> next =
        history.isEmpty() ? std::nullopt
                          : nextDraw(game, m_commands.game().drawsPerDay, m_commands.history(), history.last().sqqh);
    if (!next) {
        // Unknown schedule: how to set it, once a game.
        if (!m_hinted.contains(game) && !gameSchedule(game, m_commands.history())) {
            m_hinted.insert(game);
            m_label->setText(QStringLiteral("%1的开奖时间未知（可在“设置 → 开奖时间…”中设置）").arg(ProvinceTable::at(game).caption));
            m_label->setVisible(m_label->parentWidget() != nullptr);
            m_hintOver.start();
            return;
        }
        if (!m_hintOver.isActive())
            m_label->setVisible(false);
        return;
    }
    const QString line = DrawClock::nextDrawLine(next->issue, next->due, m_services.clock->now());
    m_label->setText(line);
    m_label->setVisible(!line.isEmpty() && m_label->parentWidget());
}
