#pragma once

#include "Backups.h"
#include "DrawClock.h"
#include "GameFiles.h"
#include "HistoryDb.h"
#include "HistorySnapshot.h"
#include "HistoryText.h"

#include "IssueNumbers.h"
#include "Plays.h"
#include "ProvinceTable.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <deque>
#include <vector>

// What every command of the command-line tool shares: the argument reader, the one error path
// (a UsageError is reported on one line, exit status 2) and the history folder it works on.
namespace Cli {

// Bad usage or bad input: reported on one line, exit status 2.
struct UsageError
{
    QString message;
};

// Whose an older release's history file is when it records no game: the tool's default game
// (named with --game, another game keeps a file of its own and never takes those draws).
constexpr int unrecordedGame = 0;

// The window shows this issue before any draw is stored.
constexpr qint32 placeholderIssue = 2007001;


class Arguments
{
public:
    explicit Arguments(const QStringList &list)
        : m_rest(list.begin(), list.end())
    {}
    bool atEnd() const { return m_rest.empty(); }
    QString take()
    {
        QString front = m_rest.front();
        m_rest.pop_front();
        return front;
    }
    QString valueOf(const QString &option)
    {
        if (atEnd())
            throw UsageError{QStringLiteral("%1 后面缺少值").arg(option)};
        return take();
    }

private:
    std::deque<QString> m_rest;
};

// A whole number in [low, high], else a UsageError that names `what`.
qint64 wholeNumber(const QString &text, const QString &what, qint64 low, qint64 high);
qint32 issueNumber(const QString &text, const QString &what);
// number, size, parity, segment: 0..3.
int kindIndex(const QString &text, const QString &option);

struct Context
{
    QString folder;
    int game = 0;
    bool gameGiven = false; // --game
    QString historyPath;    // the game's history file (chooseGame())
    GameFiles::MainFile mainFile; // what the main file said when the game was chosen
    int segmentBase = 1;
    QTextStream *err = nullptr;
    HistoryDb db;
    HistorySnapshot snapshot;
    QString prizesFile; // --prizes: the prize table of this run instead of the saved ones
    std::optional<int> drawsPerDayGiven; // --draws-per-day
    std::optional<qint64> dailyLimitGiven; // --daily-limit (0: none)
    std::optional<QTime> firstDrawGiven;   // --first-draw
    std::optional<int> intervalGiven;      // --interval

    // The game's schedule: --first-draw and --interval, else the window's saved one (设置 →
    // 开奖时间…), else what the stored draw times give (once the history is open); none when
    // unknown.
    std::optional<DrawClock::Schedule> schedule();

    // The daily limit on bets in 元: --daily-limit, else the window's saved one; none when off.
    std::optional<qint64> dailyLimit() const;
    // Refuses (a UsageError naming the limit and today's total) `adding` 元 more today.
    void checkDailyLimit(qint64 adding) const;
    // When a bet is placed now, as stored.
    static QString placedNow();

    // The game's draws a day as drawn today: --draws-per-day, else the window's saved setting,
    // else the table's.
    int drawsPerDay() const { return drawsPerDayOf(game); }
    int drawsPerDayOf(int index) const;

    // The game, unless --game gave it: the one the folder's main history file records, else the
    // first; and its history file. A main file whose record names no game leaves the choice to
    // --game, unless `anyGame` (a command about every game).
    void chooseGame(bool anyGame = false);
    // Whose backups the game's history lists and restores.
    Backups::Owner backupOwner() const
    {
        return {game, GameFiles::isMainFile(historyPath)};
    }

    // The game's prize table: what --prizes gives, else the window's saved table of the game
    // (national where none is saved).
    Plays::PrizeTable prizes() const { return prizesOf(game); }
    Plays::PrizeTable prizesOf(int index) const;

