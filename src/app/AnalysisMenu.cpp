#include "AnalysisMenu.h"

#include "AnalysisWindows.h"
#include "BetWindow.h"
#include "SettingsDialogs.h"
#include "Dialogs.h"
#include "Settings.h"
#include "TrendOmission.h"
#include "HistoryCommands.h"
#include "MainWindowUi.h"
#include "ResultsPanel.h"
#include "SearchOptionsPanel.h"
#include "TrendWindow.h"

#include <QAction>
#include <QEvent>
#include <QMainWindow>
#include <QScreen>

AnalysisMenu::AnalysisMenu(QMainWindow *window, const MainWindowUi &ui, const AppServices &services, Parts parts,
                           std::function<void()> sync)
    : QObject(window)
    , m_window(window)
    , m_services(services)
    , m_parts(parts)
    , m_sync(std::move(sync))
{
    connect(ui.mnuHuice, &QAction::triggered, this, &AnalysisMenu::openBacktest);
    connect(ui.mnuZoushi, &QAction::triggered, this, &AnalysisMenu::openTrend);
    connect(ui.mnuTouzhu, &QAction::triggered, this, &AnalysisMenu::openBets);
    connect(ui.mnuJiangjin, &QAction::triggered, this, &AnalysisMenu::editPrizes);
    connect(ui.mnuTubiao, &QAction::triggered, this, [this] {
        if (!m_parts.results->openTallyChart())
            emit statusMessage(QStringLiteral("请先检索，图表显示最近一次检索的统计结果。"));
    });
}

TrendWindow *AnalysisMenu::trendWindow() const
{
    return m_trend;
}

BetWindow *AnalysisMenu::betWindow() const
{
    return m_bets;
}

void AnalysisMenu::refresh()
{
    if (m_trend)
        m_trend->refresh();
    if (m_bets)
        m_bets->refresh();
}

void AnalysisMenu::openBacktest()
{
    m_sync();
    const SearchQuery q = m_parts.options->backtestQuery();
    auto *dialog = new BacktestDialog(m_parts.commands->snapshot(), q.state, q.positions, m_services.dialogs,
                                      m_services.launcher, m_services.userFolder(), m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void AnalysisMenu::openTrend()
{
    m_sync();
    if (!m_trend) {
        HistoryCommands *commands = m_parts.commands;
        m_trend = new TrendWindow([commands]() -> const HistorySnapshot & { return commands->snapshot(); }, m_services,
                                  m_window);
        m_trend->setAttribute(Qt::WA_DeleteOnClose);
        m_trend->setGame([commands] { return commands->game().index; });
        placeBeside(m_trend);
    }
    m_trend->show();
    m_trend->raise();
    m_trend->activateWindow();
}

void AnalysisMenu::openBets()
{
    m_sync();
    if (!m_bets) {
        m_bets = new BetWindow(m_parts.commands, m_services, m_window);
        m_bets->setAttribute(Qt::WA_DeleteOnClose);
        placeBeside(m_bets);
    }
    m_bets->show();
    m_bets->raise();
    m_bets->activateWindow();
}

void AnalysisMenu::editPrizes()
{
    const int game = m_parts.commands->game().index;
    auto *dialog = new PrizeTableDialog(Settings().ownPrizes(), game, m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog, game] {
        Settings settings;
        settings.setPrizes(dialog->tables());
        refresh();
        emit statusMessage(QStringLiteral("奖金表已保存。%1：").arg(ProvinceTable::at(game).caption) +
                           TrendOmission::prizeNote(settings.prizes(game)));
    });
    dialog->open();
}

// Where the user last left it; else beside the main window where the screen has room (right, else
// left), clear of the other analysis window; else over the results side, below the menu bar, so
// that the entry boxes and the menus stay in view (a second one there a little lower, its title
// bar clear of the first's). Always on the main window's screen.
void AnalysisMenu::placeBeside(QWidget *window)
{
    window->installEventFilter(this);
    if (const QByteArray saved = Settings().windowGeometry(window->objectName());
        !saved.isEmpty() && window->restoreGeometry(saved))
        return;
    const QRect screen = m_window->screen()->availableGeometry();
    const QRect main = m_window->frameGeometry();
    QWidget *other = window == m_trend.data() ? static_cast<QWidget *>(m_bets) : m_trend.data();
    const QRect taken = other && other->isVisible() ? other->frameGeometry() : QRect();
    QSize size = window->size().boundedTo(screen.size());
    const auto free = [&](QPoint at) {
        const QRect rect(at, size);
        return screen.contains(rect) && !rect.intersects(main) && !rect.intersects(taken);
    };
    std::optional<QPoint> at;
    for (const QPoint candidate : {QPoint(main.right() + 8, main.top()), QPoint(taken.right() + 8, main.top()),
                                   QPoint(main.left() - 8 - size.width(), main.top()),
                                   QPoint(taken.left() - 8 - size.width(), main.top())}) {
        if (free(candidate)) {
            at = candidate;
            break;
        }
    }
    if (!at) {
        const QPoint results = m_parts.results->mapToGlobal(QPoint(0, 0));
        const int offset = taken.isNull() ? 0 : 48;
        at = QPoint(results.x() + offset, results.y() + offset);
        size = QSize(std::max(window->minimumSizeHint().width(), main.right() - at->x()),
                     std::max(window->minimumSizeHint().height(), main.bottom() - at->y()))
                   .boundedTo(screen.size());
    }
    window->resize(size);
    window->move(std::clamp(at->x(), screen.left(), std::max(screen.left(), screen.right() + 1 - size.width())),
                  std::clamp(at->y(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - size.height())));
}

bool AnalysisMenu::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Close || event->type() == QEvent::Hide) {
        auto *window = qobject_cast<QWidget *>(watched);
        if (window && window->isWindow())
            Settings().setWindowGeometry(window->objectName(), window->saveGeometry());
    }
    return QObject::eventFilter(watched, event);
}
