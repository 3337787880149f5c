#include "AutoUpdate.h"

#include "Clock.h"
#include "Ledger.h"
#include "OmissionAlerts.h"
#include "TrendOmission.h"
#include "Notifier.h"
#include "OnlineUpdate.h"
#include "PageLoader.h"
#include "ProvinceTable.h"
#include "Settings.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QApplication>
#include <QMenu>
#include <QStatusBar>
#include <algorithm>
#include <set>

namespace {

// The selected game's page, awaited while the window goes on: a page that comes after another
// game was selected or another history opened is dropped, never written into the one shown now.
class BackgroundLoader : public PageLoader
{
public:
    BackgroundLoader(PageLoader &loader, HistoryCommands &commands)
        : m_loader(loader)
        , m_commands(commands)
    {}
    Page load(const QUrl &address, int limitMs) override
    {
        const int game = m_commands.game().index;
        const QString path = m_commands.history().path();
        Page page = m_loader.load(address, limitMs);
        if (m_commands.game().index != game || m_commands.history().path() != path)
            return {false, {}, QStringLiteral("更新期间换了彩种，这次的开奖号码没有保存")};
        return page;
    }
    void cancel() override { m_loader.cancel(); }

private:
    PageLoader &m_loader;
    HistoryCommands &m_commands;
};

const QString replaceNeeded = QStringLiteral("历史号码需要替换，没有自动更新；请按“历史号在线更新”手动更新");

} // namespace

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

QStringList AutoUpdate::reachedAlerts(int game, const HistorySnapshot &history)
{
    Settings settings;
    std::vector<OmissionAlerts::Alert> alerts = settings.omissionAlerts(game);
    if (alerts.empty() || history.isEmpty())
        return {};
    const std::vector<OmissionAlerts::Alert> before = alerts;
    const QStringList reached = OmissionAlerts::check(alerts, TrendOmission::omission(history, 0, history.count()));
    if (alerts != before)
        settings.setOmissionAlerts(game, alerts);
    QStringList notices;
    if (settings.notifyOmission())
        for (const QString &line : reached)
            notices << ProvinceTable::at(game).caption + QStringLiteral(" 遗漏提醒：") + line;
    return notices;
}

QString AutoUpdate::deliver(const QStringList &notices)
{
    // Where no notification service runs, nothing fails: the status bar carries the same lines.
    QString unshown;
    for (const QString &notice : notices)
        if (!m_services.notifier || !m_services.notifier->notify(QStringLiteral("Vendrix K3"), notice))
            unshown += QStringLiteral("；") + notice;
    return unshown;
}

