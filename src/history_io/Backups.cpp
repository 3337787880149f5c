#include "Backups.h"

#include "GameFiles.h"
#include "ProvinceTable.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <tuple>

namespace Backups {

namespace {

const QString timeFormat = QStringLiteral("yyyyMMdd-HHmmsszzz");

std::optional<Entry> parse(const QFileInfo &file)
{
    static const QRegularExpression form(QStringLiteral(
        "^(\\d{8}-\\d{9})(?:-(\\d{1,12}))?_([^_]+)_(\\d+)期_(\\d*)-(\\d*)(?:_g(\\d{1,3}))?(?:_\\d+)?\\.txt$"));
    const QRegularExpressionMatch m = form.match(file.fileName());
    if (!m.hasMatch())
        return std::nullopt;
    Entry entry;
    entry.name = file.fileName();
    entry.path = file.absoluteFilePath();
    entry.time = QDateTime::fromString(m.captured(1), timeFormat);
    entry.sequence = m.captured(2).toLongLong();
    entry.reason = m.captured(3);
    entry.draws = m.captured(4).toInt();
    entry.first = m.captured(5).toInt();
    entry.last = m.captured(6).toInt();
    if (m.hasCaptured(7))
        entry.game = m.captured(7).toInt();
    return entry;
}

} // namespace

std::optional<Entry> write(const QString &historyFolder, const QString &reason, const std::vector<TextDraw> &draws,
                           std::optional<int> game, QString *error,
                           const std::unordered_map<qint32, QDateTime> &times)
{
    // Each game's backups in a folder of their own, out of reach of an older release's pruning
    // (which counts every file directly in 备份, whatever game it is of).
    const QString folder = QDir(historyFolder).filePath(
        game ? folderName() + QLatin1Char('/') + ProvinceTable::at(*game).code : folderName());
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("无法建立备份文件夹 %1").arg(QDir::toNativeSeparators(folder));
        return std::nullopt;
    }
    // The order of writing is kept in the name: a clock that was ahead, or a folder copied from
    // another machine, cannot make a new backup look old.
    qint64 sequence = 0;
    for (const Entry &entry : list(historyFolder))
        sequence = std::max(sequence, entry.sequence);
    const QString stem = QStringLiteral("%1-%2_%3_%4期_%5-%6%7")
                             .arg(QDateTime::currentDateTime().toString(timeFormat))
                             .arg(sequence + 1, 6, 10, QLatin1Char('0'))
                             .arg(reason)
                             .arg(draws.size())
                             .arg(draws.empty() ? QString() : QString::number(draws.front().issue))
                             .arg(draws.empty() ? QString() : QString::number(draws.back().issue))
                             .arg(game ? QStringLiteral("_g%1").arg(*game) : QString());
    QString path = QDir(folder).filePath(stem + QStringLiteral(".txt"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(QStringLiteral("%1_%2.txt").arg(stem).arg(n));
    QString why;
    if (!HistoryText::writeFile(path, HistoryText::format(draws, times), &why)) {
        if (error)
            *error = QStringLiteral("无法写入备份文件 %1（%2）").arg(QDir::toNativeSeparators(path), why);
        return std::nullopt;
    }
    return parse(QFileInfo(path));
}

void prune(const QString &historyFolder, const Entry &own)
{
    // `own` and the kept - 1 others written last.
    // Each game keeps its own; a backup of an older version (no game named) is of the history
    // file an older version kept, now the game it records.
    const std::optional<int> mainGame = GameFiles::readMain(historyFolder).game;
    const auto gameOf = [&](const Entry &entry) { return entry.game ? entry.game : mainGame; };
    int others = 0;
    for (const Entry &entry : list(historyFolder)) {
        if (gameOf(entry) == gameOf(own) && entry.path != own.path && ++others >= kept)
            QFile::remove(entry.path);
    }
}

std::vector<Entry> list(const QString &historyFolder, std::optional<Owner> owner)
{
    std::vector<Entry> entries;
    const QDir root(QDir(historyFolder).filePath(folderName()));
    // 备份 itself (older releases, and backups of no known game) and each game's own folder.
    QStringList folders{root.path()};
    for (const Province &province : ProvinceTable::all())
        folders << root.filePath(province.code);
    for (const QString &path : std::as_const(folders)) {
        const QFileInfo where(path);
        if (!where.isDir() || where.isSymLink())
            continue;
        // Only regular files: a link named like a backup may point anywhere.
        for (const QFileInfo &file : QDir(path).entryInfoList({QStringLiteral("*.txt")}, QDir::Files | QDir::NoSymLinks)) {
            if (file.isSymLink() || !file.isFile())
                continue;
            if (std::optional<Entry> entry = parse(file); entry && (!owner || owner->owns(*entry)))
                entries.push_back(std::move(*entry));
        }
    }
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return std::tie(a.sequence, a.time, a.name) > std::tie(b.sequence, b.time, b.name);
    });
    return entries;
}

std::optional<Entry> find(const QString &historyFolder, const QString &nameOrNumber, std::optional<Owner> owner)
{
    const std::vector<Entry> entries = list(historyFolder, owner);
    bool isNumber = false;
    const int n = nameOrNumber.toInt(&isNumber);
    if (isNumber)
        return n >= 1 && n <= int(entries.size()) ? std::optional<Entry>(entries[size_t(n - 1)]) : std::nullopt;
    for (const Entry &entry : entries)
        if (entry.name == nameOrNumber)
            return entry;
    return std::nullopt;
}

QString reasonText(const QString &reason)
{
    // The names keep the short word; a list a user reads says what was about to happen.
    static const QHash<QString, QString> words{
        {QStringLiteral("读入"), QStringLiteral("读入文本之前")},
        {QStringLiteral("撤销前"), QStringLiteral("撤销上次删除之前")},
        {QStringLiteral("恢复前"), QStringLiteral("恢复备份之前")},
    };
    if (const auto it = words.constFind(reason); it != words.constEnd())
        return *it;
    return reason + QStringLiteral("之前");
}

QString describe(const Entry &entry)
{
    return QStringLiteral("%1  %2  %3 期  %4 – %5")
        .arg(entry.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), reasonText(entry.reason))
        .arg(entry.draws)
        .arg(entry.first)
        .arg(entry.last);
}

} // namespace Backups
