#include "AutoUpdate.h"

#include "Clock.h"
#include "OnlineUpdate.h"
#include "PageLoader.h"
#include "Settings.h"

#include <QAction>
#include <QActionGroup>
#include <QDateTime>
#include <QMenu>

namespace {

// The automatic update's page, awaited while the window goes on: a page that comes after another
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

} // namespace

AutoUpdate::AutoUpdate(const AppServices &services, HistoryCommands &commands, std::function<bool()> busy,
                       QObject *parent)
    : QObject(parent)
    , m_services(services)
    , m_commands(commands)
    , m_busy(std::move(busy))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &AutoUpdate::runNow);
    restart();
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
            emit statusMessage(minutes == 0 ? QStringLiteral("自动更新已关闭")
                                            : QStringLiteral("自动更新：每 %1 分钟，下次 %2")
                                                  .arg(minutes)
                                                  .arg(QDateTime::currentDateTime().addMSecs(m_intervalMs).toString("HH:mm")));
        });
    }
}

void AutoUpdate::restart()
{
    m_intervalMs = baseIntervalMs();
    if (m_intervalMs > 0)
        m_timer.start(m_intervalMs);
    else
        m_timer.stop();
    if (m_menu)
        fillMenu(m_menu);
}

void AutoUpdate::scheduleNext(int ms, const QString &said)
{
    m_timer.start(ms);
    emit statusMessage(said + QStringLiteral("，下次 %1").arg(QDateTime::currentDateTime().addMSecs(ms).toString("HH:mm")));
}

void AutoUpdate::runNow()
{
    const int base = baseIntervalMs();
    // Once at a time: the window goes on while a page is awaited, and may ask again meanwhile.
    if (base <= 0 || m_running)
        return;
    // A command, a dialog or a search is running: try again a little later.
    if (m_busy && m_busy()) {
        m_timer.start(std::min(base, 5000));
        return;
    }
    m_commands.syncWithDisk();
    HistoryDb &db = m_commands.history();
    const GameChoice &choice = m_commands.game();
    const OnlineUpdate::Game game{choice.index, choice.code, choice.drawsPerDay};
    const Settings settings;
    const int daysToKeep = settings.iniSerchDay();
    const HistorySnapshot &history = m_commands.snapshot();
    const std::optional<int> stored = db.storedGame();
    // Replacing the history is never done behind the user's back.
    if ((stored && *stored != choice.index) ||
        (!history.isEmpty() && OnlineUpdate::plan(history, game, m_services.clock->today(), daysToKeep).replaceHistory)) {
        m_intervalMs = base;
        scheduleNext(m_intervalMs, QStringLiteral("自动更新：历史号码需要替换，没有自动更新；请按“历史号在线更新”手动更新"));
        return;
    }
    // The window goes on while the page is awaited (typing, searching, other commands); what
    // comes for a game no longer shown is dropped.
    emit statusMessage(QStringLiteral("自动更新：正在连接…"));
    BackgroundLoader loader(*m_services.pageLoader, m_commands);
    m_running = true;
    const OnlineUpdate::Outcome result =
        OnlineUpdate::run(db, history, loader, game, settings.updateHost(), m_services.clock->today(), daysToKeep,
                          m_commands.segmentBase(), false, m_services.programFolder, waitLimitMs);
    m_running = false;
    if (result.added > 0) {
        m_commands.reload();
        m_intervalMs = base;
        CommandOutcome outcome;
        outcome.changed = true;
        emit changed(outcome);
        scheduleNext(m_intervalMs, QStringLiteral("自动更新：新增 %1 期（%2）")
                                       .arg(result.added)
                                       .arg(m_commands.snapshot().last().sqqh));
        return;
    }
    const QString failure = !result.error.isEmpty() || result.lastStoredOnPage
                                ? result.error
                                : QStringLiteral("开奖网页上没有找到开奖号码");
    if (!failure.isEmpty()) {
        // Each failure waits twice as long, up to an hour; a success returns to the setting.
        m_intervalMs = std::min(std::max(m_intervalMs, base) * 2, longestMinutes * 60 * 1000);
        scheduleNext(m_intervalMs, QStringLiteral("自动更新失败：%1").arg(failure));
        return;
    }
    m_intervalMs = base;
    scheduleNext(m_intervalMs, QStringLiteral("自动更新：没有新的开奖号码"));
}
