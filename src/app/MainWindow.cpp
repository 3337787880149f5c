#include "MainWindow.h"

#include "AnalysisWindows.h"
#include "BusyCursor.h"
#include "CombinationSearch.h"
#include "Dialogs.h"
#include "FollowSearch.h"
#include "GridExport.h"
#include "GridModel.h"
#include "GridView.h"
#include "HistoryGrid.h"
#include "IssueNumbers.h"
#include "Launcher.h"
#include "LishiColumns.h"
#include "PageLoader.h"
#include "PatternRefresh.h"
#include "ProvinceTable.h"
#include "ResultGrids.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QWheelEvent>

using Key = Settings::Key;

namespace {

std::optional<qint16> toInt16(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(value);
}

} // namespace

// Connects every control of an array; the handler gets the control's index.
template<typename Control, typename Signal, typename Handler>
void MainWindow::connectEach(const QHash<int, Control *> &controls, Signal signal, Handler handler)
{
    for (auto it = controls.cbegin(); it != controls.cend(); ++it) {
        const int index = it.key();
        connect(it.value(), signal, this, [handler, index] { handler(index); });
    }
}

MainWindow::MainWindow(const AppServices &services, QWidget *parent)
    : QMainWindow(parent)
    , m_services(services)
{
    m_ui.setupUi(this);
    setWindowTitle(productTitle());
    resize(1120, 690);
    startUp();
    connectControls();
}

MainWindow::~MainWindow() = default;

QString MainWindow::productTitle()
{
    return QStringLiteral("Vendrix K3 快3跟号分析");
}

QChar MainWindow::displayLetter() const
{
    return QLatin1Char(LishiColumns::kindLetters[m_search.intXianshiLei]);
}

void MainWindow::startUp()
{
    m_daysToKeep = m_settings.iniSerchDay();

    m_gameIndex = m_settings.gsZl();
    m_ui.mnuK3.value(m_gameIndex)->setChecked(true);
    const Province &game = ProvinceTable::at(m_gameIndex);
    m_drawsPerDay = game.drawsPerDay;
    m_gameCode = game.code;

    m_search.bolZyw = m_settings.bolZyw();
    m_search.bolSq = m_settings.bolSq();
    m_search.intLei = m_settings.intLei();

    openHistory();

    m_ui.Option1.value(m_search.bolZyw ? 1 : 0)->setChecked(true);
    m_ui.Option1.value(m_search.bolSq ? 3 : 2)->setChecked(true);

    m_search.bolZuxuan = m_settings.bolZuxuan();
    m_ui.Option2.value(m_search.bolZuxuan ? 5 : 4)->setChecked(true);

    m_search.intConsqSort = m_settings.intConsqSort();
    m_ui.Option5.value(m_search.intConsqSort)->setChecked(true);

    m_search.intXianshiLei = m_settings.intXianshiLei();
    m_ui.Option4.value(m_search.intXianshiLei)->setChecked(true);

    m_search.DsIni = m_settings.dsIni();
    for (QAction *entry : std::as_const(m_ui.mnuDscs))
        entry->setChecked(false);
    m_ui.mnuDscs.value(m_search.DsIni)->setChecked(true);

    m_redBall = m_settings.bolZhpm();
    m_ui.Option6.value(m_redBall ? 1 : 0)->setChecked(true);

    m_search.intPreQi = m_settings.intPreQi();
    m_ui.MaskEdBox2->setText(QString::number(m_search.intPreQi));

    m_combinationSize = m_settings.intZhWSetup();
    m_ui.Combo1->setEditText(QString::number(m_combinationSize));

    m_ui.grid2->setCols(5);
    m_ui.grid2->setRows(1);
    const int resultWidths[] = {1200, 680, 680, 680, 1800};
    for (int c = 0; c < 5; ++c)
        m_ui.grid2->setColWidth(c, resultWidths[c]);
    m_ui.grid3->setCols(5);
    m_ui.grid3->setRows(1);
    const int tallyWidths[] = {480, 680, 800, 880, 880};
    for (int c = 0; c < 5; ++c)
        m_ui.grid3->setColWidth(c, tallyWidths[c]);
    // The headers are there before the first search, so that a new user sees what comes.
    const QString resultHeader[] = {QStringLiteral("期号"), QStringLiteral("第1位"), QStringLiteral("第2位"),
                                    QStringLiteral("第3位"),
                                    m_search.bolSq ? QStringLiteral("上期开奖") : QStringLiteral("前期开奖")};
    for (int c = 0; c < 5; ++c)
        m_ui.grid2->setCellText(0, c, resultHeader[c]);
    const QString tallyHeader[] = {QStringLiteral("序号"), QStringLiteral("结果"), QStringLiteral("出现次数"),
                                   QStringLiteral("百分比"), QStringLiteral("期望次数")};
    for (int c = 0; c < 5; ++c)
        m_ui.grid3->setCellText(0, c, tallyHeader[c]);

    qihaoXianshi();

    m_ui.Option3.value(m_search.intLei)->setChecked(true);

    setRangeBoxes();

    patternRefresh();

    // The snapshot opened with the database is current: fill the grid from it.
    fillHistoryGrid();
    showGame();
}

