#include "MainWindow.h"

#include "AutoUpdate.h"
#include "IssueNumbers.h"
#include "SettingsMenu.h"

#include "AnalysisMenu.h"
#include "Dialogs.h"
#include "GridActions.h"
#include "GridView.h"
#include "HelpMenu.h"
#include "HistoryPanel.h"
#include "MergeCommand.h"
#include "PageLoader.h"
#include "ProvinceTable.h"
#include "ResultsPanel.h"
#include "SearchOptionsPanel.h"
#include "TrimCommands.h"
#include "FollowedGames.h"
#include "UpdateCommand.h"
#include "Widgets.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCursor>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>

MainWindow::MainWindow(const AppServices &services, QWidget *parent)
    : QMainWindow(parent)
    , m_services(services)
{
    m_ui.setupUi(this);
    setWindowTitle(productTitle());
    m_commands = new HistoryCommands(services, this);
    m_update = new UpdateCommand(services, *m_commands, this);
    m_trim = new TrimCommands(services, *m_commands, this);
    auto *central = new QWidget(this);
    auto *columns = new QHBoxLayout(central);
    columns->setContentsMargins(6, 6, 6, 6);
    columns->setSpacing(8);
    columns->addWidget(m_historyPanel = new HistoryPanel, 0);
    columns->addWidget(m_options = new SearchOptionsPanel, 0, Qt::AlignTop);
    columns->addWidget(m_results = new ResultsPanel, 1);
    setCentralWidget(central);
    m_analysis = new AnalysisMenu(this, m_ui, services, {m_commands, m_options, m_results, m_historyPanel},
                                  [this] { syncWithDisk(); });
    // The usual size, within the screen's room on a small one.
    const QRect room = screen()->availableGeometry();
    resize(std::min(1120, room.width() - 16), std::min(690, room.height() - 48));
    m_followed = new FollowedGames(m_ui.mnuCaizhong, m_ui.mnuK3, services.programFolder, *m_commands, this);
    m_ui.mnuK3.value(m_commands->game().index)->setChecked(true);
    m_options->loadSettings();
    const int base = m_options->state().DsIni;
    m_commands->setSegmentBase(base);
    m_ui.mnuDscs.value(base)->setChecked(true);
    finish(m_commands->open());
    m_results->showHeaders(m_options->state().bolSq);
    refresh();
    showGame();
    connectControls();
    Widgets::routeUndoToWindow(this);
    if (history().isReadOnly()) {
        // Reading and searching work; nothing may be written.
        m_historyPanel->setCommandsEnabled(false);
        m_ui.setWritersEnabled(false);
        showStatus(HistoryDb::readOnlyMessage() + QStringLiteral("。"));
    }
}

MainWindow::~MainWindow() = default;

QString MainWindow::productTitle()
{
    return QStringLiteral("Vendrix K3 快3跟号分析");
}

void MainWindow::refresh(const CommandOutcome &change)
{
    const HistorySnapshot &history = m_commands->snapshot();
    const int drawsPerDay = m_commands->game().drawsPerDay;
    if (change.typed)
        m_historyPanel->clearEntry();
    if (change.changed || change.external)
        m_results->markStale();
    const std::optional<qint32> next = m_historyPanel->showHistory(
        history, drawsPerDay, change.typed && change.appended ? &*change.typed : nullptr, change.external);
    m_historyPanel->showUnreadable(m_commands->unreadableReason());
    // A draw typed after the newest one moves the range end past it; one that fills a gap does
    // not pull the end back.
    std::optional<qint32> rangeEnd;
    if (change.typed && change.typed->sqqh < std::numeric_limits<qint32>::max() &&
        change.typed->sqqh >= history.last().sqqh)
        rangeEnd = change.typed->sqqh + 1;
    m_options->historyChanged(history, drawsPerDay, next, rangeEnd);
    m_analysis->refresh();
    if (m_commands->copyFailed())
        showStatus(QStringLiteral("无法读取历史号码：%1").arg(m_commands->history().userError()));
}

void MainWindow::finish(const CommandOutcome &outcome)
{
    if (!outcome.title.isEmpty())
        m_services.dialogs->message(this, outcome.title, outcome.message);
    if (outcome.changed)
        refresh(outcome);
    if (!outcome.status.isEmpty())
        showStatus(outcome.status);
    if (!outcome.written.isEmpty())
        showStatus(openOrSayWhere(*m_services.launcher, outcome.written, QStringLiteral("历史号码文本文件")));
}

void MainWindow::syncWithDisk()
{
    m_commands->syncWithDisk(); // historyReloaded brings the panels up to date
}

