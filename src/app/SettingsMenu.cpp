#include "SettingsMenu.h"

#include "AutoUpdate.h"
#include "FollowedGames.h"
#include "HistoryCommands.h"
#include "SearchOptionsPanel.h"
#include "SettingsDialogs.h"
#include "UpdateCommand.h"
#include "Widgets.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>

SettingsMenu::SettingsMenu(QWidget *window, MainWindowUi &ui, const AppServices &services,
                           HistoryCommands &commands, UpdateCommand &update, SearchOptionsPanel &options,
                           std::function<bool()> busy, FollowedGames &followed)
    : QObject(window)
    , m_window(window)
    , m_ui(ui)
{
    m_autoUpdate = new AutoUpdate(services, commands, std::move(busy), [&followed] { return followed.followed(); }, this);
    m_autoUpdate->fillMenu(ui.mnuZidong);
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
