#pragma once

#include "HistoryText.h"

#include <vector>

class HistoryDb;

namespace HistoryWriter {

// The rows for `draws` in this order, each derived from the row before it; the first one from
// `previous` (none: the first row of a history). With `earlierTexts` every row also carries
// the texts of the draw two rows back (the rebuild writes them).
std::vector<DrawRecord> rowsFor(const std::vector<TextDraw> &draws, int segmentBase, bool earlierTexts,
                                const DrawCore *previous = nullptr);

// Replaces the stored history with `draws`, in one transaction: afterwards the table holds
// either the old history or the new one.
bool replace(HistoryDb &db, const std::vector<TextDraw> &draws, int segmentBase, bool earlierTexts);

// Dqzd: the kept draws go to the backup file `backupPath` (which stays for the user), are read
// back from it and replace the history in one transaction, with the texts of the draw two rows
// back. Nothing changes when the file cannot be written or read; `error` says why.
std::optional<HistoryText::Reading> rebuild(HistoryDb &db, const QString &backupPath,
                                            const std::vector<TextDraw> &kept, qint32 currentIssue,
                                            int segmentBase, QString *error);

} // namespace HistoryWriter
