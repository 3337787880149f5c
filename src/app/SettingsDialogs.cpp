#include "SettingsDialogs.h"

#include "Widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

using Widgets::named;

namespace {

QDialogButtonBox *buttons(QDialog *dialog, const std::function<void()> &restore, const QString &restoreText)
{
    auto *box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults);
    box->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    box->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    box->button(QDialogButtonBox::RestoreDefaults)->setText(restoreText);
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    QObject::connect(box->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, dialog, restore);
    return box;
}

} // namespace

PrizeTableDialog::PrizeTableDialog(const Tables &current, int game, QWidget *parent)
    : QDialog(parent)
    , m_tables(current)
    , m_game(std::clamp(game, 0, ProvinceTable::Count - 1))
{
    setObjectName(QStringLiteral("PrizeTableDialog"));
    setWindowTitle(QStringLiteral("奖金表"));
    auto *layout = new QVBoxLayout(this);
    auto *explain = new QLabel(QStringLiteral("每注 2 元的奖金（元）。各省的奖金可能与全国统一的不同，按本省的填写；"
                                              "这个彩种的遗漏统计和投注记录都按它的表计算。"));
    explain->setWordWrap(true);
    layout->addWidget(explain);
    auto *which = new QHBoxLayout;
    m_games = named(new QComboBox(this), QStringLiteral("cboJiangjinCaizhong"));
    for (int g = 0; g < ProvinceTable::Count; ++g)
        m_games->addItem(ProvinceTable::at(g).caption);
    m_games->setAccessibleName(QStringLiteral("奖金表的彩种"));
    auto *gameLabel = new QLabel(QStringLiteral("彩种(&C)"));
    gameLabel->setBuddy(m_games);
    m_national = named(new QCheckBox(QStringLiteral("与全国统一奖金相同(&N)"), this), QStringLiteral("chkJiangjinQuanguo"));
    which->addWidget(gameLabel);
    which->addWidget(m_games);
    which->addSpacing(12);
    which->addWidget(m_national);
    which->addStretch(1);
    layout->addLayout(which);
    auto *grid = new QGridLayout;
    const auto box = [this](const QString &name, const QString &accessible) {
        auto *spin = named(new QSpinBox(this), name);
        spin->setRange(1, 100'000'000);
        spin->setAccessibleName(accessible);
        return spin;
    };
    for (int sum = 3; sum <= 18; ++sum) {
        m_sums[size_t(sum)] = box(QStringLiteral("spnJiangjinHz%1").arg(sum), QStringLiteral("和值 %1 的奖金").arg(sum));
        auto *label = new QLabel(QStringLiteral("和值 %1").arg(sum));
        label->setBuddy(m_sums[size_t(sum)]);
        const int row = sum <= 10 ? sum - 3 : 18 - sum, col = sum <= 10 ? 0 : 2;
        grid->addWidget(label, row, col);
        grid->addWidget(m_sums[size_t(sum)], row, col + 1);
    }
    for (int p = 1; p < Plays::playCount; ++p) {
        const QString name = Plays::name(Plays::Play(p));
        m_plays[size_t(p)] = box(QStringLiteral("spnJiangjin%1").arg(p), name + QStringLiteral("的奖金"));
        auto *label = new QLabel(name);
        label->setBuddy(m_plays[size_t(p)]);
        grid->addWidget(label, p - 1, 4);
        grid->addWidget(m_plays[size_t(p)], p - 1, 5);
    }
    layout->addLayout(grid);
    layout->addWidget(buttons(this, [this] { m_national->setChecked(true); }, QStringLiteral("全国统一奖金(&D)")));
    // The national prizes are shown, greyed, while the game pays them; unticking starts from them.
    connect(m_national, &QCheckBox::toggled, this, [this](bool national) {
        if (national)
            show(Plays::PrizeTable());
        for (QSpinBox *spin : m_sums)
            if (spin)
                spin->setEnabled(!national);
        for (QSpinBox *spin : m_plays)
            if (spin)
                spin->setEnabled(!national);
    });
    connect(m_games, &QComboBox::currentIndexChanged, this, [this](int g) {
        m_tables[size_t(m_game)] = shown();
        showGame(g);
    });
    m_games->setCurrentIndex(m_game);
    showGame(m_game);
}

void PrizeTableDialog::showGame(int game)
{
    m_game = game;
    const std::optional<Plays::PrizeTable> &own = m_tables[size_t(game)];
    show(own.value_or(Plays::PrizeTable()));
    m_national->setChecked(!own);
    emit m_national->toggled(!own); // the boxes' state even when the tick did not change
}

void PrizeTableDialog::show(const Plays::PrizeTable &table)
{
    for (int sum = 3; sum <= 18; ++sum)
        m_sums[size_t(sum)]->setValue(table.sumPrize(sum));
    for (int p = 1; p < Plays::playCount; ++p)
        m_plays[size_t(p)]->setValue(table.playPrize(Plays::Play(p)));
}

std::optional<Plays::PrizeTable> PrizeTableDialog::shown() const
{
    if (m_national->isChecked())
        return std::nullopt;
    Plays::PrizeTable table;
    for (int sum = 3; sum <= 18; ++sum)
        table.setSumPrize(sum, m_sums[size_t(sum)]->value());
    for (int p = 1; p < Plays::playCount; ++p)
        table.setPlayPrize(Plays::Play(p), m_plays[size_t(p)]->value());
    return table;
}

