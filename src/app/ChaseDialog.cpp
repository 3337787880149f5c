#include "ChaseDialog.h"

#include "AnalysisWindows.h"
#include "BetTable.h"
#include "ChartScale.h"
#include "Clock.h"
#include "GridModel.h"
#include "GridView.h"
#include "HistoryCommands.h"
#include "IssueNumbers.h"
#include "Ledger.h"
#include "ProvinceTable.h"
#include "Settings.h"
#include "Widgets.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFont>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

using Widgets::named;

namespace {

const QStringList header{QStringLiteral("期号"), QStringLiteral("倍数"), QStringLiteral("投注额"), QStringLiteral("累计投入"),
                         QStringLiteral("中奖奖金"), QStringLiteral("中奖净收益")};

class PlanRows : public GridRows
{
public:
    explicit PlanRows(std::vector<Chase::Row> rows) : m_rows(std::move(rows)) {}
    int count() const override { return int(m_rows.size()); }
    QString text(int row, int col) const override
    {
        if (row < 0 || row >= count())
            return {};
        const Chase::Row &r = m_rows[size_t(row)];
        const qint64 values[] = {r.issue, r.multiple, r.cost, r.spent, r.win, r.netIfWin};
        return col >= 0 && col < 6 ? QString::number(values[col]) : QString();
    }

private:
    std::vector<Chase::Row> m_rows;
};

} // namespace