void MainWindow::connectControls()
{
    connect(m_commands, &HistoryCommands::historyReloaded, this, [this](const QString &what) {
        CommandOutcome external;
        external.external = true;
        refresh(external);
        showStatus(what + m_historyPanel->typedIssueNote(snapshot()));
    });
    HistoryPanel &h = *m_historyPanel;
    connect(&h, &HistoryPanel::drawTyped, this, [this] {
        syncWithDisk();
        const CommandOutcome outcome =
            m_commands->storeTypedDraw(m_historyPanel->issueText(), m_historyPanel->typedNumbers(nullptr));
        finish(outcome);
        if (!outcome.changed)
            m_historyPanel->selectEntry();
    });
    connect(&h, &HistoryPanel::statusMessage, this, &MainWindow::showStatus);
    connect(&h, &HistoryPanel::historyMenuRequested, this, [this](const QPoint &at) { m_ui.mnuLsgl->popup(at); });
    // Every history command first takes in what another program changed.
    using Run = std::function<CommandOutcome()>;
    auto command = [this](Run run, bool focusEntry = false) {
        return [this, run, focusEntry] {
            syncWithDisk();
            finish(run());
            if (focusEntry)
                m_historyPanel->entryBox(1)->setFocus();
        };
    };
    connect(h.cmdRdLst, &QPushButton::clicked, this, command([this] { return m_commands->chooseAndImport(); }));
    const auto deleteLast = command([this] { return m_trim->deleteLast(); }, true);
    connect(h.Command3, &QPushButton::clicked, this, deleteLast);
    connect(m_ui.mnuErase, &QAction::triggered, this, deleteLast);
    connect(m_ui.mnuClear, &QAction::triggered, this, command([this] { return m_trim->clear(); }, true));
    connect(m_ui.mnuEszhzd, &QAction::triggered, this, command([this] { return m_trim->deleteLastCount(); }, true));
    connect(m_ui.mnuUndo, &QAction::triggered, this, command([this] { return m_trim->undoRemoval(); }, true));
    connect(m_ui.mnuRestore, &QAction::triggered, this, command([this] { return m_trim->restoreBackup(); }, true));
    connect(m_ui.mnuQueqi, &QAction::triggered, m_commands, &HistoryCommands::showMissing);
    connect(m_ui.mnuDlzd, &QAction::triggered, this,
            command([this] { return m_trim->keepUpTo(m_historyPanel->selectedIssue()); }));
    connect(h.Command4, &QPushButton::clicked, this,
            command([this] { return m_commands->exportText(*m_historyPanel->grid()); }));
    connect(h.Command21, &QPushButton::clicked, this, command([this] {
                const CommandOutcome outcome = m_update->run();
                m_autoUpdate->restartGame(m_commands->game().index); // its wait starts again after an update by hand
                return outcome;
            }));
    // The automatic update waits while a command, a dialog or a search holds the window.
    auto *settingsMenu = new SettingsMenu(this, m_ui, m_services, *m_commands, *m_update, *m_options,
                                          [this] { return !menuBar()->isEnabled() || QApplication::activeModalWidget(); }, *m_followed);
    connect(settingsMenu, &SettingsMenu::drawsPerDayChanged, this, [this] { switchGame(m_commands->game().index); });
    m_autoUpdate = &settingsMenu->autoUpdate();
    connect(m_autoUpdate, &AutoUpdate::changed, this, &MainWindow::finish);
    connect(m_autoUpdate, &AutoUpdate::statusMessage, this, &MainWindow::showStatus);
    m_merge = new MergeCommand(this, m_historyPanel->view(), *m_commands);
    connect(m_merge, &MergeCommand::finished, this, &MainWindow::finish);
    connect(m_ui.mnuPaste, &QAction::triggered, m_merge, &MergeCommand::pasteFromClipboard);
    // The first start's three ways in: a text file, pasted draws, the results page.
    connect(m_historyPanel, &HistoryPanel::firstStartChosen, this, [this](int way) {
        way == 0 ? m_historyPanel->cmdRdLst->click() : way == 1 ? m_merge->pasteFromClipboard() : m_historyPanel->Command21->click();
    });
    connect(m_update, &UpdateCommand::statusMessage, this, &MainWindow::showStatus);
    const auto loading = [this](bool busy) {
        setCommandsEnabled(!busy);
        m_ui.prgUpdate->setVisible(busy);
        m_ui.cmdUpdateCancel->setVisible(busy);
    };
    connect(m_update, &UpdateCommand::loading, this, loading);
    connect(m_commands, &HistoryCommands::progress, this,
            [this](qint64 done, qint64 total) { m_ui.showProgress(done, total); });
    connect(m_options, &SearchOptionsPanel::searchRequested, this, &MainWindow::runSearch);
    connect(m_options, &SearchOptionsPanel::setupRequested, this, [this] { m_ui.mnuSetup->popup(QCursor::pos()); });
    connect(m_options, &SearchOptionsPanel::statusMessage, this, &MainWindow::showStatus);
    connect(m_options, &SearchOptionsPanel::optionsChanged, m_results, [this] { m_results->markStale(true); });
    m_grids = new GridActions(this, m_services, {m_historyPanel->view(), m_results->resultView(), m_results->tallyView()});
    m_grids->beforeHistoryExport = [this] { syncWithDisk(); };
    m_grids->searchConditions = [this] { return m_results->conditions(); };
    m_grids->statisticsNotes = [this] { return m_results->notes(); };
    m_grids->game = [this] { return m_commands->game().index; };
    connect(m_grids, &GridActions::statusMessage, this, &MainWindow::showStatus);
    connect(m_ui.mnuDcls, &QAction::triggered, this, [this] { m_grids->exportGrid(1, true); });
    Widgets::connectEach(m_ui.mnuK3, &QAction::triggered, this, [this](int i) { switchGame(i); });
    connect(m_ui.cmdUpdateCancel, &QPushButton::clicked, this, [this] { m_services.pageLoader->cancel(); });
    connect(new HelpMenu(this, m_ui, m_services), &HelpMenu::statusMessage, this, &MainWindow::showStatus);
    connect(m_analysis, &AnalysisMenu::statusMessage, this, &MainWindow::showStatus);
}

