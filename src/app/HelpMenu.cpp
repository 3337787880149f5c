#include "HelpMenu.h"

#include "Dialogs.h"
#include "GridActions.h"
#include "Launcher.h"
#include "MainWindowUi.h"
#include "Widgets.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QKeyEvent>

HelpMenu::HelpMenu(QMainWindow *window, const MainWindowUi &ui, const AppServices &services)
    : QObject(window)
    , m_window(window)
    , m_services(services)
{
    using Widgets::named;
    m_menu = named(window->menuBar()->addMenu(QStringLiteral("帮助(&B)")), QStringLiteral("mnuHelp"));
    const std::pair<const char *, const char *> pages[] = {{"使用说明(&U)", "guide.html"},
                                                           {"跟号回测与统计(&B)", "backtest.html"},
                                                           {"走势与遗漏(&T)", "trend.html"},
                                                           {"玩法、奖金与投注记录(&P)", "plays.html"},
                                                           {"追号(&C)", "chase.html"}};
    for (const auto &[caption, page] : pages) {
        QAction *entry = m_menu->addAction(QString::fromUtf8(caption));
        entry->setObjectName(QStringLiteral("mnuHelp_") + QString::fromLatin1(page).section(QLatin1Char('.'), 0, 0));
        connect(entry, &QAction::triggered, this, [this, page = QString::fromLatin1(page)] { open(page); });
    }
    m_menu->addSeparator();
    connect(named(m_menu->addAction(QStringLiteral("关于(&A)…")), QStringLiteral("mnuAbout")), &QAction::triggered,
            this, &HelpMenu::about);
    // The older entries under 设置 and 分析 stay where users know them.
    const std::pair<QAction *, const char *> entries[] = {{ui.mnuHomePage, "index.html"},
                                                          {ui.mnuIntroPage, "guide.html"},
                                                          {ui.mnuDemoPage, "walkthrough.html"},
                                                          {ui.mnuFenxiHelp, "backtest.html"}};
    for (const auto &[action, page] : entries)
        connect(action, &QAction::triggered, this, [this, page = QString::fromLatin1(page)] { open(page); });
    // F1 from any of the program's windows: a modal analysis dialog blocks the main window's
    // shortcuts, so the key is taken as it arrives.
    qApp->installEventFilter(this);
}

bool HelpMenu::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->matches(QKeySequence::HelpContents) &&
        watched->isWidgetType()) {
        open(pageFor(static_cast<QWidget *>(watched)));
        return true;
    }
    return QObject::eventFilter(watched, event);
}

QString HelpMenu::pageFor(const QWidget *focus)
{
    for (const QWidget *w = focus; w; w = w->parentWidget()) {
        if (w->inherits("TrendWindow"))
            return QStringLiteral("trend.html");
        if (w->inherits("ChaseDialog"))
            return QStringLiteral("chase.html");
        if (w->inherits("BetWindow"))
            return QStringLiteral("plays.html");
        if (w->inherits("BacktestDialog") || w->inherits("TallyChartDialog"))
            return QStringLiteral("backtest.html");
        if (w->inherits("HistoryPanel") || w->inherits("SearchOptionsPanel") || w->inherits("ResultsPanel"))
            return QStringLiteral("guide.html");
    }
    return QStringLiteral("index.html");
}

void HelpMenu::open(const QString &page)
{
    const QString path = QDir(m_services.helpFolder).filePath(page);
    // The page ships with the program: nothing was saved, it is only where it is.
    if (!m_services.launcher->openFile(path))
        emit statusMessage(QStringLiteral("帮助页面在 %1（桌面没有可以打开它的程序）").arg(QDir::toNativeSeparators(path)));
}

void HelpMenu::about()
{
    m_services.dialogs->message(
        m_window, QStringLiteral("关于"),
        QStringLiteral("Vendrix K3 快3跟号分析 %1\n\n历史号码和备份保存在：\n%2\n\n帮助页面：\n%3")
            .arg(QStringLiteral(VK3_VERSION), QDir::toNativeSeparators(m_services.programFolder),
                 QDir::toNativeSeparators(m_services.helpFolder)));
}
