#include "AutoUpdate.h"

#include "Clock.h"
#include "OnlineUpdate.h"
#include "ProvinceTable.h"
#include "Settings.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <algorithm>

AutoUpdate::AutoUpdate(const AppServices &services, HistoryCommands &commands, std::function<bool()> busy,
                       std::function<std::vector<int>()> followed, QObject *parent)
    : QObject(parent)
    , m_services(services)
    , m_commands(commands)
    , m_busy(std::move(busy))
    , m_followed(std::move(followed))
    , m_indicator(new QLabel)
{
    m_indicator->setObjectName(QStringLiteral("lblZidong"));
    m_indicator->setAccessibleName(QStringLiteral("自动更新"));
    connect(&commands, &HistoryCommands::snapshotChanged, this, &AutoUpdate::historyChanged);
    restart();
}

void AutoUpdate::historyChanged()
{
    // Its own runs plan the next and check the alerts when they end.
    if (m_running)
        return;
    const int game = m_commands.game().index;
    // After the command that changed it has said what it did: an alert is then the last word.
    QTimer::singleShot(0, this, [this, game] {
        if (m_commands.game().index != game)
            return;
        if (const QString unshown = deliver(reachedAlerts(game, m_commands.snapshot())); !unshown.isEmpty())
            emit statusMessage(unshown.mid(1));
    });
    const auto found = m_games.find(game);
    if (found == m_games.end())
        return;
    const std::optional<NextDraw> next = awaitedDraw(found->first);
    if ((next ? std::optional(next->issue) : std::nullopt) != found->second.awaited) {
        startTimer(found->first, plan(found->first, nullptr));
        showIndicator();
    }
}

int AutoUpdate::baseIntervalMs() const
{
    const Settings settings;
    if (settings.updateHost() == OnlineUpdate::defaultHost() || settings.autoUpdateMinutes() == 0)
        return 0;
    // Tests set a wait in seconds through the settings file.
    if (const int seconds = settings.autoUpdateTestSeconds(); seconds > 0)
        return seconds * 1000;
    return settings.autoUpdateMinutes() * 60 * 1000;
}

void AutoUpdate::fillMenu(QMenu *menu)
{
    m_menu = menu;
    menu->clear();
    const Settings settings;
    const bool hostSet = settings.updateHost() != OnlineUpdate::defaultHost();
    menu->setTitle(hostSet ? QStringLiteral("自动更新(&Z)") : QStringLiteral("自动更新(&Z)（先设置开奖网址）"));
    auto *group = new QActionGroup(menu);
    for (const int minutes : choices) {
        QAction *entry = menu->addAction(minutes == 0 ? QStringLiteral("关") : QStringLiteral("每 %1 分钟").arg(minutes));
        entry->setObjectName(QStringLiteral("mnuZidong%1").arg(minutes));
        entry->setCheckable(true);
        entry->setChecked(settings.autoUpdateMinutes() == minutes);
        entry->setEnabled(hostSet || minutes == 0);
        group->addAction(entry);
        connect(entry, &QAction::triggered, this, [this, minutes] {
            Settings().setAutoUpdateMinutes(minutes);
            restart();
            const auto selected = m_games.find(m_commands.game().index);
            if (minutes == 0 || selected == m_games.end()) {
                emit statusMessage(QStringLiteral("自动更新已关闭"));
                return;
            }
            // With the draws' times known, it follows them rather than the interval.
            const QString how = selected->second.awaited ? QStringLiteral("每期开奖后")
                                                          : QStringLiteral("每 %1 分钟").arg(minutes);
            emit statusMessage(QStringLiteral("自动更新：%1，下次 %2").arg(how, selected->second.next.toString("HH:mm")));
        });
    }
}

AutoUpdate::Game &AutoUpdate::gameState(int game)
{
    Game &state = m_games[game];
    if (!state.timer) {
        // A child as well, found by name by the tests (removed from the children when it goes).
        state.timer = std::make_unique<QTimer>(this);
        state.timer->setObjectName(QStringLiteral("tmrZidong%1").arg(game));
        state.timer->setSingleShot(true);
        connect(state.timer.get(), &QTimer::timeout, this, [this, game] { timerFired(game); });
    }
    return state;
}

