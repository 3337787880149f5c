#include "BetWindow.h"

#include "AnalysisWindows.h"
#include "BetTable.h"
#include "BusyCursor.h"
#include "ChartScale.h"
#include "Clock.h"
#include "Dialogs.h"
#include "GridActions.h"
#include "GridModel.h"
#include "GridView.h"
#include "HistoryCommands.h"
#include "HistoryDb.h"
#include "IssueNumbers.h"
#include "ProvinceTable.h"
#include "Launcher.h"
#include "Settings.h"
#include "Widgets.h"
#include "Workbook.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

using Widgets::named;

namespace {

const QStringList header{QStringLiteral("编号"), QStringLiteral("期号"), QStringLiteral("玩法"), QStringLiteral("号码"),
                         QStringLiteral("倍数"), QStringLiteral("投注额"), QStringLiteral("状态"), QStringLiteral("奖金")};

QStringList cells(const Ledger::Settled &s)
{
    return {QString::number(s.bet.id),       QString::number(s.bet.issue), Plays::name(s.bet.choice.play),
            s.bet.choice.numbers,            QString::number(s.bet.multiple), QString::number(s.bet.cost()),
            Ledger::stateName(s.state),      QString::number(s.prize)};
}

// 全部彩种 puts each bet's game first.
QStringList headerOf(bool allGames)
{
    return allGames ? QStringList{QStringLiteral("彩种")} + header : header;
}

// The bets as the table shows them, formatted when in view; with `games`, each one's game first.
class BetRows : public GridRows
{
public:
    BetRows(const std::vector<Ledger::Settled> &bets, const std::vector<int> *games)
        : m_bets(bets)
        , m_games(games)
    {}
    int count() const override { return int(m_bets.size()); }
    QString text(int row, int col) const override
    {
        if (row < 0 || row >= count())
            return {};
        if (!m_games)
            return cells(m_bets[size_t(row)]).value(col);
        return col == 0 ? ProvinceTable::at((*m_games)[size_t(row)]).caption : cells(m_bets[size_t(row)]).value(col - 1);
    }

private:
    const std::vector<Ledger::Settled> &m_bets;
    const std::vector<int> *m_games;
};

} // namespace