void MainWindow::openHistory()
{
    const QString path = QDir(m_services.programFolder).filePath(HistoryDb::fileName());
    switch (m_history.open(path)) {
    case HistoryDb::OpenStatus::Ok:
        reopenSnapshot();
        return;
    case HistoryDb::OpenStatus::NotADatabase:
        m_services.dialogs->message(
            this, QStringLiteral("历史数据库"),
            QStringLiteral("无法打开历史数据库文件：\n%1\n\n该文件不是有效的数据库或已损坏。"
                           "程序不会修改或删除它；请检查该文件，或将其移走后重新启动程序。")
                .arg(QDir::toNativeSeparators(path)));
        return;
    case HistoryDb::OpenStatus::NoSchema:
        m_services.dialogs->message(this, QStringLiteral("历史数据库"),
                                    QStringLiteral("无法在历史数据库文件中建立数据表：\n%1\n\n%2")
                                        .arg(QDir::toNativeSeparators(path), m_history.lastError()));
        return;
    }
}

void MainWindow::reopenSnapshot()
{
    std::optional<HistorySnapshot> read = m_history.snapshot();
    // A history that cannot be read is shown as none, never as the copy from before.
    m_copyFailed = m_history.isOpen() && !read;
    m_snapshot = std::move(read).value_or(HistorySnapshot());
    if (m_copyFailed)
        showStatus(QStringLiteral("无法读取历史号码：%1").arg(m_history.userError()));
}

// A search shows results only for the history as it is: when it could not be read, none.
bool MainWindow::refuseSearchOnUnreadHistory()
{
    if (!m_copyFailed)
        return false;
    showResult(SearchResult());
    m_services.dialogs->message(
        this, QStringLiteral("检索"),
        QStringLiteral("无法读取历史号码，没有进行检索：%1").arg(m_history.userError()));
    return true;
}

void MainWindow::fillHistoryGrid()
{
    HistoryGrid::fill(*m_ui.grid1, m_snapshot);
}

void MainWindow::addHaoma()
{
    reopenSnapshot();
    fillHistoryGrid();
}

void MainWindow::qihaoXianshi()
{
    if (m_snapshot.isEmpty())
        return;
    m_currentIssue = m_snapshot.last().qqh;
    if (const auto next = IssueNumbers::next(m_snapshot.last().sqqh, m_drawsPerDay)) {
        m_ui.Text1->setText(QString::number(*next));
        m_ui.Text4->setText(m_ui.Text1->text());
    }
}

bool MainWindow::delrec()
{
    return m_history.delrec();
}

void MainWindow::patternRefresh()
{
    switch (m_ui.TabStrip1->currentIndex()) {
    case 0:
        m_search.bolManual = false;
        if (const auto pattern = PatternRefresh::latestPattern(m_snapshot, m_search)) {
            m_search.intPattern = *pattern;
            for (int p = 1; p <= 3; ++p)
                m_ui.Text2.value(p)->setText(QString::number((*pattern)[p - 1]));
        }
        break;
    case 1:
        m_search.bolManual = true;
        takePatternFrom(m_ui.Text22);
        break;
    default:
        verifyPattern();
        break;
    }
}