PrizeTableDialog::Tables PrizeTableDialog::tables() const
{
    Tables all = m_tables;
    all[size_t(m_game)] = shown();
    return all;
}

DrawsPerDayDialog::DrawsPerDayDialog(const std::array<int, ProvinceTable::Count> &current, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DrawsPerDayDialog"));
    setWindowTitle(QStringLiteral("每天期数"));
    auto *layout = new QVBoxLayout(this);
    auto *explain = new QLabel(QStringLiteral("各彩种现在每天开奖的期数（每 10 分钟一期约 78~87 期，每 20 分钟一期约 40 期）。"
                                              "下一期期号、跨天、验证和在线更新都按这里的期数。"));
    explain->setWordWrap(true);
    layout->addWidget(explain);
    auto *grid = new QGridLayout;
    for (int i = 0; i < ProvinceTable::Count; ++i) {
        const QString caption = ProvinceTable::at(i).caption;
        auto *spin = named(new QSpinBox(this), QStringLiteral("spnMeitian%1").arg(i));
        spin->setRange(1, ProvinceTable::maxDrawsPerDay);
        spin->setValue(current[size_t(i)]);
        spin->setAccessibleName(caption + QStringLiteral("每天期数"));
        auto *label = new QLabel(caption);
        label->setBuddy(spin);
        grid->addWidget(label, i % 8, (i / 8) * 2);
        grid->addWidget(spin, i % 8, (i / 8) * 2 + 1);
        m_games[size_t(i)] = spin;
    }
    layout->addLayout(grid);
    layout->addWidget(buttons(
        this,
        [this] {
            for (int i = 0; i < ProvinceTable::Count; ++i)
                m_games[size_t(i)]->setValue(ProvinceTable::at(i).drawsPerDay);
        },
        QStringLiteral("恢复原来的期数(&D)")));
}

std::array<int, ProvinceTable::Count> DrawsPerDayDialog::perDay() const
{
    std::array<int, ProvinceTable::Count> perDay{};
    for (int i = 0; i < ProvinceTable::Count; ++i)
        perDay[size_t(i)] = m_games[size_t(i)]->value();
    return perDay;
}

ScheduleDialog::ScheduleDialog(const Schedules &current, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ScheduleDialog"));
    setWindowTitle(QStringLiteral("开奖时间"));
    auto *layout = new QVBoxLayout(this);
    auto *explain = new QLabel(QStringLiteral("各彩种每天第一期的开奖时间（北京时间）和每期相隔的分钟数。知道时，状态栏显示下一期约在几点开奖，"
                                              "过时未开奖会提醒；不知道的不要填，软件不会自己编造时间。"));
    explain->setWordWrap(true);
    layout->addWidget(explain);
    auto *grid = new QGridLayout;
    for (int i = 0; i < ProvinceTable::Count; ++i) {
        const QString caption = ProvinceTable::at(i).caption;
        m_known[size_t(i)] = named(new QCheckBox(caption), QStringLiteral("chkKaijiang%1").arg(i));
        m_first[size_t(i)] = named(new QTimeEdit, QStringLiteral("tmeKaijiang%1").arg(i));
        m_first[size_t(i)]->setDisplayFormat(QStringLiteral("HH:mm"));
        m_first[size_t(i)]->setAccessibleName(caption + QStringLiteral("第一期开奖时间"));
        m_interval[size_t(i)] = named(new QSpinBox, QStringLiteral("spnKaijiang%1").arg(i));
        m_interval[size_t(i)]->setRange(1, 120);
        m_interval[size_t(i)]->setSuffix(QStringLiteral(" 分钟"));
        m_interval[size_t(i)]->setAccessibleName(caption + QStringLiteral("每期间隔"));
        const std::optional<DrawClock::Schedule> &known = current[size_t(i)];
        m_known[size_t(i)]->setChecked(known.has_value());
        m_first[size_t(i)]->setTime(known ? known->firstDraw : QTime(8, 30));
        m_interval[size_t(i)]->setValue(known ? known->intervalMinutes : 10);
        for (QWidget *w : {static_cast<QWidget *>(m_first[size_t(i)]), static_cast<QWidget *>(m_interval[size_t(i)])}) {
            w->setEnabled(known.has_value());
            connect(m_known[size_t(i)], &QCheckBox::toggled, w, &QWidget::setEnabled);
        }
        const int row = i % 8, col = (i / 8) * 3;
        grid->addWidget(m_known[size_t(i)], row, col);
        grid->addWidget(m_first[size_t(i)], row, col + 1);
        grid->addWidget(m_interval[size_t(i)], row, col + 2);
    }
    layout->addLayout(grid);
    layout->addWidget(buttons(
        this,
        [this] {
            for (QCheckBox *known : m_known)
                known->setChecked(false);
        },
        QStringLiteral("全部未知(&D)")));
}

ScheduleDialog::Schedules ScheduleDialog::schedules() const
{
    Schedules all;
    for (int i = 0; i < ProvinceTable::Count; ++i)
        if (m_known[size_t(i)]->isChecked())
            all[size_t(i)] = DrawClock::Schedule{m_first[size_t(i)]->time(), m_interval[size_t(i)]->value()};
    return all;
}