BetWindow::BetWindow(HistoryCommands *commands, const AppServices &services, QWidget *parent)
    : QDialog(parent)
    , m_commands(commands)
    , m_services(services)
{
    setObjectName(QStringLiteral("BetWindow"));
    setWindowTitle(QStringLiteral("投注记录"));
    resize(860, 680);
    auto *layout = new QVBoxLayout(this);

    auto *form = new QHBoxLayout;
    m_issue = named(new QLineEdit, QStringLiteral("txtTzQihao"));
    m_issue->setValidator(new QIntValidator(1, std::numeric_limits<int>::max(), m_issue));
    // Wide enough for a whole issue whatever room the window has.
    m_issue->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) + 12);
    m_issue->setAccessibleName(QStringLiteral("投注期号"));
    connect(m_issue, &QLineEdit::textEdited, this, [this] { m_issueTyped = true; });
    m_play = named(new QComboBox, QStringLiteral("cboTzWanfa"));
    m_play->addItems(Plays::names());
    m_play->setAccessibleName(QStringLiteral("玩法"));
    m_numbers = named(new QLineEdit, QStringLiteral("txtTzHaoma"));
    m_numbers->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    m_numbers->setAccessibleName(QStringLiteral("投注号码"));
    m_multiple = named(new QSpinBox, QStringLiteral("spnTzBeishu"));
    // Wider than a bet may be, so that a typed 99999 is refused with the reason, never clipped.
    m_multiple->setRange(1, 99'999'999);
    m_multiple->setAccessibleName(QStringLiteral("倍数"));
    m_add = named(new QPushButton(QStringLiteral("记下这注(&A)")), QStringLiteral("cmdTzAdd"));
    m_add->setDefault(true);
    const auto label = [](const QString &text, QWidget *buddy) {
        auto *l = new QLabel(text);
        l->setBuddy(buddy);
        return l;
    };
    form->addWidget(label(QStringLiteral("期号(&I)"), m_issue));
    form->addWidget(m_issue);
    form->addWidget(label(QStringLiteral("玩法(&P)"), m_play));
    form->addWidget(m_play);
    form->addWidget(label(QStringLiteral("号码(&N)"), m_numbers));
    form->addWidget(m_numbers);
    form->addWidget(label(QStringLiteral("倍数(&M)"), m_multiple));
    form->addWidget(m_multiple);
    form->addWidget(m_add);
    form->addStretch();
    m_scope = named(new QComboBox, QStringLiteral("cboTzFanwei"));
    m_scope->addItems({QStringLiteral("当前彩种"), QStringLiteral("全部彩种")});
    m_scope->setAccessibleName(QStringLiteral("显示哪些彩种的投注"));
    connect(m_scope, &QComboBox::currentIndexChanged, this, [this](int index) { showAllGames(index == 1); });
    form->addWidget(label(QStringLiteral("显示(&V)"), m_scope));
    form->addWidget(m_scope);
    layout->addLayout(form);
    m_formNote = named(new QLabel, QStringLiteral("lblTzNote"));
    m_formNote->setAccessibleName(QStringLiteral("投注说明"));
    layout->addWidget(m_formNote);
    const auto hint = [this] {
        const Plays::Play play = Plays::Play(m_play->currentIndex());
        const Plays::PrizeTable prizes = Settings().prizes(m_commands->game().index);
        const QString prize = play == Plays::Play::Sum ? QStringLiteral("和值 3/18 奖 %1 元……和值 10/11 奖 %2 元")
                                                             .arg(prizes.sumPrize(3))
                                                             .arg(prizes.sumPrize(10))
                                                       : QStringLiteral("奖 %1 元").arg(prizes.playPrize(play));
        m_formNote->setText(QStringLiteral("%1：%2；每注 2 元，%3").arg(Plays::name(play), Plays::choiceHint(play), prize));
        m_numbers->setEnabled(play != Plays::Play::TripleAny && play != Plays::Play::RunAny);
    };
    connect(m_play, &QComboBox::currentIndexChanged, this, hint);
    hint();

    m_grid = new GridModel(this);
    m_table = named(new GridView(m_grid), QStringLiteral("grdTouzhu"));
    m_table->setAccessibleName(QStringLiteral("投注记录，最新的在前；Delete 删除，双击导出"));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->installEventFilter(this);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    connect(m_table, &QTableView::doubleClicked, this, &BetWindow::exportTable);
    layout->addWidget(m_table, 2);

    m_summary = named(new QLabel, QStringLiteral("lblTzHeji"));
    m_summary->setWordWrap(true);
    m_summary->setAccessibleName(QStringLiteral("投注合计"));
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_summary);
    m_chart = named(new QChartView, QStringLiteral("chtTouzhu"));
    m_chart->setRenderHint(QPainter::Antialiasing);
    m_chart->setMinimumHeight(240);
    layout->addWidget(m_chart, 3);

    connect(m_add, &QPushButton::clicked, this, &BetWindow::addBet);
    connect(m_numbers, &QLineEdit::returnPressed, this, &BetWindow::addBet);
    refresh();
}

