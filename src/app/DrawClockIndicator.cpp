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
    connect(&commands, &HistoryCommands::historyReloaded, this, &DrawClockIndicator::refresh);
}

void DrawClockIndicator::showIn(QStatusBar *bar)
{
    bar->addPermanentWidget(m_label);
    refresh();
}

void DrawClockIndicator::refresh()
{
    const int game = m_commands.game().index;
    const HistorySnapshot &history = m_commands.snapshot();
    // The schedule set in 设置 → 开奖时间…, else what the stored draw times give.
    std::optional<DrawClock::Schedule> schedule = Settings().schedule(game);
    if (!schedule)
        schedule = DrawClock::infer(DrawTimes::recent(m_commands.history()));
    const bool running = game == ProvinceTable::runningIssueGame;
    // 北京快3 counts from its last draw's stored time.
    std::optional<std::pair<qint32, QDateTime>> last;
    if (running && !history.isEmpty())
        if (const std::optional<QDateTime> time = DrawTimes::of(m_commands.history(), history.last().sqqh))
            last = {history.last().sqqh, *time};
    if (!schedule || (running && !last) || history.isEmpty()) {
        if (!schedule && !m_hinted.contains(game)) {
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
    const std::optional<qint32> next = running ? std::optional<qint32>(history.last().sqqh + 1)
                                               : IssueNumbers::next(history.last().sqqh, m_commands.game().drawsPerDay);
    const std::optional<QDateTime> due =
        next ? DrawClock::expected(*next, *schedule, m_commands.game().drawsPerDay, running, last) : std::nullopt;
    const QString line = due ? DrawClock::nextDrawLine(*next, *due, m_services.clock->now()) : QString();
    m_label->setText(line);
    m_label->setVisible(!line.isEmpty() && m_label->parentWidget());
}