void AutoUpdate::restart()
{
    m_games.clear();
    syncGames();
    if (m_menu)
        fillMenu(m_menu);
}

void AutoUpdate::restartGame(int game)
{
    if (const auto found = m_games.find(game); found != m_games.end()) {
        found->second.intervalMs = baseIntervalMs();
        if (found->second.intervalMs > 0)
            startTimer(game, plan(game, nullptr));
        showIndicator();
    }
}

void AutoUpdate::syncGames()
{
    const int base = baseIntervalMs();
    std::vector<int> kept = base > 0 && m_followed ? m_followed() : std::vector<int>{};
    if (base > 0)
        kept.push_back(m_commands.game().index);
    for (auto it = m_games.begin(); it != m_games.end();)
        it = std::find(kept.begin(), kept.end(), it->first) == kept.end() ? m_games.erase(it) : std::next(it);
    for (const int game : kept) {
        if (game < 0 || game >= ProvinceTable::Count || m_games.count(game))
            continue;
        gameState(game).intervalMs = base;
        startTimer(game, plan(game, nullptr));
    }
    showIndicator();
}

bool AutoUpdate::isActive(int game) const
{
    const auto found = m_games.find(game);
    return found != m_games.end() && found->second.timer->isActive();
}

int AutoUpdate::intervalMs(int game) const
{
    const auto found = m_games.find(game);
    return found != m_games.end() ? found->second.intervalMs : 0;
}

int AutoUpdate::waitMs(int game) const
{
    const auto found = m_games.find(game);
    return found != m_games.end() ? found->second.waitMs : 0;
}

int AutoUpdate::tries(int game) const
{
    const auto found = m_games.find(game);
    return found != m_games.end() ? found->second.tries : 0;
}

void AutoUpdate::startTimer(int game, int ms)
{
    Game &state = gameState(game);
    state.timer->start(ms);
    state.waitMs = ms;
    state.next = m_services.clock->now().addMSecs(ms);
}

std::optional<NextDraw> AutoUpdate::awaitedDraw(int game)
{
    if (game == m_commands.game().index) {
        const HistorySnapshot &history = m_commands.snapshot();
        return history.isEmpty() ? std::nullopt
                                 : nextDraw(game, m_commands.game().drawsPerDay, m_commands.history(), history.last().sqqh);
    }
    HistoryDb db;
    std::optional<DrawCore> last;
    if (db.openGame(m_services.programFolder, game, m_commands.unrecordedGame()) != HistoryDb::OpenStatus::Ok ||
        !db.lastRow(last) || !last)
        return std::nullopt;
    return nextDraw(game, Settings().drawsPerDay()[size_t(game)], db, last->sqqh);
}

int AutoUpdate::plan(int game, Result *ran)
{
    Game &state = gameState(game);
    const int base = baseIntervalMs();
    const int longest = longestMinutes * 60 * 1000;
    const std::optional<NextDraw> next = ran && ran->skipped ? std::nullopt : awaitedDraw(game);
    if (!next) {
        // No schedule known: the setting's interval; each failure waits twice as long, up to an
        // hour, and a success returns to the setting.
        state.awaited.reset();
        state.tries = 0;
        state.intervalMs = ran && ran->failed ? std::min(std::max(state.intervalMs, base) * 2, longest) : base;
        return state.intervalMs;
    }
    if (state.awaited != next->issue) {
        state.awaited = next->issue;
        state.tries = 0;
        state.intervalMs = base;
    }
    const QDateTime now = m_services.clock->now();
    const qint64 untilFetch = now.msecsTo(next->due) + afterDrawMs;
    if (untilFetch > 0)
        return int(std::min<qint64>(untilFetch, longest));
    if (!ran)
        return std::min(base, afterDrawMs);
    // Due and not come: said as late once past the late threshold, asked again every minute, then
    // the failures' wait.
    const QString nothingNew = QStringLiteral("没有新的开奖号码");
    if (ran->added == 0 && ran->said.startsWith(nothingNew) && DrawClock::minutesLate(next->due, now))
        ran->said.replace(0, nothingNew.size(), DrawClock::nextDrawLine(next->issue, next->due, now));
    if (++state.tries < maxTries)
        return afterDrawMs;
    state.intervalMs = std::min(std::max(state.intervalMs, base) * 2, longest);
    return state.intervalMs;
}

