#include "HistoryCommands.h"

#include "BusyCursor.h"
#include "DrawTimes.h"
#include "Dialogs.h"
#include "FairDice.h"
#include "GameFiles.h"
#include "GridModel.h"
#include "HistoryMaintenance.h"
#include "IssueNumbers.h"
#include "OnlineUpdate.h"
#include "ProvinceTable.h"

#include <QCursor>
#include <QWidget>
#include <QDir>
#include <QFileInfo>
#include <QElapsedTimer>

namespace {
const QString entryTitle = QStringLiteral("输入号码");
const QString importTitle = QStringLiteral("读入历史");

const auto failure = &CommandOutcome::failure;

} // namespace

HistoryCommands::HistoryCommands(const AppServices &services, QWidget *dialogParent)
    : QObject(dialogParent)
    , m_services(services)
    , m_parent(dialogParent)
{
    setGame(m_settings.gsZl());
}

HistoryCommands::Progress::Progress(HistoryCommands &commands)
    : m_commands(commands)
{
    m_clock.start();
    commands.m_history.setProgressWatcher([this](qint64 done, qint64 total) {
        if (m_clock.elapsed() >= 500)
            emit m_commands.progress(done, total);
    });
}

HistoryCommands::Progress::~Progress()
{
    m_commands.m_history.setProgressWatcher({});
    emit m_commands.progress(-1, -1);
}

HistoryWriter::Backup HistoryCommands::backupFor(const QString &reason) const
{
    return {m_services.programFolder, reason, {}};
}

QString HistoryCommands::programFile(const QString &name) const
{
    return QDir(m_services.programFolder).filePath(name);
}

CommandOutcome HistoryCommands::open()
{
    m_unrecordedGame = m_game.index;
    m_opened = true;
    return openHistory();
}

CommandOutcome HistoryCommands::openHistory()
{
    m_currentIssue = 0;
    const HistoryDb::OpenStatus status = m_history.openGame(m_services.programFolder, m_game.index, m_unrecordedGame);
    const QString path = m_history.path();
    m_openProblem = status == HistoryDb::OpenStatus::Ok ? QString() : GameFiles::openError(path, m_history.lastError());
    // A file that cannot be opened shows as no history, never as the game's shown before.
    reload();
    switch (status) {
    case HistoryDb::OpenStatus::Ok:
        if (m_history.gameRecord().state == GameFiles::Record::State::Damaged)
            return mendGameRecord();
        // A file of an older release with draws and no game is the selected game's from now on:
        // said at once, before another program could take it for another game.
        if (!m_history.isReadOnly() && !m_snapshot.isEmpty() && m_history.gameRecord().state == GameFiles::Record::State::None)
            m_history.write([] { return true; });
        if (!m_snapshot.unreadable().empty()) {
            CommandOutcome outcome;
            outcome.status = m_snapshot.unreadableNote();
            return outcome;
        }
        return {};
    case HistoryDb::OpenStatus::NotADatabase:
        return failure(QStringLiteral("历史数据库"),
                       QStringLiteral("无法打开历史数据库文件：\n%1\n\n该文件不是有效的数据库或已损坏。"
                                      "程序不会修改或删除它；请检查该文件，或将其移走后重新启动程序。")
                           .arg(QDir::toNativeSeparators(path)));
    case HistoryDb::OpenStatus::UnreadableLog:
        return failure(QStringLiteral("历史数据库"), m_history.lastError());
    case HistoryDb::OpenStatus::NoSchema:
        return failure(QStringLiteral("历史数据库"), QStringLiteral("无法在历史数据库文件中建立数据表：\n%1\n\n%2")
                                                         .arg(QDir::toNativeSeparators(path), m_history.lastError()));
    }
    return {};
}

QString HistoryCommands::historyNote()
{
    if (const GameFiles::Record record = m_history.gameRecord(); record.state == GameFiles::Record::State::Damaged)
        return GameFiles::damagedMessage(m_history.path(), record);
    QStringList notes{m_snapshot.unreadableNote(), missingNote()};
    notes.removeAll(QString());
    return notes.join(QStringLiteral("；"));
}

QString HistoryCommands::missingNote() const
{
    const size_t missing = IssueNumbers::missing(m_snapshot).size();
    return missing > 0 ? QStringLiteral("缺 %1 期（历史管理 → 缺期…）").arg(missing) : QString();
}