void BetWindow::refresh()
{
    const HistorySnapshot &history = m_commands->snapshot();
    const int game = m_commands->game().index;
    const QString caption = ProvinceTable::at(game).caption;
    setWindowTitle(m_allGames ? QStringLiteral("投注记录 — 全部彩种（新的一注记入%1）").arg(caption)
                              : QStringLiteral("投注记录 — %1").arg(caption));
    // Another game selected: its own next issue, never the other game's.
    if (game != m_shownGame) {
        m_shownGame = game;
        m_issueTyped = false;
    }
    if (!m_issueTyped) {
        const std::optional<qint32> next =
            history.isEmpty() ? std::nullopt : IssueNumbers::next(history.last().sqqh, m_commands->game().drawsPerDay);
        m_issue->setText(next ? QString::number(*next) : QString());
    }
    const QStringList shownHeader = headerOf(m_allGames);
    m_grid->setCols(int(shownHeader.size()));
    m_grid->setRows(1);
    for (int c = 0; c < int(shownHeader.size()); ++c)
        m_grid->setCellText(0, c, shownHeader[c]);
    if (m_allGames) {
        m_summary->setText(readAllGames());
        showChart();
        return;
    }
    m_betGames.clear();
    std::optional<Ledger::Bets> read = Ledger::readBets(m_commands->history(), m_commands->game().index);
    if (!read) {
        m_summary->setText(QStringLiteral("无法读取投注记录：%1").arg(m_commands->history().userError()));
        return;
    }
    std::vector<Ledger::Bet> bets = std::move(read->bets);
    std::reverse(bets.begin(), bets.end());
    m_bets = Ledger::settle(bets, history, Settings().prizes(game));
    m_totals = Ledger::totals(m_bets);
    m_grid->setRowSource(std::make_shared<BetRows>(m_bets, nullptr));
    QString text = m_bets.empty() ? QStringLiteral("%1还没有投注记录：在上面填好期号、玩法、号码和倍数，按“记下这注”。").arg(caption)
                                  : caption + QStringLiteral("：") + Ledger::totalsLine(m_totals);
    if (m_totals.settled > 0)
        text += QStringLiteral("\n") + Ledger::fairSentence(m_totals);
    // Rows another tool wrote that are no bets: named under the table, never counted.
    if (!read->unreadable.empty()) {
        QStringList named;
        for (size_t i = 0; i < read->unreadable.size() && i < 3; ++i)
            named << QStringLiteral("编号 %1：%2").arg(read->unreadable[i].id).arg(read->unreadable[i].reason);
        text += QStringLiteral("\n") + Ledger::unreadableLine(read->unreadable) + QStringLiteral("（") +
                named.join(QStringLiteral("；")) + QStringLiteral("）");
    }
    m_summary->setText(text);
    showChart();
}

void BetWindow::showAllGames(bool all)
{
    m_allGames = all;
    const QSignalBlocker quiet(m_scope);
    m_scope->setCurrentIndex(all ? 1 : 0);
    refresh();
}

QString BetWindow::readAllGames()
{
    const QString folder = m_services.programFolder;
    const Settings settings;
    std::vector<std::vector<Ledger::Settled>> perGame(ProvinceTable::Count);
    QStringList unreadable;
    const Ledger::AllGames report = Ledger::readAllGames(
        folder, GameFiles::readMain(folder), m_commands->unrecordedGame(),
        [&settings](int game) { return settings.prizes(game); }, [](const Ledger::Bet &) { return true; },
        [&perGame](int game, const Ledger::Settled &s) { perGame[size_t(game)].push_back(s); },
        [&unreadable](int game, std::optional<qint64> id, const QString &reason) {
            unreadable << ProvinceTable::at(game).caption +
                              (id ? QStringLiteral(" 编号 %1：%2").arg(*id).arg(reason) : QStringLiteral("：") + reason);
        });
    // Game after game, each newest first.
    m_bets.clear();
    m_betGames.clear();
    for (int game = 0; game < ProvinceTable::Count; ++game) {
        m_bets.insert(m_bets.end(), perGame[size_t(game)].rbegin(), perGame[size_t(game)].rend());
        m_betGames.insert(m_betGames.end(), perGame[size_t(game)].size(), game);
    }
    m_totals = report.all;
    m_grid->setRowSource(std::make_shared<BetRows>(m_bets, &m_betGames));
    QStringList lines;
    for (const Ledger::GameTotals &g : report.games)
        lines << ProvinceTable::at(g.game).caption + QStringLiteral("：") + Ledger::totalsLine(g.totals);
    lines << (m_bets.empty() ? QStringLiteral("全部彩种都还没有投注记录。")
                             : QStringLiteral("全部彩种：") + Ledger::totalsLine(m_totals));
    if (m_totals.settled > 0)
        lines << Ledger::fairSentence(m_totals);
    if (!unreadable.isEmpty())
        lines << QStringLiteral("另有 %1 处投注记录无法读取，没有列出也没有计入合计（%2）")
                     .arg(unreadable.size())
                     .arg(unreadable.mid(0, 3).join(QStringLiteral("；")));
    return lines.join(QLatin1Char('\n'));
}