void AutoUpdate::timerFired(int game)
{
    if (!m_games.count(game))
        return;
    // Not yet due (a long wait is set an hour at a time; a timer may go off a little early).
    if (m_games[game].awaited)
        if (const std::optional<NextDraw> next = awaitedDraw(game);
            next && m_services.clock->now().msecsTo(next->due) + afterDrawMs > 1000) {
            startTimer(game, plan(game, nullptr));
            showIndicator();
            return;
        }
    runNow(game);
}

void AutoUpdate::scheduleNext(int game, int ms, const Result &result)
{
    Game &state = gameState(game);
    startTimer(game, ms);
    state.last = result.failed ? QStringLiteral("更新失败：") + result.said : result.said;
    state.lastAt = m_services.clock->now();
    if (game == m_commands.game().index)
        emit statusMessage((result.failed ? QStringLiteral("自动更新失败：") : QStringLiteral("自动更新：")) + result.said +
                           QStringLiteral("，下次 ") + state.next.toString("HH:mm") + result.notices);
    else if (!result.notices.isEmpty())
        emit statusMessage(QStringLiteral("自动更新：") + result.notices.mid(1)); // another game's, with no service to show them
    showIndicator();
}

void AutoUpdate::showIn(QStatusBar *bar)
{
    bar->addPermanentWidget(m_indicator);
    showIndicator();
}

void AutoUpdate::showIndicator()
{
    QStringList lines;
    for (const auto &[game, state] : m_games)
        lines << QStringLiteral("%1：%2，下次 %3")
                     .arg(ProvinceTable::at(game).caption,
                          state.last.isEmpty() ? QStringLiteral("还没有更新") : state.last,
                          state.next.toString("HH:mm"));
    const auto selected = m_games.find(m_commands.game().index);
    // Until it is in the status bar it is shown nowhere (never as a window of its own).
    m_indicator->setVisible(selected != m_games.end() && m_indicator->parentWidget());
    if (selected == m_games.end())
        return;
    const Game &shown = selected->second;
    m_indicator->setText(shown.lastAt.isValid()
                             ? QStringLiteral("自动更新 %1%2，下次 %3")
                                   .arg(shown.lastAt.toString("HH:mm"),
                                        shown.last.startsWith(QStringLiteral("更新失败")) ? QStringLiteral(" 失败") : QString(),
                                        shown.next.toString("HH:mm"))
                             : QStringLiteral("自动更新：下次 %1").arg(shown.next.toString("HH:mm")));
    m_indicator->setToolTip(lines.join(QLatin1Char('\n')));
    m_indicator->setAccessibleDescription(m_indicator->toolTip());
}

void AutoUpdate::runNow()
{
    syncGames();
    runNow(m_commands.game().index);
}

void AutoUpdate::runNow(int game)
{
    const int base = baseIntervalMs();
    if (base <= 0 || !m_games.count(game))
        return;
    // One game at a time, and never while a command, a dialog or a search is running: this game
    // tries again a little later.
    if (m_running || (m_busy && m_busy())) {
        gameState(game).timer->start(std::min(base, 5000));
        return;
    }
    m_running = true;
    Result result = game == m_commands.game().index ? updateSelected() : updateOther(game);
    m_running = false;
    // The games may have changed while the page was awaited.
    if (!m_games.count(game))
        return;
    const int wait = plan(game, &result);
    scheduleNext(game, wait, result);
}