ChaseDialog::ChaseDialog(HistoryCommands *commands, const AppServices &services, int play, const QString &numbers,
                         const QString &issue, QWidget *parent)
    : QDialog(parent)
    , m_commands(commands)
    , m_services(services)
{
    setObjectName(QStringLiteral("ChaseDialog"));
    setWindowTitle(QStringLiteral("追号 — %1").arg(ProvinceTable::at(commands->game().index).caption));
    resize(780, 720);
    auto *layout = new QVBoxLayout(this);
    m_honest = named(new QLabel, QStringLiteral("lblZhZuihuai"));
    m_honest->setWordWrap(true);
    m_honest->setAccessibleName(QStringLiteral("最坏情况与公平开奖的平均"));
    m_honest->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont strong = m_honest->font();
    strong.setBold(true);
    m_honest->setFont(strong);
    layout->addWidget(m_honest);

    const auto spin = [](const QString &name, const QString &accessible, int low, int high, int value) {
        auto *box = named(new QSpinBox, name);
        box->setRange(low, high);
        box->setValue(value);
        box->setAccessibleName(accessible);
        return box;
    };
    m_play = named(new QComboBox, QStringLiteral("cboZhWanfa"));
    m_play->addItems(Plays::names());
    m_play->setCurrentIndex(play);
    m_play->setAccessibleName(QStringLiteral("玩法"));
    m_numbers = named(new QLineEdit(numbers), QStringLiteral("txtZhHaoma"));
    m_numbers->setAccessibleName(QStringLiteral("号码"));
    m_first = named(new QLineEdit(issue), QStringLiteral("txtZhQihao"));
    m_first->setValidator(new QIntValidator(1, std::numeric_limits<int>::max(), m_first));
    m_first->setAccessibleName(QStringLiteral("第一期"));
    m_issues = spin(QStringLiteral("spnZhQishu"), QStringLiteral("追号期数"), 1, Chase::maxIssues, 10);
    m_multiple = spin(QStringLiteral("spnZhBeishu"), QStringLiteral("起始倍数"), 1, Chase::largestMultiple, 1);
    m_rule = named(new QComboBox, QStringLiteral("cboZhGuize"));
    for (const Chase::Rule rule : {Chase::Rule::Same, Chase::Rule::Double, Chase::Rule::Profit})
        m_rule->addItem(Chase::ruleName(rule));
    m_rule->setAccessibleName(QStringLiteral("倍数规则"));
    m_rate = spin(QStringLiteral("spnZhLirunlv"), QStringLiteral("利润率"), 0, Chase::maxRate, 30);
    m_rate->setSuffix(QStringLiteral("%"));
    m_maxMultiple = spin(QStringLiteral("spnZhZuida"), QStringLiteral("最大倍数"), 1, Chase::largestMultiple, Chase::largestMultiple);
    m_budget = spin(QStringLiteral("spnZhYusuan"), QStringLiteral("预算（元），0 为不限"), 0, 1'000'000'000, 0);
    m_budget->setSpecialValueText(QStringLiteral("不限"));
    m_budget->setSuffix(QStringLiteral(" 元"));
    m_keep = named(new QCheckBox(QStringLiteral("中奖后继续追(&K)")), QStringLiteral("chkZhJixu"));

    auto *inputs = new QHBoxLayout;
    auto *left = new QFormLayout, *right = new QFormLayout;
    left->addRow(QStringLiteral("玩法(&P)"), m_play);
    left->addRow(QStringLiteral("号码(&N)"), m_numbers);
    left->addRow(QStringLiteral("第一期(&I)"), m_first);
    left->addRow(QStringLiteral("期数(&Q)"), m_issues);
    left->addRow(QStringLiteral("起始倍数(&M)"), m_multiple);
    right->addRow(QStringLiteral("规则(&R)"), m_rule);
    right->addRow(QStringLiteral("利润率(&L)"), m_rate);
    right->addRow(QStringLiteral("最大倍数(&X)"), m_maxMultiple);
    right->addRow(QStringLiteral("预算(&B)"), m_budget);
    right->addRow(QString(), m_keep);
    inputs->addLayout(left);
    inputs->addLayout(right);
    layout->addLayout(inputs);

    m_grid = new GridModel(this);
    m_grid->setCols(int(header.size()));
    m_grid->setRows(1);
    for (int c = 0; c < int(header.size()); ++c)
        m_grid->setCellText(0, c, header[c]);
    auto *table = named(new GridView(m_grid), QStringLiteral("grdZhuihao"));
    table->setAccessibleName(QStringLiteral("追号计划的各期"));
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    layout->addWidget(table, 2);
    m_chart = named(new QChartView, QStringLiteral("chtZhuihao"));
    m_chart->setRenderHint(QPainter::Antialiasing);
    m_chart->setMinimumHeight(260);
    layout->addWidget(m_chart, 3);

    auto *buttons = new QDialogButtonBox;
    m_place = named(buttons->addButton(QStringLiteral("下单(&O)"), QDialogButtonBox::AcceptRole), QStringLiteral("cmdZhXiadan"));
    buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
    connect(m_place, &QPushButton::clicked, this, [this] {
        if (place())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    for (QSpinBox *box : {m_issues, m_multiple, m_rate, m_maxMultiple, m_budget})
        connect(box, &QSpinBox::valueChanged, this, &ChaseDialog::remake);
    for (QLineEdit *edit : {m_numbers, m_first})
        connect(edit, &QLineEdit::textChanged, this, &ChaseDialog::remake);
    for (QComboBox *box : {m_play, m_rule})
        connect(box, &QComboBox::currentIndexChanged, this, &ChaseDialog::remake);
    connect(m_keep, &QCheckBox::toggled, this, &ChaseDialog::remake);
    remake();
}

std::optional<Chase::Request> ChaseDialog::request(QString *why) const
{
    const int game = m_commands->game().index;
    bool ok = false;
    const qint32 first = m_first->text().toInt(&ok);
    if (!ok) {
        *why = QStringLiteral("第一期 %1 不对：应为 YYMMDDNNN").arg(m_first->text());
        return std::nullopt;
    }
    *why = Ledger::issueProblem(first, game);
    if (why->isEmpty() && game != ProvinceTable::runningIssueGame)
        *why = IssueNumbers::unsoundSequence(first, m_commands->game().drawsPerDay);
    if (!why->isEmpty())
        return std::nullopt;
    const Plays::Play play = Plays::Play(m_play->currentIndex());
    const std::optional<Plays::Choice> choice = Plays::choice(play, m_numbers->isEnabled() ? m_numbers->text() : QString(), why);
    if (!choice)
        return std::nullopt;
    Chase::Request r;
    r.choice = *choice;
    r.game = game;
    r.drawsPerDay = m_commands->game().drawsPerDay;
    r.firstIssue = first;
    r.issues = m_issues->value();
    r.multiple = m_multiple->value();
    r.rule = Chase::Rule(m_rule->currentIndex());
    r.rate = m_rate->value();
    r.maxMultiple = m_maxMultiple->value();
    r.budget = m_budget->value() > 0 ? std::optional<qint64>(m_budget->value()) : std::nullopt;
    r.keepAfterWin = m_keep->isChecked();
    return r;
}

void ChaseDialog::remake()
{
    const Plays::Play play = Plays::Play(m_play->currentIndex());
    m_numbers->setEnabled(play != Plays::Play::TripleAny && play != Plays::Play::RunAny);
    m_rate->setEnabled(m_rule->currentIndex() == int(Chase::Rule::Profit));
    QString why;
    const std::optional<Chase::Request> r = request(&why);
    m_plan = r ? Chase::make(*r, Settings().prizes(m_commands->game().index), &why) : std::nullopt;
    m_place->setEnabled(m_plan.has_value());
    m_grid->setRowSource(std::make_shared<PlanRows>(m_plan ? m_plan->rows : std::vector<Chase::Row>{}));
    QChart *shown = m_chart->chart();
    if (!m_plan) {
        m_honest->setText(why);
        m_chart->setChart(new QChart);
        delete shown;
        return;
    }
    QString text = Chase::honestLine(*m_plan);
    if (const QString stopped = Chase::stoppedByText(m_plan->stoppedBy, r->maxMultiple, r->budget); !stopped.isEmpty())
        text += QLatin1Char('\n') + stopped;
    m_honest->setText(text);
    auto *spent = new QLineSeries, *net = new QLineSeries;
    spent->setName(QStringLiteral("累计投入"));
    net->setName(QStringLiteral("在这一期中奖的净收益"));
    double low = 0, high = 0;
    for (size_t k = 0; k < m_plan->rows.size(); ++k) {
        const Chase::Row &row = m_plan->rows[k];
        spent->append(double(k + 1), double(row.spent));
        net->append(double(k + 1), double(row.netIfWin));
        low = std::min({low, double(row.netIfWin)});
        high = std::max({high, double(row.spent), double(row.netIfWin)});
    }
    auto *chart = new QChart;
    chart->addSeries(spent);
    chart->addSeries(net);
    addValueAxis(chart, ChartScale::around(1, double(std::max<size_t>(m_plan->rows.size(), 2))), Qt::AlignBottom,
                 QStringLiteral("第几期"));
    addValueAxis(chart, ChartScale::around(low, high), Qt::AlignLeft, QStringLiteral("元"));
    m_chart->setChart(chart);
    delete shown;
}

bool ChaseDialog::place()
{
    QString why;
    const std::optional<Chase::Request> r = request(&why);
    if (!r || !m_plan)
        return false;
    const QString folder = m_services.programFolder;
    const QDateTime now = m_services.clock->now();
    const qint64 today = Ledger::placedOn(folder, GameFiles::readMain(folder), m_commands->unrecordedGame(), now.date());
    if (const QString over = Ledger::overDailyLimit(today, m_plan->worstCase, Settings().dailyLimit()); !over.isEmpty()) {
        m_honest->setText(over);
        return false;
    }
    const std::optional<qint64> id = Chase::place(m_commands->history(), *r, *m_plan, Ledger::placedText(now));
    if (!id) {
        m_honest->setText(QStringLiteral("追号计划没有保存：%1").arg(m_commands->history().userError()));
        return false;
    }
    emit placed(*id, int(m_plan->rows.size()), m_plan->worstCase);
    return true;
}