void MainWindow::verifyPattern()
{
    const PatternRefresh::Verification outcome = PatternRefresh::verify(
        m_snapshot, m_search, m_ui.Text4->text(), m_ui.Check4->isChecked(), m_drawsPerDay);
    if (outcome.rangeEnd)
        m_ui.Text3.value(1)->setText(QString::number(*outcome.rangeEnd));
    m_verifyProblem = outcome.problem;
    if (!outcome.pattern) {
        // Never a search on another tab's pattern: the boxes are emptied and the reason shown.
        for (int p = 11; p <= 13; ++p)
            m_ui.Text2.value(p)->clear();
        showStatus(m_verifyProblem);
        return;
    }
    m_search.bolManual = false;
    m_search.intPattern = *outcome.pattern;
    for (int p = 1; p <= 3; ++p)
        m_ui.Text2.value(p + 10)->setText(QString::number((*outcome.pattern)[p - 1]));
}

// A box whose text is no 16-bit number leaves its position's value as it was.
void MainWindow::takePatternFrom(const QHash<int, QLineEdit *> &boxes)
{
    for (int p = 1; p <= 3; ++p) {
        if (const auto value = toInt16(boxes.value(p)->text()))
            m_search.intPattern[p - 1] = *value;
    }
}

// The whole history as the range: from the first draw that has one before it to the last draw.
void MainWindow::setRangeBoxes()
{
    if (m_snapshot.isEmpty())
        return;
    setRangeStart();
    m_ui.Text3.value(1)->setText(QString::number(m_snapshot.last().sqqh));
}

void MainWindow::setRangeStart()
{
    const int n = m_ui.MaskEdBox2->text().toInt();
    if (const auto start = PatternRefresh::rangeStart(m_snapshot, m_search.bolSq, n))
        m_ui.Text3.value(0)->setText(QString::number(*start));
}

void MainWindow::connectControls()
{
    connectEach(m_ui.Option1, &QRadioButton::clicked, [this](int i) { onPositionOrPeriodClicked(i); });
    connect(m_ui.MaskEdBox2, &QLineEdit::editingFinished, this, &MainWindow::onPreQiEdited);
    connectEach(m_ui.Option3, &QRadioButton::clicked, [this](int i) { onSearchKindClicked(i); });
    connectEach(m_ui.Option4, &QRadioButton::clicked, [this](int i) { onDisplayKindClicked(i); });
    connectEach(m_ui.Option2, &QRadioButton::clicked, [this](int) { onTallyModeClicked(); });
    connectEach(m_ui.Option5, &QRadioButton::clicked, [this](int i) { onTallyPositionClicked(i); });
    connectEach(m_ui.Option6, &QRadioButton::clicked, [this](int i) { onRedBallClicked(i); });
    m_ui.Combo1->installEventFilter(this);
    m_ui.MaskEdBox2->installEventFilter(this);
    for (int n = 1; n <= 3; ++n) {
        gridView(n)->viewport()->installEventFilter(this);
        gridView(n)->horizontalHeader()->installEventFilter(this);
    }
    connect(m_ui.mnuDcls, &QAction::triggered, this, [this] { exportGrid(1, true); });
    connect(m_ui.TabStrip1, &QTabBar::currentChanged, this, &MainWindow::onTabClicked);
    // Clicking the selected tab again refreshes its pattern, as a change of tab does.
    connect(m_ui.TabStrip1, &QTabBar::tabBarClicked, this, [this](int tab) {
        if (tab == m_ui.TabStrip1->currentIndex())
            onTabClicked(tab);
    });
    connect(m_ui.Check4, &QCheckBox::clicked, this, &MainWindow::onCheck4Clicked);
    // Editing finished covers Enter too.
    connect(m_ui.Text4, &QLineEdit::editingFinished, this, &MainWindow::verifyPattern);
    for (QLineEdit *box : std::as_const(m_ui.Text22))
        box->installEventFilter(this);
    connect(m_ui.Command1, &QPushButton::clicked, this, &MainWindow::onSearchClicked);
    connectEach(m_ui.MaskEdBox1, &QLineEdit::textChanged, [this](int p) { onEntryChanged(p); });
    for (QLineEdit *box : std::as_const(m_ui.MaskEdBox1))
        box->installEventFilter(this);
    connect(m_ui.cmdRdLst, &QPushButton::clicked, this, &MainWindow::onImportClicked);
    connect(m_ui.Command3, &QPushButton::clicked, this, &MainWindow::onDeleteLastClicked);
    connect(m_ui.mnuErase, &QAction::triggered, this, &MainWindow::onDeleteLastClicked);
    connect(m_ui.mnuClear, &QAction::triggered, this, &MainWindow::onClearClicked);
    connect(m_ui.mnuDlzd, &QAction::triggered, this, &MainWindow::onKeepUpToClicked);
    connect(m_ui.mnuEszhzd, &QAction::triggered, this, &MainWindow::onDeleteLastCountClicked);
    connect(m_ui.Command4, &QPushButton::clicked, this, &MainWindow::onExportClicked);
    connect(m_ui.Command21, &QPushButton::clicked, this, &MainWindow::onUpdateClicked);
    connect(m_ui.Command2, &QPushButton::clicked, this, &MainWindow::onCombinationSearchClicked);

    connectEach(m_ui.mnuK3, &QAction::triggered, [this](int i) { switchGame(i); });
    connectEach(m_ui.mnuDscs, &QAction::triggered, [this](int i) { setSegmentBase(i); });
    connect(m_ui.mnuSetDay, &QAction::triggered, this, &MainWindow::askDaysToKeep);
    connect(m_ui.mnuUpdateHost, &QAction::triggered, this, &MainWindow::askUpdateHost);
    connect(m_ui.cmdUpdateCancel, &QPushButton::clicked, this, [this] { m_services.pageLoader->cancel(); });
    connect(m_ui.mnuHomePage, &QAction::triggered, this,
            [this] { openHelpPage(QStringLiteral("index.html")); });
    connect(m_ui.mnuIntroPage, &QAction::triggered, this,
            [this] { openHelpPage(QStringLiteral("guide.html")); });
    connect(m_ui.mnuDemoPage, &QAction::triggered, this,
            [this] { openHelpPage(QStringLiteral("walkthrough.html")); });
    connect(m_ui.mnuHuice, &QAction::triggered, this, &MainWindow::openBacktest);
    connect(m_ui.mnuTubiao, &QAction::triggered, this, &MainWindow::openTallyChart);
    connect(m_ui.mnuFenxiHelp, &QAction::triggered, this,
            [this] { openHelpPage(QStringLiteral("backtest.html")); });
    connect(m_ui.Command9, &QPushButton::clicked, this, [this] { m_ui.mnuSetup->popup(QCursor::pos()); });
}

