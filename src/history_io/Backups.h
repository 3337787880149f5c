#pragma once

#include "HistoryText.h"

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

// Every command that removes or replaces stored draws first writes them, as they were, to a
// backup file in the history text format in the folder "备份" beside the database. The name
// tells the time, the reason, the number of draws and the first and last issue; the newest
// `kept` backups stay.
namespace Backups {

constexpr int kept = 30;

inline QString folderName()
{
    return QStringLiteral("备份");
}

struct Entry
{
    QString name; // the file name, e.g. 20261208-043001123_读入_4778期_130529001-130731078.txt
    QString path;
    QDateTime time;
    QString reason;
    int draws = 0;
    qint32 first = 0;
    qint32 last = 0;
};

// Writes `draws` to a new backup in `historyFolder`/备份 and drops the oldest beyond `kept`.
// The new backup, or nothing (`error` says why, in Chinese).
std::optional<Entry> write(const QString &historyFolder, const QString &reason, const std::vector<TextDraw> &draws,
                           QString *error);

// The backups of `historyFolder`, newest first.
std::vector<Entry> list(const QString &historyFolder);

// A backup by its file name or by its number in list() (1 is the newest).
std::optional<Entry> find(const QString &historyFolder, const QString &nameOrNumber);

// What was about to happen when the backup was written, in words ("撤销前" → "撤销上次删除之前").
QString reasonText(const QString &reason);

// "2026-12-08 04:30:01  读入文本之前  4778 期  130529001 – 130731078", for a list a user
// chooses from.
QString describe(const Entry &entry);

} // namespace Backups