void MainWindow::runSearch(bool combination)
{
    syncWithDisk();
    // A search shows results only for the history as it is: when it could not be read, none.
    if (const QString reason = m_commands->unreadableReason(); !reason.isEmpty()) {
        m_results->show(SearchResult(), m_options->state(), {});
        m_services.dialogs->message(this, QStringLiteral("检索"),
                                    QStringLiteral("无法读取历史号码，没有进行检索：%1").arg(reason));
        return;
    }
    if (snapshot().isEmpty()) {
        showStatus(QStringLiteral("还没有历史号码，无法检索。请先读入历史号码文本、粘贴复制的开奖号码，或设置开奖网址并在线更新。"));
        return;
    }
    const SearchQuery q = m_options->query(combination);
    if (!q.problem.isEmpty()) {
        showStatus(q.problem);
        return;
    }
    showStatus(m_results->search(snapshot(), q, combination ? m_options->combinationSize() : 0,
                                 combination ? std::nullopt : m_options->verifiedIssue()));
}

void MainWindow::showStatus(const QString &text)
{
    statusBar()->clearMessage();
    // A screen reader reads the label by its name, "状态", and the message as its description.
    Widgets::showMessage(m_ui.lblStatus, text);
}

QString MainWindow::statusText() const
{
    return m_ui.lblStatus->text();
}

void MainWindow::switchGame(int index)
{
    m_settings.setInt(Settings::Key::GsZl, index);
    for (QAction *entry : std::as_const(m_ui.mnuK3))
        entry->setChecked(false);
    m_ui.mnuK3.value(index)->setChecked(true);
    // Each game has its own history: the range starts over on the new one.
    const CommandOutcome outcome = m_commands->setGame(index);
    if (outcome.changed) {
        m_options->forgetTypedRange();
        m_historyPanel->clearIssue();
        m_results->show(SearchResult(), m_options->state(), {}); // another game's results never stay
    }
    finish(outcome);
    // The next issue follows the new game's draws a day.
    if (!outcome.changed)
        refresh();
    showGame();
}

void MainWindow::showGame()
{
    const QString caption = ProvinceTable::at(m_commands->game().index).caption;
    setWindowTitle(productTitle() + QStringLiteral(" — ") + caption);
    m_historyPanel->showGame(caption);
    const QString other = m_commands->otherGameCaption();
    if (!other.isEmpty())
        return showStatus(QStringLiteral("历史号码属于%1").arg(other));
    // What is wrong with the history stays in view: a damaged game record, rows without dice.
    QString hint = m_commands->historyNote();
    if (hint.isEmpty())
        hint = IssueNumbers::drawsPerDayHint(snapshot(), m_commands->game().drawsPerDay);
    showStatus(QStringLiteral("%1的历史号码：%2 期").arg(caption).arg(snapshot().count()) +
               (hint.isEmpty() ? QString() : QStringLiteral("。") + hint));
}

void MainWindow::setCommandsEnabled(bool enabled)
{
    menuBar()->setEnabled(enabled);
    m_historyPanel->setCommandsEnabled(enabled);
    m_options->setCommandsEnabled(enabled);
    // A double click on a grid exports it, a right click opens the history menu.
    for (GridView *view : {m_historyPanel->view(), m_results->resultView(), m_results->tallyView()})
        view->setEnabled(enabled);
}

void MainWindow::changeEvent(QEvent *event)
{
    // Back in the window: another program may have changed the history meanwhile.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        syncWithDisk();
    QMainWindow::changeEvent(event);
}