void MainWindow::onPositionOrPeriodClicked(int index)
{
    switch (index) {
    case 1:
        m_search.bolZyw = true;
        break;
    case 0:
        m_search.bolZyw = false;
        break;
    case 3:
        m_search.bolSq = true;
        break;
    case 2:
        m_search.bolSq = false;
        break;
    }
    m_settings.setBool(Key::bolZyw, m_search.bolZyw);
    m_settings.setBool(Key::bolSq, m_search.bolSq);
    patternRefresh();
    setRangeStart();
}

void MainWindow::onPreQiEdited()
{
    const auto n = toInt16(m_ui.MaskEdBox2->text());
    if (!n || *n < 1)
        return;
    m_search.intPreQi = *n;
    m_settings.setInt(Key::intPreQi, *n);
    patternRefresh();
    setRangeStart();
}

void MainWindow::onSearchKindClicked(int index)
{
    m_search.intLei = qint16(index);
    patternRefresh();
    m_settings.setInt(Key::intLei, index);
}

void MainWindow::onDisplayKindClicked(int index)
{
    m_search.intXianshiLei = qint16(index);
    m_settings.setInt(Key::intXianshiLei, index);
}

void MainWindow::onTallyModeClicked()
{
    m_search.bolZuxuan = m_ui.Option2.value(5)->isChecked();
    m_settings.setBool(Key::bolZuxuan, m_search.bolZuxuan);
    m_settings.setBool(Key::bolSq, m_search.bolSq);
    patternRefresh();
}

void MainWindow::onTallyPositionClicked(int index)
{
    m_search.intConsqSort = qint16(index);
    m_settings.setInt(Key::intConsqSort, index);
}

void MainWindow::onRedBallClicked(int index)
{
    m_redBall = index != 0;
    m_settings.setBool(Key::bolZhpm, m_redBall);
}