bool BetWindow::addBet()
{
    const auto refuse = [this](const QString &why) {
        m_formNote->setText(why);
        return false;
    };
    bool ok = false;
    const qint32 issue = m_issue->text().toInt(&ok);
    if (!ok)
        return refuse(QStringLiteral("期号 %1 不对：应为 YYMMDDNNN（例如 %2001）")
                          .arg(m_issue->text(), m_services.clock->beijingToday().toString(QStringLiteral("yyMMdd"))));
    if (const QString why = Ledger::issueProblem(issue, m_commands->game().index); !why.isEmpty())
        return refuse(why);
    if (m_commands->game().index != ProvinceTable::runningIssueGame) {
        if (const QString why = IssueNumbers::unsoundSequence(issue, m_commands->game().drawsPerDay); !why.isEmpty())
            return refuse(why);
    }
    QString why;
    const std::optional<Plays::Choice> choice =
        Plays::choice(Plays::Play(m_play->currentIndex()), m_numbers->isEnabled() ? m_numbers->text() : QString(), &why);
    if (!choice)
        return refuse(why);
    const int multiple = m_multiple->value();
    if (multiple > Ledger::maxMultiple)
        return refuse(QStringLiteral("倍数 %1 太大：每注最多 %2 倍。这注没有记下。").arg(multiple).arg(Ledger::maxMultiple));
    if (const QString question = dateQuestion(issue);
        !question.isEmpty() && !m_services.dialogs->question(this, QStringLiteral("投注记录"), question, QStringLiteral("仍然记下")))
        return refuse(QStringLiteral("这注没有记下。"));
    if (!BetTable::add(m_commands->history(), Ledger::toStored({0, issue, *choice, multiple})))
        return refuse(QStringLiteral("投注没有保存：%1").arg(m_commands->history().userError()));
    m_numbers->clear();
    m_multiple->setValue(1);
    refresh();
    m_formNote->setText(QStringLiteral("已记下：第 %1 期 %2 %3，%4 倍").arg(issue).arg(Plays::name(choice->play), choice->numbers).arg(multiple));
    return true;
}

QString BetWindow::dateQuestion(qint32 issue) const
{
    // A bet is placed on an issue drawn since the last stored one, or today's or tomorrow's: any
    // other date is likely a slip (a bet played elsewhere long ago may still be recorded).
    const std::optional<QDate> date = IssueNumbers::dateOf(QString::number(issue));
    if (m_commands->game().index == ProvinceTable::runningIssueGame || !date)
        return {};
    const HistorySnapshot &history = m_commands->snapshot();
    const std::optional<QDate> last =
        history.isEmpty() ? std::nullopt : IssueNumbers::dateOf(QString::number(history.last().sqqh));
    const QDate tomorrow = m_services.clock->beijingToday().addDays(1);
    if ((!last || *date >= *last) && *date <= tomorrow)
        return {};
    return QStringLiteral("第 %1 期的日期是 %2，不在最后一期开奖的日期（%3）和明天（%4）之间。仍然记下这注吗？")
        .arg(issue)
        .arg(date->toString(QStringLiteral("yyyy-MM-dd")), last ? last->toString(QStringLiteral("yyyy-MM-dd")) : QStringLiteral("无"),
             tomorrow.toString(QStringLiteral("yyyy-MM-dd")));
}

bool BetWindow::removeRow(int row)
{
    if (row < 1 || row > int(m_bets.size()))
        return false;
    const Ledger::Settled &s = m_bets[size_t(row - 1)];
    const QString which = QStringLiteral("%5第 %1 期 %2，%3 倍（编号 %4）")
                              .arg(s.bet.issue)
                              .arg(QStringList{Plays::name(s.bet.choice.play), s.bet.choice.numbers}.join(QLatin1Char(' ')).trimmed())
                              .arg(s.bet.multiple)
                              .arg(s.bet.id)
                              .arg(m_allGames ? ProvinceTable::at(m_betGames[size_t(row - 1)]).caption + QLatin1Char(' ') : QString());
    if (!m_services.dialogs->question(this, QStringLiteral("删除投注"), QStringLiteral("删除这注投注吗？\n%1").arg(which),
                                      QStringLiteral("删除")))
        return false;
    // In 全部彩种 the row may be another game's: it goes from that game's own history.
    const int game = m_allGames ? m_betGames[size_t(row - 1)] : m_commands->game().index;
    HistoryDb other;
    HistoryDb *db = &m_commands->history();
    if (game != m_commands->game().index) {
        db = &other;
        if (other.openGame(m_services.programFolder, game, m_commands->unrecordedGame()) != HistoryDb::OpenStatus::Ok)
            db = nullptr;
    }
    if (!db || !BetTable::remove(*db, s.bet.id)) {
        m_formNote->setText(QStringLiteral("投注没有删除：%1").arg(db ? db->userError() : other.lastError()));
        return false;
    }
    refresh();
    m_formNote->setText(QStringLiteral("已删除：%1").arg(which));
    return true;
}