    // Opens the database and, unless `load` is false (writers read what they chain to inside
    // their own transaction), reads the history into memory.
    void open(bool load = true)
    {
        if (!QDir().mkpath(folder))
            throw UsageError{QStringLiteral("无法建立文件夹 %1").arg(folder)};
        if (historyPath.isEmpty())
            chooseGame();
        const QString &path = historyPath;
        // A folder nobody may write to, without a database yet, holds an empty history: readers
        // show it, writers are refused as in any read-only folder.
        if (!QFileInfo::exists(path) && !QFileInfo(folder).isWritable()) {
            if (!load)
                throw UsageError{HistoryDb::readOnlyMessage() + QStringLiteral("，历史号码没有改变")};
            snapshot = HistorySnapshot();
            return;
        }
        // A game's file is made by its first write, never by a read.
        if (db.openGame(folder, game, unrecordedGame, &mainFile) != HistoryDb::OpenStatus::Ok)
            throw UsageError{GameFiles::openError(db.path(), db.lastError())};
        if (load)
            reload();
    }
    void reload()
    {
        std::optional<HistorySnapshot> read = db.snapshot();
        if (!read)
            throw UsageError{QStringLiteral("无法读取历史号码：%1").arg(db.userError())};
        snapshot = std::move(*read);
        if (err && !snapshot.unreadable().empty())
            *err << snapshot.unreadableNote() << '\n';
    }

    // The issue the window's next-issue box shows.
    qint32 nextIssue() const
    {
        if (snapshot.isEmpty())
            return placeholderIssue;
        return IssueNumbers::next(snapshot.last().sqqh, drawsPerDay())
            .value_or(placeholderIssue);
    }
    // The issue that lines without their own issue take: the last issue + 1, as the window holds it.
    qint32 currentIssue() const { return snapshot.isEmpty() ? 0 : snapshot.last().qqh; }
};

// Rows of cells as columns separated by two spaces, each as wide as its widest cell.
QString alignedTable(const QList<QStringList> &rows);

// JSON texts written by hand, to keep the documented key order: any value, a string, a number.
QString jsonValue(const QJsonValue &value);
QString jsonText(const QString &text);
QString jsonNumber(double value);

// Every stored draw in history order, as the text format writes them.
std::vector<TextDraw> storedDraws(const HistorySnapshot &snapshot);

// What runs a command; it returns the exit status or throws a UsageError.
using Handler = int (*)(Context &c, Arguments &args, QTextStream &out);

// History writers and readers.
int importFile(Context &c, Arguments &args, QTextStream &out);
int addDraw(Context &c, Arguments &args, QTextStream &out);
int mergeDraws(Context &c, Arguments &args, QTextStream &out);
int update(Context &c, Arguments &args, QTextStream &out);
int list(Context &c, Arguments &args, QTextStream &out);
int nextIssue(Context &c, Arguments &args, QTextStream &out);
int exportText(Context &c, Arguments &args, QTextStream &out);
// Maintenance.
int deleteLast(Context &c, Arguments &args, QTextStream &out);
int keepUpTo(Context &c, Arguments &args, QTextStream &out);
int compact(Context &c, Arguments &args, QTextStream &out);
int backups(Context &c, Arguments &args, QTextStream &out);
int restore(Context &c, Arguments &args, QTextStream &out);
// Analysis.
int search(Context &c, Arguments &args, QTextStream &out);
int combo(Context &c, Arguments &args, QTextStream &out);
int backtest(Context &c, Arguments &args, QTextStream &out);
int omission(Context &c, Arguments &args, QTextStream &out);
int trend(Context &c, Arguments &args, QTextStream &out);
// Each game's history.
int games(Context &c, Arguments &args, QTextStream &out);
int setGame(Context &c, Arguments &args, QTextStream &out);
// The player's bets.
int bet(Context &c, Arguments &args, QTextStream &out);
// Chase plans.
int plan(Context &c, Arguments &args, QTextStream &out);

} // namespace Cli