void MainWindow::onCombinationSizeLeft()
{
    // Text that is no whole number keeps the size in force and shows it again.
    const auto size = toInt16(m_ui.Combo1->currentText());
    if (!size) {
        m_ui.Combo1->setEditText(QString::number(m_combinationSize));
        return;
    }
    m_combinationSize = *size;
    m_settings.setInt(Key::intZhWSetup, *size);
}

void MainWindow::onTabClicked(int tab)
{
    if (tab < 0)
        return;
    // Leaving tab 3: the range ends at the latest draw again if 仅检索该期前 had moved it.
    if (m_shownTab == 2 && tab != 2 && m_ui.Check4->isChecked() && !m_snapshot.isEmpty())
        m_ui.Text3.value(1)->setText(QString::number(m_snapshot.last().sqqh));
    m_shownTab = tab;
    for (auto it = m_ui.tabFrames.cbegin(); it != m_ui.tabFrames.cend(); ++it)
        it.value()->setVisible(it.key() == tab + 1);
    m_ui.verifyRow->setVisible(tab == 2);
    switch (tab) {
    case 0:
        m_search.bolManual = false;
        takePatternFrom(m_ui.Text2);
        break;
    case 1:
        m_search.bolManual = true;
        takePatternFrom(m_ui.Text22);
        break;
    default:
        verifyPattern();
        break;
    }
}

void MainWindow::onCheck4Clicked()
{
    verifyPattern();
}

Positions MainWindow::chosenPositions() const
{
    const QHash<int, QCheckBox *> &boxes = m_search.bolManual ? m_ui.Check11 : m_ui.Check1;
    const int first = m_search.bolManual || m_ui.TabStrip1->currentIndex() == 0 ? 1 : 11;
    return {boxes.value(first)->isChecked(), boxes.value(first + 1)->isChecked(),
            boxes.value(first + 2)->isChecked()};
}

IssueRange MainWindow::issueRange() const
{
    auto bound = [](const QLineEdit *box) -> std::optional<qint32> {
        bool ok = false;
        const qint32 value = box->text().toInt(&ok);
        return ok ? std::optional<qint32>(value) : std::nullopt;
    };
    return {bound(m_ui.Text3.value(0)), bound(m_ui.Text3.value(1))};
}

void MainWindow::onSearchClicked()
{
    syncWithDisk();
    if (refuseSearchOnUnreadHistory() || refuseSearchWithoutPattern())
        return;
    const BusyCursor busy;
    m_search.bolZyw = !m_ui.Option1.value(0)->isChecked();
    m_ui.grid2->setVisible(false);
    showResult(FollowSearch::run(m_snapshot, m_search, chosenPositions(), issueRange()));
}

// Tab 3 without a pattern of its own, or tab 2 with an empty box: say which, and do not search.
bool MainWindow::refuseSearchWithoutPattern()
{
    if (m_ui.TabStrip1->currentIndex() == 2 && !m_verifyProblem.isEmpty()) {
        showStatus(m_verifyProblem);
        return true;
    }
    if (m_ui.TabStrip1->currentIndex() == 1) {
        for (int p = 1; p <= 3; ++p) {
            if (m_ui.Check11.value(p)->isChecked() && m_ui.Text22.value(p)->text().trimmed().isEmpty()) {
                showStatus(QStringLiteral("手动输入号的第%1位是空的，请输入号码或取消勾选该位").arg(p));
                m_ui.Text22.value(p)->setFocus();
                return true;
            }
        }
        takePatternFrom(m_ui.Text22);
    }
    return false;
}

void MainWindow::showResult(SearchResult result)
{
    m_lastResult = std::make_shared<const SearchResult>(std::move(result));
    m_lastFairness = FairDice::of(*m_lastResult, m_search, FairDice::isSorted(m_snapshot));
    ResultGrids::fill(*m_ui.grid2, *m_ui.grid3, m_lastResult, &m_lastFairness);
    m_ui.lblFairness->setText(m_lastResult->rows.empty() ? QString() : FairDice::summaryLine(m_lastFairness));
    const IssueRange range = issueRange();
    if (!range.from || !range.to)
        showStatus(QStringLiteral("检索起止期数无效"));
    else if (m_lastResult->rows.empty())
        showStatus(QStringLiteral("没有找到符合条件的历史号码"));
    else
        showStatus(QStringLiteral("找到 %1 期，统计 %2 个号码")
                       .arg(m_lastResult->rows.size())
                       .arg(m_lastResult->total));
}

