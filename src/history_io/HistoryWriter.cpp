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

} // namespace HistoryWriter
