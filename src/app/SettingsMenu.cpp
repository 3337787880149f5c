#include "SettingsMenu.h"

#include "AutoUpdate.h"
#include "DrawClockIndicator.h"
#include "Dialogs.h"
#include "FollowedGames.h"
#include "HistoryCommands.h"
#include "SearchOptionsPanel.h"
#include "SettingsDialogs.h"
#include "UpdateCommand.h"
#include "Widgets.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>

using Widgets::named;

SettingsMenu::SettingsMenu(QWidget *window, MainWindowUi &ui, const AppServices &services,
                           HistoryCommands &commands, UpdateCommand &update, SearchOptionsPanel &options,
                           std::function<bool()> busy, FollowedGames &followed)
    : QObject(window)
    , m_window(window)
    , m_ui(ui)
{
    m_autoUpdate = new AutoUpdate(services, commands, std::move(busy), [&followed] { return followed.followed(); }, this);
    m_autoUpdate->fillMenu(ui.mnuZidong);
    // The menu's own status lines go to the status bar with the automatic update's.
    connect(this, &SettingsMenu::statusMessage, m_autoUpdate, &AutoUpdate::statusMessage);
    // Every followed game and the selected one are kept current, each by its own timer.
    connect(&followed, &FollowedGames::changed, m_autoUpdate, &AutoUpdate::syncGames);
    for (QAction *game : std::as_const(ui.mnuK3))
        connect(game, &QAction::triggered, m_autoUpdate, &AutoUpdate::syncGames, Qt::QueuedConnection);
    if (auto *main = qobject_cast<QMainWindow *>(window))
        m_autoUpdate->showIn(main->statusBar());
    Widgets::connectEach(ui.mnuDscs, &QAction::triggered, this, [this, &options, &commands](int base) {
        options.setSegmentBase(base);
        commands.setSegmentBase(base);
        for (QAction *entry : std::as_const(m_ui.mnuDscs))
            entry->setChecked(false);
        m_ui.mnuDscs.value(base)->setChecked(true);
    });
    connect(ui.mnuSetDay, &QAction::triggered, &update, &UpdateCommand::askDaysToKeep);
    connect(ui.mnuUpdateHost, &QAction::triggered, this, [this, &update] {
        if (update.askUpdateHost())
            m_autoUpdate->restart();
    });
    // 设置 → 通知: each kind of desktop notice on or off.
    QMenu *notices = named(new QMenu(QStringLiteral("通知(&N)"), ui.mnuSetup), QStringLiteral("mnuTongzhi"));
    ui.mnuSetup->insertMenu(ui.mnuZidong->menuAction(), notices);
    struct Kind
    {
        const char *caption;
        const char *name;
        bool (Settings::*on)() const;
        void (Settings::*set)(bool);
    };
    const Kind kinds[] = {
        {"新的开奖号码(&K)", "mnuTongzhiKaijiang", &Settings::notifyDraws, &Settings::setNotifyDraws},
        {"投注结算(&J)", "mnuTongzhiJiesuan", &Settings::notifyBets, &Settings::setNotifyBets},
        {"遗漏提醒(&Y)", "mnuTongzhiYilou", &Settings::notifyOmission, &Settings::setNotifyOmission}};
    for (const Kind &kind : kinds) {
        QAction *entry = notices->addAction(QString::fromUtf8(kind.caption));
        entry->setObjectName(QString::fromLatin1(kind.name));
        entry->setCheckable(true);
        entry->setChecked((m_settings.*kind.on)());
        connect(entry, &QAction::toggled, this, [this, set = kind.set](bool on) { (m_settings.*set)(on); });
    }
    connect(ui.mnuXiane, &QAction::triggered, this, [this, services] { askDailyLimit(*services.dialogs); });
    m_clock = new DrawClockIndicator(services, commands, this);
    if (auto *main = qobject_cast<QMainWindow *>(window))
        m_clock->showIn(main->statusBar());
    for (QAction *game : std::as_const(ui.mnuK3))
        connect(game, &QAction::triggered, m_clock, &DrawClockIndicator::refresh, Qt::QueuedConnection);
    connect(ui.mnuKaijiang, &QAction::triggered, this, [this] {
        ScheduleDialog::Schedules now;
        for (int game = 0; game < ProvinceTable::Count; ++game)
            now[size_t(game)] = m_settings.schedule(game);
        auto *dialog = new ScheduleDialog(now, m_window);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(dialog, &QDialog::accepted, this, [this, dialog] {
            const ScheduleDialog::Schedules chosen = dialog->schedules();
            for (int game = 0; game < ProvinceTable::Count; ++game)
                m_settings.setSchedule(game, chosen[size_t(game)]);
            m_clock->refresh();
        });
        dialog->open();
    });
    connect(ui.mnuMeitian, &QAction::triggered, this, [this] {
        auto *dialog = new DrawsPerDayDialog(m_settings.drawsPerDay(), m_window);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(dialog, &QDialog::accepted, this, [this, dialog] {
            m_settings.setDrawsPerDay(dialog->perDay());
            emit drawsPerDayChanged();
        });
        dialog->open();
    });
}

void SettingsMenu::askDailyLimit(Dialogs &dialogs)
{
    const std::optional<qint64> now = m_settings.dailyLimit();
    for (;;) {
        const std::optional<QString> answer = dialogs.input(
            m_window, QStringLiteral("每日投注限额"),
            QStringLiteral("今天（本机日期）各彩种下单的投注合计最多多少元？一注或一个追号计划会超过它时不记下。"
                           "0 或空为不限。"),
            QString::number(now.value_or(0)));
        if (!answer)
            return;
        bool ok = false;
        const qint64 yuan = answer->trimmed().isEmpty() ? 0 : answer->trimmed().toLongLong(&ok);
        if ((ok || answer->trimmed().isEmpty()) && yuan >= 0 && yuan <= 1'000'000'000) {
            m_settings.setDailyLimit(yuan > 0 ? std::optional(yuan) : std::nullopt);
            emit statusMessage(yuan > 0 ? QStringLiteral("每日投注限额：%1 元").arg(yuan) : QStringLiteral("每日投注限额：不限"));
            return;
        }
        dialogs.message(m_window, QStringLiteral("每日投注限额"),
                        QStringLiteral("“%1”不是 0 到 1000000000 之间的整数，限额没有改变。").arg(*answer));
    }
}
