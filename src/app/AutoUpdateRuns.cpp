#include "AutoUpdate.h"

#include "Clock.h"
#include "Ledger.h"
#include "Notifier.h"
#include "OmissionAlerts.h"
#include "OnlineUpdate.h"
#include "PageLoader.h"
#include "ProvinceTable.h"
#include "Settings.h"
#include "TrendOmission.h"

#include <QApplication>
#include <set>

// The automatic update's runs: one game's update (the selected one over the window's history,
// another over its own file) and what is told of it (desktop notices, omission alerts).

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
