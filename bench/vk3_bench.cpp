// Benchmarks of the window's operations on generated histories, and the history generator itself:
//   vk3-bench [benchmark options]
//   vk3-bench --generate-text FILE | --generate-db FOLDER  [--draws N] [--seed S] [--game INDEX]
#include "Backtest.h"
#include "BetTable.h"
#include "ChasePlan.h"
#include "Cli.h"
#include "Clock.h"
#include "CombinationSearch.h"
#include "Derivation.h"
#include "Dialogs.h"
#include "FairDice.h"
#include "FollowSearch.h"
#include "GridExport.h"
#include "GridModel.h"
#include "HistoryDb.h"
#include "HistoryGenerator.h"
#include "HistoryGrid.h"
#include "HistoryText.h"
#include "DrawText.h"
#include "HistoryWriter.h"
#include "HtmlText.h"
#include "Launcher.h"
#include "MainWindow.h"
#include "OnlineUpdate.h"
#include "PageLoader.h"
#include "PatternRefresh.h"
#include "ProvinceTable.h"
#include "ResultGrids.h"
#include "Settings.h"
#include "TrendOmission.h"
#include "TrendWindow.h"

#include <algorithm>
#include <QAction>
#include <QComboBox>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>
#include <algorithm>
#include <map>

namespace {

// Says yes to every question and gives the prepared answers.
class SilentDialogs : public Dialogs
{
public:
    bool question(QWidget *, const QString &, const QString &, const QString &) override { return true; }
    std::optional<bool> yesNo(QWidget *, const QString &, const QString &) override { return true; }
    void message(QWidget *, const QString &, const QString &text) override
    {
        qWarning("message: %s", qPrintable(text));
    }
    std::optional<QString> input(QWidget *, const QString &, const QString &, const QString &) override
    {
        return inputAnswer;
    }
    QString openFile(QWidget *, const QString &, const QString &, const QString &) override
    {
        return fileAnswer;
    }
    std::optional<int> choose(QWidget *, const QString &, const QString &, const QStringList &) override
    {
        return std::nullopt;
    }