void HistoryCommands::showMissing()
{
    const std::vector<qint32> missing = IssueNumbers::missing(m_snapshot);
    if (missing.empty())
        return m_services.dialogs->message(m_parent, QStringLiteral("缺期"),
                                           QStringLiteral("没有缺期：存了开奖号码的每一天，从第 1 期到当天存的最后一期都在。"));
    // A long list is cut: the count says how many there are.
    constexpr size_t shown = 300;
    QStringList issues;
    for (size_t i = 0; i < missing.size() && i < shown; ++i)
        issues << QString::number(missing[i]);
    m_services.dialogs->message(
        m_parent, QStringLiteral("缺期"),
        QStringLiteral("缺 %1 期：存了开奖号码的日子里，从第 1 期到当天存的最后一期之间没有存的期号"
                       "（整天没有开奖的日子不算）。录入或更新这些期号即可补上。\n\n%2%3")
            .arg(missing.size())
            .arg(issues.join(QStringLiteral("、")), missing.size() > shown ? QStringLiteral("……") : QString()));
}

QString HistoryCommands::unreadableReason() const
{
    return m_copyFailed ? m_history.userError() : m_openProblem;
}

void HistoryCommands::reload()
{
    std::optional<HistorySnapshot> read = m_history.snapshot();
    // A history that cannot be read is shown as none, never as the copy from before.
    m_copyFailed = m_history.isOpen() && !read;
    m_snapshot = std::move(read).value_or(HistorySnapshot());
    if (!m_snapshot.isEmpty())
        m_currentIssue = m_snapshot.last().qqh;
    emit snapshotChanged();
}

CommandOutcome HistoryCommands::setGame(int index)
{
    const Province &game = ProvinceTable::at(index);
    // As the game is drawn today: the user's setting, else the table's.
    const int before = m_game.index;
    m_game = {index, game.code, m_settings.drawsPerDay()[size_t(std::clamp(index, 0, ProvinceTable::Count - 1))]};
    if (!m_opened)
        return {};
    // The same game again (its draws a day changed): the same history stays open.
    if (index == before && GameFiles::pathFor(m_services.programFolder, index, m_unrecordedGame) == m_history.path())
        return {};
    CommandOutcome outcome = openHistory();
    outcome.changed = true;
    return outcome;
}

CommandOutcome HistoryCommands::mendGameRecord()
{
    const QString file = QFileInfo(m_history.path()).fileName();
    const QString caption = ProvinceTable::at(m_game.index).caption;
    const QString message = GameFiles::damagedMessage(file, m_history.gameRecord());
    if (!m_services.dialogs->question(m_parent, QStringLiteral("历史数据库"),
                                      message + QStringLiteral("\n\n它是%1的历史号码吗？选“记为%1”记下（先备份），"
                                                               "选“取消”只查看。")
                                                    .arg(caption),
                                      QStringLiteral("记为%1").arg(caption))) {
        CommandOutcome outcome;
        outcome.status = message;
        return outcome;
    }
    HistoryWriter::Backup backup = backupFor(QStringLiteral("记彩种前"));
    if (!HistoryWriter::recordGame(m_history, m_game.index, &backup))
        return failure(QStringLiteral("历史数据库"),
                       QStringLiteral("没有记下彩种：%1").arg(m_history.userError()));
    CommandOutcome outcome;
    outcome.status = QStringLiteral("%1 已记为%2的历史号码。").arg(file, caption);
    if (backup.written)
        outcome.status += QStringLiteral("原来的历史号码已备份：%1").arg(QDir::toNativeSeparators(backup.written->path));
    return outcome;
}

Backups::Owner HistoryCommands::backupOwner() const
{
    return {m_game.index, GameFiles::isMainFile(m_history.path())};
}

QString HistoryCommands::otherGameCaption()
{
    const std::optional<int> stored = m_history.storedGame();
    if (stored && *stored != m_game.index && *stored >= 0 && *stored < ProvinceTable::Count)
        return ProvinceTable::at(*stored).caption;
    return {};
}

bool HistoryCommands::syncWithDisk()
{
    if (!m_history.changedElsewhere())
        return false;
    const int before = m_snapshot.count();
    reload();
    emit historyReloaded(QStringLiteral("历史号码已被另一个程序修改，已重新读入（共 %1 期，原来 %2 期）。")
                             .arg(m_snapshot.count())
                             .arg(before));
    return true;
}

