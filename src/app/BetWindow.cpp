#include "BetWindow.h"

#include "BetRows.h"
#include "BetTable.h"
#include "ChaseDialog.h"
#include "Clock.h"
#include "Dialogs.h"
#include "GridModel.h"
#include "GridView.h"
#include "HistoryCommands.h"
#include "HistoryDb.h"
#include "IssueNumbers.h"
#include "ProvinceTable.h"
#include "Settings.h"
#include "Widgets.h"

#include <QChartView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

using Widgets::named;
using namespace BetRowsText;

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
    auto *chase = named(new QPushButton(QStringLiteral("追号(&C)…")), QStringLiteral("cmdTzZhuihao"));
    connect(chase, &QPushButton::clicked, this, &BetWindow::openChase);
    form->addWidget(chase);
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
    // Settled in the order placed (a plan stops after its first win), shown newest first.
    m_bets = Ledger::settle(read->bets, history, Settings().prizes(game));
    std::reverse(m_bets.begin(), m_bets.end());
    m_totals = Ledger::totals(m_bets);
    m_grid->setRowSource(std::make_shared<BetRows>(m_bets, nullptr));
    QString text = m_bets.empty() ? QStringLiteral("%1还没有投注记录：在上面填好期号、玩法、号码和倍数，按“记下这注”。").arg(caption)
                                  : caption + QStringLiteral("：") + Ledger::totalsLine(m_totals);
    if (m_totals.settled > 0)
        text += QStringLiteral("\n") + Ledger::fairSentence(m_totals);
    text += todayLine();
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

QString BetWindow::todayLine() const
{
    const std::optional<qint64> limit = Settings().dailyLimit();
    if (!limit)
        return {};
    return QStringLiteral("\n今天已投注 %1 元，每日限额 %2 元").arg(placedToday()).arg(*limit);
}

qint64 BetWindow::placedToday() const
{
    const QString folder = m_services.programFolder;
    return Ledger::placedOn(folder, GameFiles::readMain(folder), m_commands->unrecordedGame(),
                            m_services.clock->now().date());
}

void BetWindow::openChase()
{
    auto *dialog = new ChaseDialog(m_commands, m_services, m_play->currentIndex(), m_numbers->text(), m_issue->text(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &ChaseDialog::placed, this, [this](qint64 plan, int issues, qint64 worstCase) {
        refresh();
        m_formNote->setText(QStringLiteral("已记下追号计划 %1：%2 期，最多花 %3 元").arg(plan).arg(issues).arg(Chase::yuan(double(worstCase))));
    });
    dialog->open();
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
    if (const QString over = Ledger::overDailyLimit(placedToday(), qint64(Plays::betCost) * multiple, Settings().dailyLimit());
        !over.isEmpty())
        return refuse(over);
    if (!BetTable::add(m_commands->history(), Ledger::toStored({0, issue, *choice, multiple, std::nullopt, true},
                                                               Ledger::placedText(m_services.clock->now()))))
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
    const Ledger::Settled s = m_bets[size_t(row - 1)]; // a copy: refresh() below reads the bets again
    const QString which = QStringLiteral("%5第 %1 期 %2，%3 倍（编号 %4）")
                              .arg(s.bet.issue)
                              .arg(QStringList{Plays::name(s.bet.choice.play), s.bet.choice.numbers}.join(QLatin1Char(' ')).trimmed())
                              .arg(s.bet.multiple)
                              .arg(s.bet.id)
                              .arg(m_allGames ? ProvinceTable::at(m_betGames[size_t(row - 1)]).caption + QLatin1Char(' ') : QString());
    // A bet of a chase plan goes with the rest of its plan from that issue on (the plan cancelled).
    const std::optional<qint64> plan = s.bet.plan;
    const QString question = plan ? QStringLiteral("这注属于追号计划 %1。撤销这个计划从第 %2 期起的全部投注吗？\n%3")
                                        .arg(*plan)
                                        .arg(s.bet.issue)
                                        .arg(which)
                                  : QStringLiteral("删除这注投注吗？\n%1").arg(which);
    if (!m_services.dialogs->question(this, QStringLiteral("删除投注"), question,
                                      plan ? QStringLiteral("撤销计划") : QStringLiteral("删除")))
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
    const std::optional<int> removed = !db ? std::nullopt
                                       : plan ? BetTable::cancelPlan(*db, *plan, s.bet.issue)
                                              : std::optional<int>(BetTable::remove(*db, s.bet.id) ? 1 : 0);
    if (!removed || *removed == 0) {
        // Gone meanwhile (another program removed it): the table is brought up to date.
        if (removed)
            refresh();
        m_formNote->setText(QStringLiteral("投注没有删除：%1")
                                .arg(removed ? QStringLiteral("它已不在投注记录中（可能已被另一个程序删除）")
                                     : db    ? db->userError()
                                             : other.lastError()));
        return false;
    }
    refresh();
    m_formNote->setText(plan ? QStringLiteral("已撤销追号计划 %1 从第 %2 期起的 %3 注投注").arg(*plan).arg(s.bet.issue).arg(*removed)
                             : QStringLiteral("已删除：%1").arg(which));
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