    std::optional<QString> inputAnswer;
    QString fileAnswer;
};

class NoLauncher : public Launcher
{
public:
    bool openFile(const QString &) override { return true; }
};

QTemporaryDir &workDir()
{
    static QTemporaryDir dir;
    return dir;
}

// A program folder holding a generated history of `draws` draws of 吉林快3 (87 a day).
QString folderWith(int draws)
{
    static std::map<int, QString> folders;
    auto it = folders.find(draws);
    if (it != folders.end())
        return it->second;
    const QString folder = workDir().filePath(QStringLiteral("history-%1").arg(draws));
    QDir().mkpath(folder);
    if (!HistoryGenerator::writeDatabase(folder, HistoryGenerator::generate(draws, 87)))
        qFatal("cannot write the benchmark history");
    return folders[draws] = folder;
}

SilentDialogs &dialogs()
{
    static SilentDialogs dialogs;
    return dialogs;
}

AppServices services(const QString &folder)
{
    static NoLauncher launcher;
    static SystemClock clock;
    static HttpPageLoader pageLoader;
    return {&dialogs(), &launcher, &clock, &pageLoader, folder, folder, folder, nullptr};
}

void BM_StartUpToShownWindow(benchmark::State &state)
{
    const QString folder = folderWith(int(state.range(0)));
    for (auto _ : state) {
        MainWindow window(services(folder));
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            state.SkipWithError("window not shown");
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_StartUpToShownWindow)->Arg(1392)->Arg(300000)->Arg(1000000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// 彩种选择 between two games whose histories hold N draws each: the window shows the other one.
void BM_SwitchGame(benchmark::State &state)
{
    const int draws = int(state.range(0));
    const QString folder = workDir().filePath(QStringLiteral("two-games-%1").arg(draws));
    if (!QFile::exists(QDir(folder).filePath(QStringLiteral("vendrixK3_jl.db")))) {
        QDir().mkpath(folder);
        const QString source = QDir(folderWith(draws)).filePath(HistoryDb::fileName());
        for (const auto &[file, game] : {std::pair{QStringLiteral("vendrixK3.db"), 0}, std::pair{QStringLiteral("vendrixK3_jl.db"), 8}}) {
            QFile::copy(source, QDir(folder).filePath(file));
            HistoryDb db;
            db.open(QDir(folder).filePath(file));
            db.recordGame(game);
        }
    }
    MainWindow window(services(folder));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        state.SkipWithError("window not shown");
    int n = 0;
    for (auto _ : state) {
        window.findChild<QAction *>(QStringLiteral("mnuK3(%1)").arg(n++ % 2 ? 0 : 8))->trigger();
        QCoreApplication::processEvents();
    }
    if (window.snapshot().count() != draws)
        state.SkipWithError("the other game's history was not shown");
}
BENCHMARK(BM_SwitchGame)->Arg(1392)->Arg(300000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_AddHaoma(benchmark::State &state)
{
    MainWindow window(services(folderWith(int(state.range(0)))));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        state.SkipWithError("window not shown");
    for (auto _ : state) {
        window.commands().reload(), window.refresh();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_AddHaoma)->Arg(1392)->Arg(300000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_OpenSnapshot(benchmark::State &state)
{
    HistoryDb db;
    db.open(QDir(folderWith(int(state.range(0)))).filePath(HistoryDb::fileName()));
    for (auto _ : state)
        benchmark::DoNotOptimize(db.snapshot());
}
BENCHMARK(BM_OpenSnapshot)->Arg(1392)->Arg(300000)->Unit(benchmark::kMillisecond);

void BM_FillHistoryGrid(benchmark::State &state)
{
    HistoryDb db;
    db.open(QDir(folderWith(int(state.range(0)))).filePath(HistoryDb::fileName()));
    const HistorySnapshot snapshot = *db.snapshot();
    GridModel grid;
    for (auto _ : state)
        HistoryGrid::fill(grid, snapshot);
}
BENCHMARK(BM_FillHistoryGrid)->Arg(1392)->Arg(300000)->Unit(benchmark::kMillisecond);

// A search as the window runs it: the pattern of the latest draw, the whole history as range,
// then both result grids filled.
enum class SearchKind { FreePrevious, FixedThreeBack, CombinationTwoFree, FixedAlternatingN };

void runSearch(benchmark::State &state, SearchKind kind)
{
    HistoryDb db;
    db.open(QDir(folderWith(int(state.range(0)))).filePath(HistoryDb::fileName()));
    const HistorySnapshot snapshot = *db.snapshot();
    SearchState search;
    search.bolZyw = kind == SearchKind::FreePrevious || kind == SearchKind::CombinationTwoFree;
    search.bolSq = kind == SearchKind::FreePrevious || kind == SearchKind::CombinationTwoFree;
    search.intPreQi = 3;
    search.intPattern = *PatternRefresh::latestPattern(snapshot, search);
    const IssueRange range{snapshot.first().sqqh, snapshot.last().sqqh};
    GridModel list, statistics;
    qint64 rows = 0;
    for (auto _ : state) {
        if (kind == SearchKind::FixedAlternatingN)
            search.intPreQi = search.intPreQi == 3 ? 2 : 3;
        auto result = std::make_shared<const SearchResult>(
            kind == SearchKind::CombinationTwoFree
                ? CombinationSearch::run(snapshot, search, 2, range)
                : FollowSearch::run(snapshot, search, {true, true, true}, range));
        rows = qint64(result->rows.size());
        ResultGrids::fill(list, statistics, std::move(result));
    }
    state.counters["results"] = double(rows);
}

// The engine alone: result set and tally of a free 上期 search over three positions, no grid.
void BM_SearchOnly(benchmark::State &state)
{
    HistoryDb db;
    db.open(QDir(folderWith(int(state.range(0)))).filePath(HistoryDb::fileName()));
    const HistorySnapshot snapshot = *db.snapshot();
    SearchState search;
    search.intPattern = *PatternRefresh::latestPattern(snapshot, search);
    const IssueRange range{snapshot.first().sqqh, snapshot.last().sqqh};
    qint64 rows = 0;
    for (auto _ : state) {
        const SearchResult result = FollowSearch::run(snapshot, search, {true, true, true}, range);
        rows = qint64(result.rows.size());
        benchmark::DoNotOptimize(result.tally.data());
    }
    state.counters["results"] = double(rows);
}
BENCHMARK(BM_SearchOnly)->Arg(30000)->Arg(300000)->Unit(benchmark::kMillisecond)->MinTime(2);

// A walk-forward backtest of every draw with the default options, K = 1.
void BM_Backtest(benchmark::State &state)
{
    HistoryDb db;
    db.open(QDir(folderWith(int(state.range(0)))).filePath(HistoryDb::fileName()));
    const HistorySnapshot snapshot = *db.snapshot();
    int played = 0;
    for (auto _ : state)
        played = Backtest::run(snapshot, SearchState(), {true, true, true}, snapshot.first().sqqh,
                               snapshot.last().sqqh, 1)
                     ->played;
    state.counters["played"] = played;
}
BENCHMARK(BM_Backtest)->Arg(30000)->Unit(benchmark::kMillisecond)->MinTime(2);

// Fair-dice statistics of a search's tally: group over two positions of a sorted history takes
// the simulation, the costlier case.
void BM_FairDice(benchmark::State &state)
{
    HistoryDb db;
    db.open(QDir(folderWith(int(state.range(0)))).filePath(HistoryDb::fileName()));
    const HistorySnapshot snapshot = *db.snapshot();
    SearchState search;
    search.intConsqSort = qint16(state.range(1));
    search.intPattern = *PatternRefresh::latestPattern(snapshot, search);
    const SearchResult result = FollowSearch::run(snapshot, search, {true, true, true},
                                                  {snapshot.first().sqqh, snapshot.last().sqqh});
    for (auto _ : state)
        benchmark::DoNotOptimize(FairDice::of(result, search, state.range(1) != 3));
}
BENCHMARK(BM_FairDice)->Args({300000, 3})->Args({300000, 2})->Unit(benchmark::kMillisecond)->MinTime(2);

// 走势与遗漏: the omission table and both independence tables over the newest N draws (all of
// 300,000: the chi-square case; 5,000: the simulated one), and the trend rows of the newest 100.
void BM_Omission(benchmark::State &state)
{
    HistoryDb db;
    db.open(QDir(folderWith(300000)).filePath(HistoryDb::fileName()));
    const HistorySnapshot snapshot = *db.snapshot();
    const int begin = snapshot.count() - int(state.range(0));
    QStringList methods;
    for (auto _ : state) {
        const TrendOmission::Omission o = TrendOmission::omission(snapshot, begin, snapshot.count());
        methods = {o.independence[0].method, o.independence[1].method};
    }
    state.SetLabel(methods.join(QLatin1Char(' ')).toStdString());
}
BENCHMARK(BM_Omission)->Arg(300000)->Arg(5000)->Arg(4000)->Arg(1000)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_TrendRows(benchmark::State &state)
{
    HistoryDb db;
    db.open(QDir(folderWith(300000)).filePath(HistoryDb::fileName()));
    const HistorySnapshot snapshot = *db.snapshot();
    for (auto _ : state)
        benchmark::DoNotOptimize(TrendOmission::trend(snapshot, int(state.range(0))));
}
BENCHMARK(BM_TrendRows)->Arg(100)->Arg(100000)->Unit(benchmark::kMicrosecond)->MinTime(1);

// The 走势与遗漏 window over a 100,000-draw history showing its newest N draws: opened and shown,
// and following a draw added at the end.
const HistorySnapshot &trendHistory()
{
    static const HistorySnapshot snapshot = [] {
        HistoryDb db;
        db.open(QDir(folderWith(100000)).filePath(HistoryDb::fileName()));
        return *db.snapshot();
    }();
    return snapshot;
}

void showTrendLength(TrendWindow &window, int length)
{
    window.trendLength()->setCurrentText(QString::number(length));
    emit window.trendLength()->lineEdit()->returnPressed();
}

void BM_TrendWindowShow(benchmark::State &state)
{
    const HistorySnapshot &history = trendHistory();
    for (auto _ : state) {
        TrendWindow window([&]() -> const HistorySnapshot & { return history; }, services(folderWith(100000)));
        showTrendLength(window, int(state.range(0)));
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            state.SkipWithError("window not shown");
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_TrendWindowShow)->Arg(100)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_TrendWindowAppend(benchmark::State &state)
{
    HistorySnapshot history = trendHistory();
    TrendWindow window([&]() -> const HistorySnapshot & { return history; }, services(folderWith(100000)));
    showTrendLength(window, int(state.range(0)));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        state.SkipWithError("window not shown");
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const DrawCore last = history.last();
        const Numbers numbers{qint16(1 + n % 6), qint16(1 + n / 6 % 6), qint16(1 + n / 36 % 6)};
        ++n;
        history.append(*Derivation::makeRow(last.sqqh + 1, numbers, &last, 1));
        state.ResumeTiming();
        window.refresh();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_TrendWindowAppend)->Arg(100)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The result list filled with every draw of the history (a search with no chosen position).
void BM_FillResultGrid(benchmark::State &state)
{
    HistoryDb db;
    db.open(QDir(folderWith(int(state.range(0)))).filePath(HistoryDb::fileName()));
    const HistorySnapshot snapshot = *db.snapshot();
    const auto result = std::make_shared<const SearchResult>(FollowSearch::run(
        snapshot, SearchState(), {false, false, false}, {snapshot.first().sqqh, snapshot.last().sqqh}));
    GridModel list, statistics;
    for (auto _ : state)
        ResultGrids::fill(list, statistics, result);
    state.counters["results"] = double(result->rows.size());
}
BENCHMARK(BM_FillResultGrid)->Arg(300000)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_SearchFreePrevious(benchmark::State &state)
{
    runSearch(state, SearchKind::FreePrevious);
}
void BM_SearchFixedThreeBack(benchmark::State &state)
{
    runSearch(state, SearchKind::FixedThreeBack);
}
void BM_CombinationTwoFree(benchmark::State &state)
{
    runSearch(state, SearchKind::CombinationTwoFree);
}
void BM_SearchFixedAlternatingN(benchmark::State &state)
{
    runSearch(state, SearchKind::FixedAlternatingN);
}
BENCHMARK(BM_SearchFreePrevious)
    ->Arg(1392)
    ->Arg(30000)
    ->Arg(300000)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3);
BENCHMARK(BM_SearchFixedThreeBack)
    ->Arg(1392)
    ->Arg(30000)
    ->Arg(300000)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3);
BENCHMARK(BM_CombinationTwoFree)
    ->Arg(1392)
    ->Arg(30000)
    ->Arg(300000)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3);
BENCHMARK(BM_SearchFixedAlternatingN)
    ->Arg(1392)
    ->Arg(30000)
    ->Arg(300000)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3);

// A copy of a generated history, for benchmarks that change it.
QString scratchFolderWith(int draws)
{
    const QString folder = workDir().filePath(QStringLiteral("scratch"));
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    QFile::copy(QDir(folderWith(draws)).filePath(HistoryDb::fileName()),
                QDir(folder).filePath(HistoryDb::fileName()));
    return folder;
}

// The import command on a 300,000-line file, grid and displays included; the second argument 1
// lists the file newest first, as most results pages do.
void BM_ImportTextFile(benchmark::State &state)
{
    const QString folder = scratchFolderWith(1392);
    const QString file = QDir(folder).filePath(QStringLiteral("history.txt"));
    std::vector<TextDraw> draws = HistoryGenerator::generate(int(state.range(0)), 87, 7);
    if (state.range(1) == 1)
        std::reverse(draws.begin(), draws.end());
    HistoryText::writeFile(file, HistoryText::format(draws), nullptr);
    MainWindow window(services(folder));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        state.SkipWithError("window not shown");
    dialogs().fileAnswer = file;
    auto *button = window.findChild<QPushButton *>(QStringLiteral("cmdRdLst"));
    for (auto _ : state) {
        button->click();
        QCoreApplication::processEvents();
    }
    if (window.snapshot().count() != state.range(0))
        state.SkipWithError("import incomplete");
}
BENCHMARK(BM_ImportTextFile)->Args({300000, 0})->Args({300000, 1})->Unit(benchmark::kMillisecond)->MinTime(5);

// A draw stored into a gap near the start of a long history: its neighbours are chained to it.
void BM_GapFill(benchmark::State &state)
{
    const QString folder = scratchFolderWith(int(state.range(0)));
    HistoryDb db;
    db.open(QDir(folder).filePath(HistoryDb::fileName()));
    const qint32 first = db.snapshot()->first().sqqh;
    // Gaps made once, near the start, with plain SQL; the next read builds the packed copy
    // again, as the program's own would. Each run fills the next gap.
    constexpr int gaps = 1000;
    db.write([&] {
        return db.database().exec(QStringLiteral("DELETE FROM Lishi WHERE SQQH >= ? AND SQQH < ? AND (SQQH - ?) % 3 = 0"),
                                  {first + 5, first + 5 + 3 * gaps, first + 5});
    });
    db.snapshot();
    int filled = 0;
    for (auto _ : state) {
        if (!HistoryWriter::addDraw(db, first + 5 + 3 * (filled++ % gaps), {1, 2, 3}, 1, 87, 0))
            state.SkipWithError("gap not filled");
    }
}
BENCHMARK(BM_GapFill)->Arg(300000)->Unit(benchmark::kMillisecond)->Iterations(1000);

// The tolerant reader on what players paste or save: argument 0 a CSV of 100,000 rows with a
// date, a time and the sum; 1 a results page of about 5 MB (table rows, newest first).
void BM_ReadDraws(benchmark::State &state)
{
    std::vector<TextDraw> draws = HistoryGenerator::generate(100000, 87, 11);
    QByteArray content;
    if (state.range(0) == 0) {
        content = "期号,日期,时间,号码1,号码2,号码3,和值\n";
        for (const TextDraw &d : draws)
            content += QByteArray::number(d.issue) + ",2016-12-12,09:10," + QByteArray::number(d.numbers[0]) + ',' +
                       QByteArray::number(d.numbers[1]) + ',' + QByteArray::number(d.numbers[2]) + ',' +
                       QByteArray::number(d.numbers[0] + d.numbers[1] + d.numbers[2]) + '\n';
    } else {
        content = "<html><body><table>";
        for (auto it = draws.rbegin(); it != draws.rend() && content.size() < 5'000'000; ++it)
            content += "<tr><td>" + QByteArray::number(it->issue) + "</td><td>2016-12-12</td><td>09:10</td><td>" +
                       QByteArray::number(it->numbers[0]) + "</td><td>" + QByteArray::number(it->numbers[1]) + "</td><td>" +
                       QByteArray::number(it->numbers[2]) + "</td></tr>\n";
        content += "</table></body></html>";
    }
    size_t found = 0;
    for (auto _ : state)
        found = DrawText::readBytes(content).draws.size();
    state.counters["rows"] = double(found);
    state.counters["MB"] = double(content.size()) / 1e6;
}
BENCHMARK(BM_ReadDraws)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(3);

// Merging 1,000 new draws (after the last stored one) into a 300,000-draw history.
void BM_Merge(benchmark::State &state)
{
    const QString folder = scratchFolderWith(300000);
    HistoryDb db;
    db.open(QDir(folder).filePath(HistoryDb::fileName()));
    db.snapshot();
    // Each run merges 1,000 new draws after the last stored one, a year later each time.
    int year = 2030;
    for (auto _ : state) {
        state.PauseTiming();
        const std::vector<TextDraw> fresh = HistoryGenerator::generate(1000, 87, 5, QDate(year++, 1, 1));
        state.ResumeTiming();
        const auto merged = HistoryWriter::merge(db, fresh, 1, false);
        if (!merged || merged->added != 1000)
            state.SkipWithError("not merged");
    }
}
BENCHMARK(BM_Merge)->Unit(benchmark::kMillisecond)->Iterations(40);

// Three digits typed into the entry boxes: store, grid, displays and pattern.
void BM_ManualEntry(benchmark::State &state)
{
    // The generated histories have 87 draws a day: whichever game the window starts on is told so
    // (a game of 78 would refuse draw 088). Switching to 吉林快3 instead found the main file
    // recorded as the first game's on a first run, and an empty history.
    Settings settings;
    const std::array<int, 15> saved = settings.drawsPerDay();
    std::array<int, 15> perDay;
    perDay.fill(87);
    settings.setDrawsPerDay(perDay);
    MainWindow window(services(scratchFolderWith(int(state.range(0)))));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        state.SkipWithError("window not shown");
    QList<QLineEdit *> boxes;
    for (int p = 1; p <= 3; ++p)
        boxes << window.findChild<QLineEdit *>(QStringLiteral("MaskEdBox1(%1)").arg(p));
    const int before = window.snapshot().count();
    for (auto _ : state) {
        for (QLineEdit *box : boxes)
            QTest::keyClick(box, Qt::Key_3);
        QCoreApplication::processEvents();
    }
    settings.setDrawsPerDay(saved);
    if (window.snapshot().count() != before + int(state.iterations()))
        state.SkipWithError("draws not stored");
}
BENCHMARK(BM_ManualEntry)->Arg(1392)->Arg(300000)->Unit(benchmark::kMillisecond)->MinTime(3);

// "删除最后指定数量期历史": backup file, rebuild, compaction, displays.
void BM_DeleteLastWithRebuild(benchmark::State &state)
{
    MainWindow window(services(scratchFolderWith(int(state.range(0)))));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        state.SkipWithError("window not shown");
    dialogs().inputAnswer = QStringLiteral("3");
    QAction *command = window.findChild<QAction *>(QStringLiteral("mnuEszhzd"));
    for (auto _ : state) {
        command->trigger();
        QCoreApplication::processEvents();
    }
    dialogs().inputAnswer.reset();
}
BENCHMARK(BM_DeleteLastWithRebuild)->Arg(30000)->Unit(benchmark::kMillisecond)->MinTime(3);

// The update after the page arrived: finding 16 days × 87 draws in its text and appending them.
class ReadyPage : public PageLoader
{
public:
    Page load(const QUrl &, int) override { return page; }
    Page page;
};

void BM_UpdateFromLoadedPage(benchmark::State &state)
{
    const QDate today(2016, 12, 12);
    std::vector<TextDraw> draws;
    for (int d = 15; d >= 0; --d)
        for (int n = 1; n <= 87; ++n)
            draws.push_back({today.addDays(-d).toString(QStringLiteral("yyMMdd")).toInt() * 1000 + n,
                             {1, qint16(1 + n % 6), 6}});
    QByteArray html = "<html><body><table>";
    for (auto it = draws.rbegin(); it != draws.rend(); ++it) // newest first, as results pages list them
        html += "<tr><td>" + QByteArray::number(it->issue) + "<b>" + QByteArray::number(it->numbers[0]) +
                "</b>,<b>" + QByteArray::number(it->numbers[1]) + "</b>,<b>" +
                QByteArray::number(it->numbers[2]) + "</b></td></tr>";
    html += "</table></body></html>";
    ReadyPage loader;
    loader.page = {true, HtmlText::visibleText(QString::fromUtf8(html)), {}};
    HistoryDb db;
    db.open(QDir(scratchFolderWith(1392)).filePath(HistoryDb::fileName()));
    int added = 0;
    for (auto _ : state) {
        state.PauseTiming();
        db.delrec();
        state.ResumeTiming();
        added = OnlineUpdate::run(db, HistorySnapshot(), loader, {8, QStringLiteral("jl"), 87},
                                  QStringLiteral(".x"), today, 15, 1)
                    .added;
    }
    if (added != int(draws.size()))
        state.SkipWithError("draws not found");
}
BENCHMARK(BM_UpdateFromLoadedPage)->Unit(benchmark::kMillisecond)->MinTime(2);

// The history grid written to a workbook, as its double-click or the menu export does.
void BM_ExportHistoryGrid(benchmark::State &state)
{
    HistoryDb db;
    db.open(QDir(folderWith(int(state.range(0)))).filePath(HistoryDb::fileName()));
    GridModel grid;
    HistoryGrid::fill(grid, *db.snapshot());
    const QString path = workDir().filePath(QStringLiteral("lishi.xlsx"));
    for (auto _ : state) {
        if (!GridExport::write(grid, path, nullptr))
            state.SkipWithError("workbook not written");
    }
}
BENCHMARK(BM_ExportHistoryGrid)->Arg(30000)->Arg(300000)->Unit(benchmark::kMillisecond)->MinTime(3);

// The history of `draws` draws with `bets` bets placed on its last issues, as a player's would be:
// a few plays and numbers, each chased over ten issues, multiples 1 to 5 (for `bet list`).
QString folderWithBets(int draws, int bets)
{
    const QString folder = workDir().filePath(QStringLiteral("bets-%1-%2").arg(draws).arg(bets));
    if (QDir(folder).exists())
        return folder;
    QDir().mkpath(folder);
    const QString file = QDir(folder).filePath(HistoryDb::fileName());
    QFile::copy(QDir(folderWith(draws)).filePath(HistoryDb::fileName()), file);
    {
        HistoryDb db;
        db.open(file);
        BetTable::add(db, {0, db.snapshot()->first().sqqh, QStringLiteral("和值"), QStringLiteral("10"), 1, std::nullopt, {}});
    }
    Database raw;
    raw.open(file);
    const bool written =
        raw.exec(QStringLiteral("INSERT INTO Touzhu (QH, Wanfa, Haoma, Beishu) SELECT SQQH, "
                                "CASE SQQH / 10 % 3 WHEN 0 THEN '和值' WHEN 1 THEN '二不同号' ELSE '三同号通选' END, "
                                "CASE SQQH / 10 % 3 WHEN 0 THEN CAST(4 + SQQH / 10 % 14 AS TEXT) WHEN 1 THEN '12' ELSE '' END, "
                                "1 + SQQH % 5 FROM (SELECT SQQH FROM Lishi ORDER BY SQQH DESC LIMIT %1) ORDER BY SQQH")
                     .arg(bets - 1));
    if (!written)
        qFatal("cannot write the benchmark bets");
    return folder;
}

// Commands of the command-line tool as a script runs them, in process (the program's own start
// left out). The cost of a command above reading the history is its time less next-issue's.
const std::vector<QStringList> cliCommands{{QStringLiteral("next-issue")},
                                           {QStringLiteral("search"), QStringLiteral("--json")},
                                           {QStringLiteral("search"), QStringLiteral("--fixed"), QStringLiteral("--back"),
                                            QStringLiteral("3"), QStringLiteral("--json")},
                                           {QStringLiteral("backtest"), QStringLiteral("--json")},
                                           {QStringLiteral("bet"), QStringLiteral("list"), QStringLiteral("--json")}};

void BM_CliCommand(benchmark::State &state)
{
    const int draws = int(state.range(0));
    const QStringList &command = cliCommands[size_t(state.range(1))];
    const QString folder = command.first() == QLatin1String("bet") ? folderWithBets(draws, 100000) : folderWith(draws);
    QFile sink(QStringLiteral("/dev/null"));
    sink.open(QIODevice::WriteOnly);
    QTextStream out(&sink), err(&sink);
    for (auto _ : state) {
        if (runCli(QStringList{QStringLiteral("--dir"), folder} + command, out, err) != 0)
            state.SkipWithError("command failed");
        out.flush();
    }
    state.SetLabel(command.join(QLatin1Char(' ')).toStdString());
}
BENCHMARK(BM_CliCommand)
    ->ArgsProduct({{30000, 300000, 1000000}, {0, 1, 2, 3}})
    ->Args({300000, 4})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2);

// The same 100,000 bets as 1,000 chase plans of 100 bets each, every plan stopping after its first
// win (`bet list` settles each plan's 已撤 from the draws).
QString folderWithPlans(int draws)
{
    const QString folder = workDir().filePath(QStringLiteral("plans-%1").arg(draws));
    if (QDir(folder).exists())
        return folder;
    QDir().mkpath(folder);
    const QString file = QDir(folder).filePath(HistoryDb::fileName());
    QFile::copy(QDir(folderWithBets(draws, 100000)).filePath(HistoryDb::fileName()), file);
    Database raw;
    raw.open(file);
    bool written = true;
    for (int plan = 1; plan <= 1000 && written; ++plan)
        written = raw.exec(QStringLiteral("INSERT INTO Zhuihao (Wanfa, Haoma, Guize, Beishu, Zuida, Zhongting, Qishu, Shijian) "
                                          "VALUES ('和值', '10', '同倍', 1, 10000, 1, 100, '2026-12-09T10:00:00+08:00')"));
    written = written && raw.exec(QStringLiteral("UPDATE Touzhu SET Zhuihao = 1 + (Id - 1) / 100, "
                                                 "Shijian = '2026-12-09T10:00:00+08:00'"));
    if (!written)
        qFatal("cannot write the benchmark plans");
    return folder;
}

void BM_PlanLedger(benchmark::State &state)
{
    const QString folder = folderWithPlans(int(state.range(0)));
    QFile sink(QStringLiteral("/dev/null"));
    sink.open(QIODevice::WriteOnly);
    QTextStream out(&sink), err(&sink);
    for (auto _ : state) {
        if (runCli({QStringLiteral("--dir"), folder, QStringLiteral("bet"), QStringLiteral("list"), QStringLiteral("--json")},
                   out, err) != 0)
            state.SkipWithError("command failed");
        out.flush();
    }
}
BENCHMARK(BM_PlanLedger)->Arg(300000)->Unit(benchmark::kMillisecond)->MinTime(2);

// A 120-issue 利润率 plan (和值 3 at 240 元, keeping 30%).
void BM_ChasePlan(benchmark::State &state)
{
    Chase::Request r;
    r.choice = *Plays::choice(Plays::Play::Sum, QStringLiteral("3"), nullptr);
    r.firstIssue = 161212001;
    r.issues = 120;
    r.rule = Chase::Rule::Profit;
    r.rate = 30;
    const Plays::PrizeTable prizes;
    for (auto _ : state)
        benchmark::DoNotOptimize(Chase::make(r, prizes, nullptr));
    state.SetLabel(std::to_string(Chase::make(r, prizes, nullptr)->rows.size()) + " issues");
}
BENCHMARK(BM_ChasePlan)->Unit(benchmark::kMicrosecond);

void BM_MakeRow(benchmark::State &state)
{
    const auto previous = Derivation::makeRow(161212001, {1, 4, 6}, nullptr, 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(Derivation::makeRow(161212002, {3, 3, 5}, &*previous, 1));
}
BENCHMARK(BM_MakeRow);

QString optionValue(const QStringList &args, const QString &name, const QString &fallback = {})
{
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : fallback;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString textOut = optionValue(args, QStringLiteral("--generate-text"));
    const QString dbOut = optionValue(args, QStringLiteral("--generate-db"));
    if (!textOut.isEmpty() || !dbOut.isEmpty()) {
        const int count = optionValue(args, QStringLiteral("--draws"), QStringLiteral("1392")).toInt();
        const quint32 seed = optionValue(args, QStringLiteral("--seed"), QStringLiteral("20161212")).toUInt();
        const int game = optionValue(args, QStringLiteral("--game"), QStringLiteral("8")).toInt();
        const auto draws = HistoryGenerator::generate(count, ProvinceTable::at(game).drawsPerDay, seed);
        if (!textOut.isEmpty() && !HistoryText::writeFile(textOut, HistoryText::format(draws), nullptr))
            return 1;
        if (!dbOut.isEmpty() && (!QDir().mkpath(dbOut) || !HistoryGenerator::writeDatabase(dbOut, draws)))
            return 1;
        return 0;
    }
    // The benchmarks never touch the user's settings.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       workDir().filePath(QStringLiteral("config")));

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
