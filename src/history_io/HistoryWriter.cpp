#include "HistoryWriter.h"

#include "Derivation.h"
#include "HistoryDb.h"
#include "IssueNumbers.h"

#include <algorithm>

namespace HistoryWriter {

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

std::optional<int> storeMissing(HistoryDb &db, const std::vector<TextDraw> &draws, int segmentBase)
{
    const std::vector<TextDraw> ordered = inIssueOrder(draws);
    int added = 0;
    const bool written = db.write([&] {
        std::optional<DrawCore> last;
        if (!db.lastRow(last))
            return false;
        // Draws after the last stored one go in as one run; each earlier one fills its gap.
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
        if (!newer.empty() && !db.lastRow(last))
            return false;
        const std::vector<DrawRecord> rows = rowsFor(newer, segmentBase, false, last ? &*last : nullptr);
        added += int(rows.size());
        return db.insertRows(rows);
    });
    return written ? std::optional<int>(added) : std::nullopt;
}

bool replace(HistoryDb &db, const std::vector<TextDraw> &draws, int segmentBase, bool earlierTexts)
{
    return db.replaceAll(rowsFor(inIssueOrder(draws), segmentBase, earlierTexts));
}

std::optional<HistoryText::Reading> import(HistoryDb &db, QByteArrayView content, qint32 currentIssue,
                                           int segmentBase, QString *error)
{
    std::optional<HistoryText::Reading> reading;
    const bool written = db.write([&] {
        std::optional<DrawCore> last;
        if (!db.lastRow(last))
            return false;
        reading = HistoryText::read(content, last ? last->qqh : currentIssue);
        QString conflict;
        if (!HistoryText::toIssueOrder(*reading, &conflict))
            return db.refuse(conflict);
        if (reading->draws.empty())
            return db.refuse(
                QStringLiteral("文件中没有可以读入的开奖号码（跳过 %1 行）").arg(reading->skipped));
        return db.deleteAllRows() && db.insertRows(rowsFor(reading->draws, segmentBase, false));
    });
    if (written)
        return reading;
    if (error)
        *error = db.userError();
    return std::nullopt;
}

std::optional<HistoryText::Reading> rebuild(HistoryDb &db, const QString &backupPath, const Selection &keep,
                                            qint32 currentIssue, int segmentBase, QString *error)
{
    std::optional<HistoryText::Reading> reading;
    QString fileError;
    const bool written = db.write([&] {
        const std::optional<HistorySnapshot> stored = db.snapshot();
        if (!stored)
            return false;
        const std::vector<TextDraw> kept = keep(*stored);
        if (!HistoryText::writeFile(backupPath, HistoryText::format(kept), &fileError))
            return db.refuse(QStringLiteral("无法写入备份文件（%1）").arg(fileError));
        reading = HistoryText::readFile(backupPath, currentIssue, true, &fileError);
        if (!reading)
            return db.refuse(QStringLiteral("无法读回备份文件（%1）").arg(fileError));
        // Nothing is replaced unless every kept draw came back.
        if (reading->draws != kept)
            return db.refuse(
                QStringLiteral("备份文件读回 %1 期，应为 %2 期").arg(reading->draws.size()).arg(kept.size()));
        return db.deleteAllRows() && db.insertRows(rowsFor(reading->draws, segmentBase, true));
    });
    if (written)
        return reading;
    if (error)
        *error = db.userError();
    return std::nullopt;
}

} // namespace HistoryWriter