CommandOutcome HistoryCommands::storeDraw(const QString &issueText, const Numbers &numbers)
{
    // The draw is stored under the issue the window asks for, unless that box holds no issue. Left
    // as the window showed it, the next issue is taken from the history as it is when stored.
    bool ok = false;
    const qint32 shown = issueText.toInt(&ok);
    if (m_snapshot.isEmpty() && (!ok || shown <= 0))
        return failure(entryTitle, QStringLiteral("请先输入期号：历史号码是空的，请在号码框左边输入这一期的期号。"));
    if (ok && m_game.index != OnlineUpdate::plainIssueGame) {
        if (const QString why = IssueNumbers::unsoundSequence(shown, m_game.drawsPerDay); !why.isEmpty()) {
            // The history may say why: the game is drawn more often now than the setting says.
            const QString hint = IssueNumbers::drawsPerDayHint(m_snapshot, m_game.drawsPerDay);
            return failure(entryTitle, why + (hint.isEmpty() ? QString() : QStringLiteral("。") + hint) +
                                           QStringLiteral("\n\n号码没有保存。"));
        }
    }
    // Draws on screen that say they are another game's take none of this game's. (With nothing on
    // screen, the write finds the game's own file, whoever took the one read.)
    if (const QString other = m_snapshot.isEmpty() ? QString() : otherGameCaption(); !other.isEmpty())
        return failure(entryTitle, QStringLiteral("历史号码属于%1，不能录入%2的开奖号码。\n请在“彩种选择”中选择%1，"
                                                  "或用“历史号在线更新”换成%2的历史号码。\n\n号码没有保存。")
                                       .arg(other, ProvinceTable::at(m_game.index).caption));
    // (No next issue without draws; the typed one is then the first.)
    const qint32 next =
        m_snapshot.isEmpty() ? 0 : IssueNumbers::next(m_snapshot.last().sqqh, m_game.drawsPerDay).value_or(0);
    // A typed issue that is not the next one may be another game's draw, or leave issues missing
    // for good: the player says so first.
    if (ok && shown > 0 && next > 0) {
        const QString question =
            IssueNumbers::notNextQuestion(shown, next, m_game.drawsPerDay, ProvinceTable::at(m_game.index).caption);
        if (!question.isEmpty() && !m_services.dialogs->question(m_parent, entryTitle, question, QStringLiteral("仍然录入"))) {
            CommandOutcome kept;
            kept.status = QStringLiteral("第 %1 期没有录入").arg(shown);
            return kept;
        }
    }
    std::optional<qint32> issue;
    if (!ok || shown <= 0)
        issue = m_currentIssue;
    else if (shown != next)
        issue = shown;

    const QString before = m_history.path();
    const std::optional<DrawRecord> row =
        HistoryWriter::addDraw(m_history, issue, numbers, m_segmentBase, m_game.drawsPerDay, ok ? shown : 0);
    if (!row)
        return failure(entryTitle, QStringLiteral("第 %1 期号码没有保存：%2\n\n历史号码没有改变。")
                                       .arg(issue.value_or(shown))
                                       .arg(m_history.userError()));
    CommandOutcome outcome;
    outcome.changed = true;
    outcome.typed = row;
    // Only this draw is new, after every other one, unless another program wrote meanwhile or
    // the draw filled a gap.
    // The first write may have gone to another file than the one shown (taken by another game).
    outcome.appended = !m_history.changedElsewhere() && m_history.path() == before &&
                       (m_snapshot.isEmpty() || row->sqqh > m_snapshot.last().sqqh);
    if (outcome.appended) {
        m_snapshot.append(*row);
        emit snapshotChanged();
    } else {
        reload();
    }
    m_currentIssue = row->qqh;
    outcome.status =
        QStringLiteral("已录入 %1 期：%2 %3 %4").arg(row->sqqh).arg(numbers[0]).arg(numbers[1]).arg(numbers[2]);
    if (const QString missing = missingNote(); !missing.isEmpty())
        outcome.status += QStringLiteral("。") + missing;
    return outcome;
}