bool BetWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_table && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        removeRow(m_table->currentIndex().row() + 1); // the grid's row 0 is its header
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void BetWindow::showChart()
{
    // Oldest first, settled bets only: the running net against what fair dice give, ±2σ.
    auto *net = new QLineSeries;
    net->setName(QStringLiteral("累计净收益"));
    auto *expected = new QLineSeries;
    expected->setName(QStringLiteral("公平开奖的期望"));
    auto *upper = new QLineSeries, *lower = new QLineSeries;
    double n = 0, e = 0, v = 0, low = 0, high = 0;
    qint64 x = 0;
    for (auto it = m_bets.rbegin(); it != m_bets.rend(); ++it) {
        if (it->state == Ledger::State::Pending)
            continue;
        n += double(it->prize - it->bet.cost());
        e += it->chance * double(it->payout) - double(it->bet.cost());
        v += it->chance * (1 - it->chance) * double(it->payout) * double(it->payout);
        const double band = 2 * std::sqrt(v);
        low = std::min({low, n, e - band});
        high = std::max({high, n, e + band});
        ++x;
        net->append(double(x), n);
        expected->append(double(x), e);
        upper->append(double(x), e + band);
        lower->append(double(x), e - band);
    }
    auto *chart = new QChart;
    chart->addSeries(sigmaBand(upper, lower));
    chart->addSeries(expected);
    chart->addSeries(net);
    addValueAxis(chart, ChartScale::around(0, double(std::max<qint64>(x, 1))), Qt::AlignBottom,
                 QStringLiteral("已开奖的投注"));
    addValueAxis(chart, ChartScale::around(low, high), Qt::AlignLeft, QStringLiteral("元"));
    chart->setTitle(QStringLiteral("累计净收益与公平开奖的期望"));
    QChart *shown = m_chart->chart();
    m_chart->setChart(chart);
    delete shown;
}

void BetWindow::exportTable()
{
    // Every game's bets go to a workbook of their own, never over one game's.
    const QString name = m_allGames ? allGamesFileName() : fileName();
    const QString path = QDir(m_services.userFolder()).filePath(name);
    const int game = m_commands->game().index;
    if (!m_allGames && !mayWriteExport(*m_services.dialogs, this, path, game))
        return m_formNote->setText(QStringLiteral("没有导出：%1 保留原来的内容").arg(name));
    const QStringList shownHeader = headerOf(m_allGames);
    const BetRows shownRows(m_bets, m_allGames ? &m_betGames : nullptr);
    const BusyCursor busy;
    QString error;
    const QStringList notes{Ledger::totalsLine(m_totals), m_totals.settled > 0 ? Ledger::fairSentence(m_totals) : QString()};
    const int rows = int(m_bets.size()) + 1;
    const Workbook::Sheet sheet{QStringLiteral("投注记录"), rows + 1 + int(notes.size()), int(shownHeader.size()),
                                [&](int r, int c) -> Workbook::Cell {
                                    if (r == 0)
                                        return shownHeader.value(c);
                                    if (r < rows)
                                        return Workbook::fromText(shownRows.text(r - 1, c));
                                    const int note = r - rows - 1;
                                    return c == 0 && note >= 0 ? Workbook::Cell(notes.value(note)) : Workbook::Cell(QString());
                                }};
    const QString title = m_allGames ? QStringLiteral("全部彩种 投注记录") : exportTitle(game, QStringLiteral("投注记录"));
    if (!Workbook::write(path, {sheet}, &error, title)) {
        m_services.dialogs->message(this, QStringLiteral("导出到电子表格"),
                                    QStringLiteral("无法写入电子表格文件：\n%1\n%2").arg(QDir::toNativeSeparators(path), error));
        return;
    }
    if (!m_allGames)
        exportWritten(path, game);
    m_formNote->setText(openOrSayWhere(*m_services.launcher, path, QStringLiteral("电子表格")));
}
