#include "HistoryWriter.h"

#include "Derivation.h"
#include "HistoryDb.h"

namespace HistoryWriter {

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

bool replace(HistoryDb &db, const std::vector<TextDraw> &draws, int segmentBase, bool earlierTexts)
{
    return db.replaceAll(rowsFor(draws, segmentBase, earlierTexts));
}

std::optional<HistoryText::Reading> rebuild(HistoryDb &db, const QString &backupPath,
                                            const std::vector<TextDraw> &kept, qint32 currentIssue,
                                            int segmentBase, QString *error)
{
    std::optional<HistoryText::Reading> reading;
    if (HistoryText::writeFile(backupPath, HistoryText::format(kept), error))
        reading = HistoryText::readFile(backupPath, currentIssue, true, error);
    if (!reading)
        return std::nullopt;
    if (!replace(db, reading->draws, segmentBase, true)) {
        if (error)
            *error = db.lastError();
        return std::nullopt;
    }
    return reading;
}

} // namespace HistoryWriter
