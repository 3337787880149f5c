#include "HistoryWriter.h"

#include "DrawTimes.h"

#include "Derivation.h"
#include "HistoryDb.h"
#include "IssueNumbers.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <algorithm>
#include <optional>

namespace HistoryWriter {

namespace {

// Stores `draws` (in issue order) after `previous`, a few thousand rows at a time: a long history
// never has all its rows in memory at once. Inside write().
bool insertChained(HistoryDb &db, const std::vector<TextDraw> &draws, int segmentBase, bool earlierTexts,
                   const DrawCore *previous = nullptr, int *inserted = nullptr)
{
    constexpr size_t chunk = 8192;
    std::vector<DrawRecord> rows;
    std::optional<DrawRecord> last;
    std::optional<DrawRecord> beforeLast;
    for (size_t at = 0; at < draws.size(); at += chunk) {
        const std::vector<TextDraw> part(draws.begin() + qsizetype(at),
                                         draws.begin() + qsizetype(std::min(draws.size(), at + chunk)));
        rows = rowsFor(part, segmentBase, earlierTexts, last ? &*last : previous);
        // The first row of a later chunk carries the texts of the draw two back, as rowsFor
        // gives every other row.
        if (earlierTexts && last && !rows.empty())
            rows.front().earlier = EarlierTexts{last->txtHisLst, last->occurrence};
        if (!db.insertRows(rows, qint64(at), qint64(draws.size())))
            return false;
        if (inserted)
            *inserted += int(rows.size());
        if (!rows.empty())
            last = std::move(rows.back());
    }
    return true;
}

} // namespace

std::vector<TextDraw> inIssueOrder(std::vector<TextDraw> draws)
{
    const auto byIssue = [](const TextDraw &a, const TextDraw &b) { return a.issue < b.issue; };
    if (std::adjacent_find(draws.begin(), draws.end(), [](const TextDraw &a, const TextDraw &b) {
            return a.issue >= b.issue;
        }) == draws.end())
        return draws;
    std::stable_sort(draws.begin(), draws.end(), byIssue);
    draws.erase(std::unique(draws.begin(), draws.end(),
                            [](const TextDraw &a, const TextDraw &b) { return a.issue == b.issue; }),
                draws.end());
    return draws;
}

std::vector<DrawRecord> rowsFor(const std::vector<TextDraw> &draws, int segmentBase, bool earlierTexts,
                                const DrawCore *previous)
{
    std::vector<DrawRecord> rows;
    rows.reserve(draws.size());
    for (const TextDraw &draw : draws) {
        const DrawRecord *last = rows.empty() ? nullptr : &rows.back();
        std::optional<DrawRecord> row =
            Derivation::makeRow(draw.issue, draw.numbers, last ? last : previous, segmentBase);
        if (!row)
            continue; // an issue with no successor cannot be stored
        if (earlierTexts)
            row->earlier = last ? EarlierTexts{last->txtHisLst, last->occurrence} : EarlierTexts{};
        rows.push_back(std::move(*row));
    }
    return rows;
}

std::optional<DrawRecord> addDraw(HistoryDb &db, std::optional<qint32> issue, const Numbers &numbers,
                                  int segmentBase, int drawsPerDay, qint32 emptyIssue)
{
    std::optional<DrawRecord> stored;
    const bool written = db.write([&] {
        std::optional<DrawCore> last;
        if (!db.lastRow(last))
            return false;
        if (!issue && !last && emptyIssue <= 0)
            return db.refuse(QStringLiteral("历史号码是空的，请先输入期号"));
        const qint32 wanted = issue  ? *issue
                              : last ? IssueNumbers::next(last->sqqh, drawsPerDay).value_or(last->qqh)
                                     : emptyIssue;
        const std::optional<bool> taken = db.storesIssue(wanted);
        if (!taken)
            return false;
        if (*taken)
            return db.refuse(QStringLiteral("第 %1 期已在历史号码中").arg(wanted));
        if (last && wanted < last->sqqh && !db.rowBefore(wanted, last))
            return false;
        stored = db.insertInPlace(wanted, numbers, last, segmentBase);
        return stored.has_value();
    });
    if (!written)
        return std::nullopt;
    return stored;
}

namespace {

// Inside a write: the draws (in issue order) whose issues are not stored yet, each where its issue
// belongs. Draws after the last stored one go in as one run; each earlier one fills its gap.
bool storeMissingIn(HistoryDb &db, const std::vector<TextDraw> &ordered, int segmentBase, int &added)
{
    std::optional<DrawCore> last;
    if (!db.lastRow(last))
        return false;
    std::vector<TextDraw> newer;
    for (const TextDraw &draw : ordered) {
        if (last && draw.issue <= last->sqqh) {
            const std::optional<bool> taken = db.storesIssue(draw.issue);
            if (!taken)
                return false;
            if (*taken)
                continue;
            std::optional<DrawCore> before;
            if (!db.rowBefore(draw.issue, before) || !db.insertInPlace(draw.issue, draw.numbers, before, segmentBase))
                return false;
            ++added;
        } else {
            newer.push_back(draw);
        }
    }
    if (newer.empty())
        return true;
    if (!db.lastRow(last))
        return false;
    // A few thousand rows at a time: a merge of a million draws never holds all their rows.
    return insertChained(db, newer, segmentBase, false, last ? &*last : nullptr, &added);
}

} // namespace

std::optional<int> storeMissing(HistoryDb &db, const std::vector<TextDraw> &draws, int segmentBase)
{
    const std::vector<TextDraw> ordered = inIssueOrder(draws);
    int added = 0;
    const bool written = db.write([&] { return storeMissingIn(db, ordered, segmentBase, added); });
    return written ? std::optional<int>(added) : std::nullopt;
}

std::optional<Merge> merge(HistoryDb &db, const std::vector<TextDraw> &draws, int segmentBase, bool dryRun)
{
    Merge plan;
    // What each draw is to the history as it is now (inside the write: as it is when written).
    auto classify = [&] {
        plan = {};
        std::optional<DrawCore> last;
        if (!db.lastRow(last))
            return false;
        for (const TextDraw &draw : inIssueOrder(draws)) {
            std::optional<Numbers> stored;
            if (!db.numbersOf(draw.issue, stored))
                return false;
            if (!stored) {
                plan.fresh.push_back(draw);
                if (last && draw.issue < last->sqqh)
                    ++plan.gapFills;
            } else if (*stored == draw.numbers) {
                plan.same.push_back(draw);
            } else {
                plan.conflicting.push_back({draw, *stored});
            }
        }
        return true;
    };
    if (dryRun)
        return classify() ? std::optional<Merge>(plan) : std::nullopt;
    const bool written = db.write([&] {
        // One draw that disagrees with the history refuses the whole merge.
        if (!classify())
            return false;
        if (!plan.conflicting.empty() || plan.fresh.empty())
            return true;
        return storeMissingIn(db, plan.fresh, segmentBase, plan.added);
    });
    return written ? std::optional<Merge>(plan) : std::nullopt;
}

bool backUp(HistoryDb &db, Backup *backup)
{
    if (!backup || backup->folder.isEmpty())
        return true;
    const std::optional<HistorySnapshot> stored = db.snapshot();
    if (!stored)
        return false;
    if (stored->isEmpty())
        return true;
    std::vector<TextDraw> draws;
    draws.reserve(size_t(stored->count()));
    for (int i = 0; i < stored->count(); ++i)
        draws.push_back({stored->issue(i), stored->numbers(i)});
    QString error;
    backup->written = Backups::write(backup->folder, backup->reason, draws, db.storedGame(), &error, DrawTimes::all(db));
    // The caller says that nothing changed: the reason alone here.
    return backup->written ? true : db.refuse(error);
}

namespace {

// The transaction, then the backup's fate: a committed change prunes the older backups (never
// its own); a change that failed takes its own backup away and leaves the others as they were.
template<typename Body> bool writeBackedUp(HistoryDb &db, Backup *backup, Body &&body)
{
    const bool committed = db.write(std::forward<Body>(body));
    if (backup && backup->written) {
        if (committed) {
            Backups::prune(backup->folder, *backup->written);
        } else {
            QFile::remove(backup->written->path);
            backup->written.reset();
        }
    }
    return committed;
}

} // namespace

bool replace(HistoryDb &db, const std::vector<TextDraw> &draws, int segmentBase, bool earlierTexts, Backup *backup,
             const std::vector<std::pair<qint32, QDateTime>> &times)
{
    const std::vector<TextDraw> ordered = inIssueOrder(draws);
    return writeBackedUp(db, backup, [&] {
        return backUp(db, backup) && db.deleteAllRows() && DrawTimes::forget(db) &&
               insertChained(db, ordered, segmentBase, earlierTexts) && DrawTimes::put(db, times);
    });
}

bool deleteLast(HistoryDb &db, Backup *backup, std::optional<qint32> expectedLast)
{
    return writeBackedUp(db, backup, [&] {
        std::optional<DrawCore> last;
        if (!db.lastRow(last))
            return false;
        if (!last)
            return true;
        if (expectedLast && last->sqqh != *expectedLast)
            return db.refuse(QStringLiteral("历史号码已被另一个程序修改（最后一期现在是 %1），没有删除").arg(last->sqqh));
        return backUp(db, backup) && db.deleteLastRow() && DrawTimes::forget(db, last->sqqh);
    });
}

bool clear(HistoryDb &db, Backup *backup)
{
    return writeBackedUp(db, backup, [&] { return backUp(db, backup) && db.deleteAllRows() && DrawTimes::forget(db); });
}

bool recordGame(HistoryDb &db, int game, Backup *backup)
{
    if (backup && !backup->folder.isEmpty()) {
        const std::optional<HistorySnapshot> stored = db.snapshot();
        if (!stored)
            return false;
        std::vector<TextDraw> draws;
        for (int i = 0; i < stored->count(); ++i)
            draws.push_back({stored->issue(i), stored->numbers(i)});
        QString error;
        if (!draws.empty() &&
            !(backup->written = Backups::write(backup->folder, backup->reason, draws, std::nullopt, &error,
                                              DrawTimes::all(db))))
            return db.refuse(error);
    }
    return db.recordGame(game);
}

std::optional<int> restore(HistoryDb &db, const Backups::Entry &entry, int segmentBase, Backup *backup,
                           QString *error)
{
    // Read whole with the import's rules before anything is replaced: a damaged backup restores
    // nothing, whatever its name says.
    QString why;
    std::optional<HistoryText::Reading> reading = HistoryText::readFile(entry.path, 0, true, &why);
    if (reading && !reading->notes.empty()) {
        QStringList lines;
        for (size_t i = 0; i < reading->notes.size() && i < 3; ++i)
            lines << QStringLiteral("第 %1 行：%2").arg(reading->notes[i].line).arg(reading->notes[i].reason);
        why = QStringLiteral("有读不出开奖号码的行，%1").arg(lines.join(QStringLiteral("；")));
        reading.reset();
    }
    if (reading && !HistoryText::toIssueOrder(*reading, &why))
        reading.reset();
    if (!reading || reading->draws.empty()) {
        if (error)
            *error = QStringLiteral("无法读取备份 %1%2").arg(entry.name, why.isEmpty() ? QString() : "（" + why + "）");
        return std::nullopt;
    }
    // The history keeps its game: only the game's own backups (or unnamed ones) are offered.
    if (replace(db, reading->draws, segmentBase, false, backup, reading->times))
        return int(reading->draws.size());
    if (error)
        *error = db.userError();
    return std::nullopt;
}

std::optional<HistoryText::Reading> import(HistoryDb &db, QByteArrayView content, qint32 currentIssue,
                                           int segmentBase, QString *error, Backup *backup, int datedDrawsPerDay)
{
    std::optional<HistoryText::Reading> reading;
    const bool written = writeBackedUp(db, backup, [&] {
        std::optional<DrawCore> last;
        if (!db.lastRow(last))
            return false;
        reading = HistoryText::read(content, last ? last->qqh : currentIssue, false, datedDrawsPerDay);
        if (reading->tooMany)
            return db.refuse(QStringLiteral("文件中的开奖号码超过 %1 期，没有读入").arg(HistoryText::maxDraws));
        QString conflict;
        if (!HistoryText::toIssueOrder(*reading, &conflict))
            return db.refuse(conflict);
        if (reading->draws.empty())
            return db.refuse(QStringLiteral("文件中没有可以读入的开奖号码（跳过 %1 行%2）")
                                 .arg(reading->skipped)
                                 .arg(reading->notes.empty() ? QString()
                                                             : QStringLiteral("：") + HistoryText::firstNotes(*reading)));
        return backUp(db, backup) && db.deleteAllRows() && DrawTimes::forget(db) &&
               insertChained(db, reading->draws, segmentBase, false) && DrawTimes::put(db, reading->times);
    });
    if (written)
        return reading;
    if (error)
        *error = db.userError();
    return std::nullopt;
}

std::optional<HistoryText::Reading> rebuild(HistoryDb &db, const QString &backupPath, const Selection &keep,
                                            qint32 currentIssue, int segmentBase, QString *error, Backup *backup)
{
    std::optional<HistoryText::Reading> reading;
    QString fileError;
    const bool written = writeBackedUp(db, backup, [&] {
        const std::optional<HistorySnapshot> stored = db.snapshot();
        if (!stored)
            return false;
        QString refusal;
        const std::vector<TextDraw> kept = keep(*stored, &refusal);
        if (!refusal.isEmpty())
            return db.refuse(refusal);
        // The kept draws' times go through the file with them.
        if (!HistoryText::writeFile(backupPath, HistoryText::format(kept, DrawTimes::all(db)), &fileError))
            return db.refuse(QStringLiteral("无法写入备份文件 %1（%2）").arg(QDir::toNativeSeparators(backupPath), fileError));
        reading = HistoryText::readFile(backupPath, currentIssue, true, &fileError);
        if (!reading)
            return db.refuse(QStringLiteral("无法读回备份文件（%1）").arg(fileError));
        // Nothing is replaced unless every kept draw came back.
        if (reading->draws != kept)
            return db.refuse(
                QStringLiteral("备份文件读回 %1 期，应为 %2 期").arg(reading->draws.size()).arg(kept.size()));
        return backUp(db, backup) && db.deleteAllRows() && DrawTimes::forget(db) &&
               insertChained(db, reading->draws, segmentBase, true) && DrawTimes::put(db, reading->times);
    });
    if (written)
        return reading;
    if (error)
        *error = db.userError();
    return std::nullopt;
}

} // namespace HistoryWriter