QString AutoUpdate::announce(int game, HistoryDb &db, const HistorySnapshot &after, qint32 before)
{
    std::set<qint32> fresh;
    for (int i = after.count() - 1; i >= 0 && after.issue(i) > before; --i)
        fresh.insert(after.issue(i));
    if (fresh.empty())
        return {};
    // The player is looking at the window: it shows what came; an alert is said all the same.
    if (QApplication::activeWindow())
        return deliver(reachedAlerts(game, after));
    const Settings settings;
    const QString caption = ProvinceTable::at(game).caption;
    QStringList notices;
    if (settings.notifyDraws()) {
        const Numbers n = after.last().numbers();
        notices << QStringLiteral("%1 %2 期：%3 %4 %5").arg(caption).arg(after.last().sqqh).arg(n[0]).arg(n[1]).arg(n[2]) +
                       (fresh.size() > 1 ? QStringLiteral("（新增 %1 期）").arg(fresh.size()) : QString());
    }
    if (settings.notifyBets()) {
        // The game's bets on the new issues, settled by them.
        Ledger::Settler settler(after, settings.prizes(game));
        std::vector<Ledger::Unreadable> unreadable;
        qint64 won = 0, settled = 0;
        Ledger::readBets(db, game, [&](const Ledger::Bet &bet) {
            const Ledger::Settled s = settler.settle(bet);
            if (fresh.count(bet.issue) && (s.state == Ledger::State::Won || s.state == Ledger::State::Lost)) {
                ++settled;
                won += s.prize;
            }
        }, unreadable);
        if (settled > 0)
            notices << (won > 0 ? QStringLiteral("%1 投注结算：中奖 %2 元").arg(caption).arg(won)
                                : QStringLiteral("%1 投注结算：%2 注未中").arg(caption).arg(settled));
    }
    return deliver(notices + reachedAlerts(game, after));
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

namespace {

// What an update came to, in the words of the status bar; of several hosts, which answered and
// which were stale.
QString outcomeText(const OnlineUpdate::Outcome &result, qint32 last, const QString &code, int hosts, bool *failed)
{
    *failed = false;
    const QString note = OnlineUpdate::hostsNote(result, code, hosts);
    if (result.added > 0)
        return QStringLiteral("新增 %1 期（%2）%3").arg(result.added).arg(last).arg(note);
    const QString failure = !result.error.isEmpty() || result.lastStoredOnPage
                                ? result.error
                                : QStringLiteral("开奖网页上没有找到开奖号码");
    *failed = !failure.isEmpty();
    return (*failed ? failure : QStringLiteral("没有新的开奖号码")) + note;
}

} // namespace

AutoUpdate::Result AutoUpdate::updateSelected()
{
    m_commands.syncWithDisk();
    HistoryDb &db = m_commands.history();
    const GameChoice &choice = m_commands.game();
    const OnlineUpdate::Game game{choice.index, choice.code, choice.drawsPerDay};
    const Settings settings;
    const int daysToKeep = settings.iniSerchDay();
    const HistorySnapshot &history = m_commands.snapshot();
    const qint32 before = history.isEmpty() ? 0 : history.last().sqqh;
    const std::optional<int> stored = db.storedGame();
    // Replacing the history is never done behind the user's back.
    if ((stored && *stored != choice.index) ||
        (!history.isEmpty() && OnlineUpdate::plan(history, game, m_services.clock->today(), daysToKeep).replaceHistory))
        return {replaceNeeded, false, {}, 0, true};
    // The window goes on while the page is awaited (typing, searching, other commands); what
    // comes for a game no longer shown is dropped.
    emit statusMessage(QStringLiteral("自动更新：正在连接…"));
    BackgroundLoader loader(*m_services.pageLoader, m_commands);
    const QStringList hosts = settings.updateHosts();
    const OnlineUpdate::Outcome result =
        OnlineUpdate::runHosts(db, history, loader, game, hosts, m_services.clock->today(), daysToKeep,
                               m_commands.segmentBase(), false, m_services.programFolder, waitLimitMs);
    QString unshown;
    if (result.added > 0) {
        m_commands.reload();
        CommandOutcome outcome;
        outcome.changed = true;
        emit changed(outcome);
        unshown = announce(choice.index, db, m_commands.snapshot(), before);
    }
    Result said;
    said.said = outcomeText(result, m_commands.snapshot().last().sqqh, game.code, int(hosts.size()), &said.failed);
    said.added = result.added;
    said.notices = unshown;
    return said;
}

AutoUpdate::Result AutoUpdate::updateOther(int index)
{
    // The game's own history, opened for this run only: its draws go to its own file, backed
    // up and chained exactly as the selected game's are.
    HistoryDb db;
    if (db.openGame(m_services.programFolder, index, m_commands.unrecordedGame()) != HistoryDb::OpenStatus::Ok)
        return {GameFiles::openError(db.path(), db.lastError()), true, {}, 0, false};
    const GameFiles::Record record = db.gameRecord();
    if (record.state == GameFiles::Record::State::Damaged || (record.known() && *record.known() != index))
        return {replaceNeeded, false, {}, 0, true};
    const std::optional<HistorySnapshot> history = db.snapshot();
    if (!history)
        return {QStringLiteral("无法读取历史号码：%1").arg(db.userError()), true, {}, 0, false};
    const Settings settings;
    const Province &province = ProvinceTable::at(index);
    const OnlineUpdate::Game game{index, province.code, settings.drawsPerDay()[size_t(index)]};
    const int daysToKeep = settings.iniSerchDay();
    if (!history->isEmpty() && OnlineUpdate::plan(*history, game, m_services.clock->today(), daysToKeep).replaceHistory)
        return {replaceNeeded, false, {}, 0, true};
    const QStringList hosts = settings.updateHosts();
    const OnlineUpdate::Outcome result =
        OnlineUpdate::runHosts(db, *history, *m_services.pageLoader, game, hosts, m_services.clock->today(), daysToKeep,
                               m_commands.segmentBase(), false, m_services.programFolder, waitLimitMs);
    Result said;
    std::optional<HistorySnapshot> after = result.added > 0 ? db.snapshot() : std::nullopt;
    said.said = outcomeText(result, after && !after->isEmpty() ? after->last().sqqh : 0, game.code, int(hosts.size()),
                            &said.failed);
    said.added = result.added;
    if (after)
        said.notices = announce(index, db, *after, history->isEmpty() ? 0 : history->last().sqqh);
    // Selected meanwhile: the window takes in what was written.
    if (result.added > 0 && m_commands.game().index == index && m_commands.syncWithDisk()) {
        CommandOutcome outcome;
        outcome.changed = true;
        emit changed(outcome);
    }
    return said;
}