CommandOutcome HistoryCommands::storeTypedDraw(const QString &issueText, const std::optional<Numbers> &typed)
{
    if (!typed)
        return failure(entryTitle, QStringLiteral("请输入三个1到6之间的号码，每个框一个。"));
    const Numbers &numbers = *typed;
    // A draw typed as the dice fell would stand out in an ascending history: the player says how
    // to keep it.
    Numbers ascending = numbers;
    std::sort(ascending.begin(), ascending.end());
    if (ascending == numbers || m_snapshot.isEmpty() || !FairDice::orderOf(m_snapshot).ascending)
        return storeDraw(issueText, numbers);
    const std::optional<bool> sort = m_services.dialogs->yesNo(
        m_parent, entryTitle,
        QStringLiteral("历史号码都是从小到大存放的。按从小到大存放为 %1 %2 %3 吗？").arg(ascending[0]).arg(ascending[1]).arg(ascending[2]));
    if (!sort)
        return {};
    return storeDraw(issueText, *sort ? ascending : numbers);
}

CommandOutcome HistoryCommands::chooseAndImport()
{
    QString question = QStringLiteral(
        "确实要读入最新历史号码吗？点击'确认'读入,点击'取消'放弃该操作。确要读入请保证安装目录下"
        "存在历史号码的文本文件文件。读取时可能要花费一段时间,请耐心等候！");
    if (!m_snapshot.isEmpty())
        question += QStringLiteral("\n\n读入的文件将替换现有的 %1 期历史号码；替换前的历史号码会备份在“%2”文件夹中。")
                        .arg(m_snapshot.count())
                        .arg(Backups::folderName());
    // The question names its button 确认.
    if (!m_services.dialogs->question(m_parent, importTitle, question, QStringLiteral("确认")))
        return {};
    const QString folder = QDir(m_services.userFolder()).filePath(QStringLiteral("历史号码"));
    QDir().mkpath(folder);
    const QString chosen = m_services.dialogs->openFile(m_parent, importTitle, folder, QStringLiteral("历史号码文本 (*.txt)"));
    if (chosen.right(3).compare(QLatin1String("txt"), Qt::CaseInsensitive) == 0)
        return importFile(chosen);
    // No file: the next-issue line shows the issue after the last stored one again.
    CommandOutcome outcome;
    outcome.changed = true;
    return outcome;
}

CommandOutcome HistoryCommands::importFile(const QString &path)
{
    const BusyCursor busy;
    // The whole file is read and checked before the history is touched.
    QString error;
    const std::optional<QByteArray> content = HistoryText::loadFile(path, &error);
    if (!content)
        return failure(importTitle, QStringLiteral("无法读取文件：\n%1\n%2\n\n历史号码没有改变。")
                                        .arg(QDir::toNativeSeparators(path), error));
    std::optional<HistoryText::Reading> reading;
    HistoryWriter::Backup backup = backupFor(QStringLiteral("读入"));
    {
        const Progress progress(*this);
        reading = HistoryWriter::import(m_history, *content, m_currentIssue, m_segmentBase, &error, &backup,
                                        m_game.index == OnlineUpdate::plainIssueGame ? 0 : m_game.drawsPerDay);
    }
    if (!reading)
        return failure(importTitle, QStringLiteral("读入没有完成：%1\n\n历史号码没有改变。").arg(error));
    m_currentIssue = reading->currentIssue;
    reload();
    CommandOutcome outcome;
    outcome.changed = true;
    outcome.status =
        QStringLiteral("读入 %1 期历史号码，跳过 %2 行。").arg(reading->draws.size()).arg(reading->skipped);
    if (!reading->notes.empty())
        outcome.status += QStringLiteral("（%1）").arg(HistoryText::firstNotes(*reading));
    if (backup.written)
        outcome.status += QStringLiteral("原来的历史号码已备份：%1").arg(QDir::toNativeSeparators(backup.written->path));
    return outcome;
}

CommandOutcome HistoryCommands::exportText(GridModel &historyGrid)
{
    const QString path = QDir(m_services.userFolder()).filePath(HistoryMaintenance::exportFileName(m_snapshot));
    QString error;
    if (!HistoryText::writeFile(path, HistoryMaintenance::gridText(historyGrid, DrawTimes::all(m_history)), &error))
        return failure(QStringLiteral("导出历史号码"),
                       QStringLiteral("无法写入文件：\n%1\n%2").arg(QDir::toNativeSeparators(path), error));
    CommandOutcome outcome;
    outcome.written = path;
    return outcome;
}