void MainWindow::showStatus(const QString &text)
{
    statusBar()->clearMessage();
    m_ui.lblStatus->setText(text);
    // A screen reader reads the label by its name, "状态", and the message as its description.
    m_ui.lblStatus->setAccessibleDescription(text);
}

QString MainWindow::statusText() const
{
    return m_ui.lblStatus->text();
}

void MainWindow::openBacktest()
{
    syncWithDisk();
    // The check boxes of tab 1: the backtest takes its patterns from the draws themselves.
    const Positions chosen{m_ui.Check1.value(1)->isChecked(), m_ui.Check1.value(2)->isChecked(),
                           m_ui.Check1.value(3)->isChecked()};
    m_search.bolZyw = !m_ui.Option1.value(0)->isChecked();
    auto *dialog = new BacktestDialog(m_snapshot, m_search, chosen, m_services.dialogs, m_services.launcher,
                                      m_services.programFolder, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void MainWindow::openTallyChart()
{
    if (!m_lastResult) {
        showStatus(QStringLiteral("请先检索，图表显示最近一次检索的统计结果。"));
        return;
    }
    auto *dialog = new TallyChartDialog(*m_lastResult, m_lastFairness, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

void MainWindow::onCombinationSearchClicked()
{
    // Alt+G leaves the size box without taking the focus from it: take an edited size now.
    onCombinationSizeLeft();
    syncWithDisk();
    if (refuseSearchOnUnreadHistory() || refuseSearchWithoutPattern())
        return;
    const BusyCursor busy;
    m_search.bolZyw = !m_ui.Option1.value(0)->isChecked();
    m_ui.grid2->setVisible(false);
    showResult(CombinationSearch::run(m_snapshot, m_search, m_combinationSize, issueRange()));
}

void MainWindow::switchGame(int index)
{
    m_gameIndex = index;
    m_settings.setInt(Key::GsZl, index);
    for (QAction *entry : std::as_const(m_ui.mnuK3))
        entry->setChecked(false);
    m_ui.mnuK3.value(index)->setChecked(true);
    const Province &game = ProvinceTable::at(index);
    m_drawsPerDay = game.drawsPerDay;
    m_gameCode = game.code;
    // The next issue follows the new game's draws a day.
    qihaoXianshi();
    showGame();
}

void MainWindow::showGame()
{
    setWindowTitle(productTitle() + QStringLiteral(" — ") + ProvinceTable::at(m_gameIndex).caption);
    m_ui.lblGame->setText(ProvinceTable::at(m_gameIndex).caption);
    if (const std::optional<int> stored = m_history.storedGame();
        stored && *stored != m_gameIndex && *stored >= 0 && *stored < ProvinceTable::Count)
        showStatus(QStringLiteral("历史号码属于%1").arg(ProvinceTable::at(*stored).caption));
    else
        showStatus(QString());
}

bool MainWindow::historyOfOtherGame()
{
    const std::optional<int> stored = m_history.storedGame();
    return stored && *stored != m_gameIndex;
}

void MainWindow::setSegmentBase(int base)
{
    m_search.DsIni = qint16(base);
    m_settings.setInt(Key::DsIni, base);
    for (QAction *entry : std::as_const(m_ui.mnuDscs))
        entry->setChecked(false);
    m_ui.mnuDscs.value(base)->setChecked(true);
}

void MainWindow::askDaysToKeep()
{
    m_daysToKeep = m_settings.intValue(Key::IniSerchDay, 6);
    for (;;) {
        const std::optional<QString> answer = m_services.dialogs->input(
            this, QStringLiteral("设置天数"),
            QStringLiteral("请输入更新需要保留的历史号码的天数（2~"
                           "16中的任意自然数），如果超过天数将删除最早的一天的历史号码"),
            QString::number(m_daysToKeep));
        if (!answer || answer->isEmpty())
            return;
        const auto days = toInt16(*answer);
        if (days && *days >= 2 && *days <= 16) {
            m_daysToKeep = *days;
            m_settings.setInt(Key::IniSerchDay, *days);
            return;
        }
        m_services.dialogs->message(
            this, QStringLiteral("输入有误"),
            QStringLiteral("为了保证时效性和提高计算效率，软件只能统计16天以内的数据，"
                           "请输入2到16中的自然数。"));
    }
}

void MainWindow::openHelpPage(const QString &page)
{
    openOrSayWhere(QDir(m_services.helpFolder).filePath(page), QStringLiteral("帮助页面"));
}

GridView *MainWindow::gridView(int n) const
{
    return n == 1 ? m_ui.MSFlexGrid1 : n == 2 ? m_ui.MSFlexGrid2 : m_ui.MSFlexGrid3;
}

void MainWindow::wheelEvent(QWheelEvent *event)
{
    // Wheel turns that no control under the mouse took scroll the grid with the focus, one row
    // a turn: towards the user down, away from the user up to the first row.
    for (int n = 1; n <= 3; ++n) {
        GridView *view = gridView(n);
        if (!view->hasFocus())
            continue;
        QScrollBar *bar = view->verticalScrollBar();
        bar->setValue(bar->value() + (event->angleDelta().y() <= 0 ? 1 : -1));
        event->accept();
        return;
    }
    QMainWindow::wheelEvent(event);
}

void MainWindow::exportGrid(int n, bool fromMenu)
{
    if (n == 1)
        syncWithDisk();
    const QString path = programFile(GridExport::fileName(n));
    QString error;
    bool written = false;
    if (fromMenu) {
        const BusyCursor busy;
        m_ui.grid1->setVisible(false);
        written = GridExport::write(*m_ui.grid1, path, &error);
        m_ui.grid1->setVisible(true);
    } else {
        written = GridExport::write(*gridView(n)->grid(), path, &error);
    }
    if (!written) {
        m_services.dialogs->message(
            this, QStringLiteral("导出到电子表格"),
            QStringLiteral("无法写入电子表格文件：\n%1\n%2").arg(QDir::toNativeSeparators(path), error));
        return;
    }
    openOrSayWhere(path, QStringLiteral("电子表格"));
}

void MainWindow::openOrSayWhere(const QString &path, const QString &what)
{
    if (m_services.launcher->openFile(path))
        showStatus(QStringLiteral("已打开%1：%2").arg(what, QDir::toNativeSeparators(path)));
    else
        showStatus(QStringLiteral("%1已保存在 %2（桌面没有可以打开它的程序）")
                       .arg(what, QDir::toNativeSeparators(path)));
}

void MainWindow::changeEvent(QEvent *event)
{
    // Back in the window: another program may have changed the history meanwhile.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        syncWithDisk();
    QMainWindow::changeEvent(event);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui.Combo1 && event->type() == QEvent::FocusOut)
        onCombinationSizeLeft();
    // The N box holds one digit: a digit typed there takes its place.
    if (watched == m_ui.MaskEdBox2 && event->type() == QEvent::KeyPress &&
        !static_cast<QKeyEvent *>(event)->text().isEmpty() &&
        static_cast<QKeyEvent *>(event)->text()[0].isDigit())
        m_ui.MaskEdBox2->selectAll();
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (int n = 1; n <= 3; ++n) {
            if (watched == gridView(n)->viewport() || watched == gridView(n)->horizontalHeader()) {
                exportGrid(n, false);
                return true;
            }
        }
    }
    if (event->type() == QEvent::MouseButtonRelease && watched == m_ui.MSFlexGrid1->viewport() &&
        static_cast<QMouseEvent *>(event)->button() == Qt::RightButton)
        m_ui.mnuLsgl->popup(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
    // Any key in an entry box ends the pause that follows a stored draw.
    if (event->type() == QEvent::KeyPress && m_ui.MaskEdBox1.key(qobject_cast<QLineEdit *>(watched), 0) != 0)
        m_entryPaused = false;
    for (auto it = m_ui.Text22.cbegin(); it != m_ui.Text22.cend(); ++it) {
        if (watched != it.value())
            continue;
        if (event->type() == QEvent::KeyPress) {
            // Typed pattern values: digits, a minus sign and backspace; other characters are dropped.
            const QString typed = static_cast<QKeyEvent *>(event)->text();
            if (!typed.isEmpty() && typed.front().isPrint() &&
                !typed.contains(QRegularExpression(QStringLiteral("^[-0-9]+$"))))
                return true;
        } else if (event->type() == QEvent::FocusOut) {
            if (const auto value = toInt16(it.value()->text()))
                m_search.intPattern[it.key() - 1] = *value;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
