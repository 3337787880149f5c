// 投注记录's other views of the bets: every game's, the chart and the workbook.
#include "BetWindow.h"

#include "AnalysisWindows.h"
#include "BetRows.h"
#include "BusyCursor.h"
#include "ChartScale.h"
#include "Dialogs.h"
#include "GridActions.h"
#include "HistoryCommands.h"
#include "Launcher.h"
#include "Settings.h"
#include "Workbook.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineSeries>
#include <cmath>

using namespace BetRowsText;

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
    return lines.join(QLatin1Char('\n')) + todayLine();
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
        if (it->state == Ledger::State::Pending || it->state == Ledger::State::Withdrawn)
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
