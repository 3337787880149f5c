#include "TrimCommands.h"

#include "BusyCursor.h"
#include "Dialogs.h"
#include "HistoryMaintenance.h"

#include <QCursor>
#include <QWidget>
#include <QDir>

namespace {

const QString trimTitle = QStringLiteral("删除期数");
const QString changedMessage = QStringLiteral("历史号码已被另一个程序修改");

const auto failure = &CommandOutcome::failure;

} // namespace

TrimCommands::TrimCommands(const AppServices &services, HistoryCommands &commands, QWidget *dialogParent)
    : QObject(dialogParent)
    , m_services(services)
    , m_commands(commands)
    , m_parent(dialogParent)
{}

bool TrimCommands::changedWhileAsking()
{
    if (!m_commands.syncWithDisk())
        return false;
    m_services.dialogs->message(m_parent, trimTitle,
                                changedMessage + QStringLiteral("（现在共 %1 期）。请看一下新的历史号码，再重新输入。")
                                                     .arg(m_commands.snapshot().count()));
    return true;
}

std::optional<qint64> TrimCommands::askNumber(const QString &prompt, const QString &defaultAnswer, const QString &what)
{
    const std::optional<QString> answer = m_services.dialogs->input(m_parent, trimTitle, prompt, defaultAnswer);
    if (!answer)
        return std::nullopt;
    bool ok = false;
    const qint64 value = answer->trimmed().toLongLong(&ok);
    if (ok && value > 0)
        return value;
    m_services.dialogs->message(m_parent, trimTitle,
                                QStringLiteral("“%1”不是%2，没有删除任何一期。").arg(answer->trimmed(), what));
    return std::nullopt;
}

CommandOutcome TrimCommands::deleteLast()
{
    const HistorySnapshot &shown = m_commands.snapshot();
    if (shown.isEmpty()) {
        CommandOutcome nothing;
        nothing.status = QStringLiteral("历史号码是空的，没有可以删除的一期。");
        return nothing;
    }
    const qint32 last = shown.last().sqqh;
    HistoryWriter::Backup backup = m_commands.backupFor(QStringLiteral("删除最后一期"));
    // Only the draw the user saw as the last one.
    if (!HistoryWriter::deleteLast(m_commands.history(), &backup, last)) {
        const QString why = m_commands.history().userError();
        m_commands.syncWithDisk();
        return failure(trimTitle, QStringLiteral("删除没有完成：%1\n\n历史号码没有改变。").arg(why));
    }
    m_commands.reload();
    CommandOutcome outcome;
    outcome.changed = true;
    removed(outcome, backup, QStringLiteral("已删除 %1 期").arg(last), true);
    return outcome;
}

CommandOutcome TrimCommands::deleteLastCount()
{
    for (;;) {
        const std::optional<qint64> count = askNumber(
            QStringLiteral("请输入需要删除最后多少期历史号码（例如输入3，那么就将删除最后的3期历史号码）"),
            QStringLiteral("1"), QStringLiteral("期数"));
        if (!count)
            return {};
        if (changedWhileAsking())
            continue;
        const qint64 n = *count;
        const std::optional<CommandOutcome> outcome =
            rebuild(QStringLiteral("删除最后%1期").arg(n), [n](const HistorySnapshot &stored, QString *refusal) {
                return HistoryMaintenance::allButLastGuarded(stored, n, refusal);
            });
        if (outcome)
            return *outcome;
    }
}

CommandOutcome TrimCommands::keepUpTo(std::optional<qint32> selected)
{
    for (;;) {
        const qint64 offered = selected ? *selected : qint64(m_commands.currentIssue()) - 1;
        const std::optional<qint64> issue = askNumber(
            QStringLiteral("请输入需要删除到的期数，例如‘2014016’"), QString::number(offered), QStringLiteral("期号"));
        if (!issue)
            return {};
        if (changedWhileAsking())
            continue;
        const qint64 last = *issue;
        const std::optional<CommandOutcome> outcome =
            rebuild(QStringLiteral("删除到%1期").arg(last), [last](const HistorySnapshot &stored, QString *refusal) {
                return HistoryMaintenance::upToStored(stored, last, refusal);
            });
        if (outcome)
            return *outcome;
    }
}

// The draws `keep` selects from the history as it is on disk at that moment go through the
// backup file, which stays on disk for the user.
std::optional<CommandOutcome> TrimCommands::rebuild(
    const QString &reason, const std::function<std::vector<TextDraw>(const HistorySnapshot &, QString *)> &keep)
{
    const BusyCursor busy;
    const quint64 shown = HistoryMaintenance::fingerprint(m_commands.snapshot());
    const int before = m_commands.snapshot().count();
    bool changed = false;
    const auto keepShown = [&](const HistorySnapshot &stored, QString *refusal) {
        // Never a draw the user did not see: a history changed meanwhile is not touched.
        if (HistoryMaintenance::fingerprint(stored) != shown) {
            changed = true;
            *refusal = changedMessage;
            return std::vector<TextDraw>{};
        }
        return keep(stored, refusal);
    };
    const QString lsbf = m_commands.programFile(HistoryMaintenance::backupFileName());
    HistoryWriter::Backup backup = m_commands.backupFor(reason);
    QString error;
    std::optional<HistoryText::Reading> reading;
    {
        const HistoryCommands::Progress progress(m_commands);
        reading = HistoryWriter::rebuild(m_commands.history(), lsbf, keepShown, m_commands.currentIssue(),
                                         m_commands.segmentBase(), &error, &backup);
    }
    if (changed) {
        changedWhileAsking();
        return std::nullopt;
    }
    if (!reading)
        return failure(trimTitle, QStringLiteral("删除没有完成：%1\n（备份文件 %2）\n\n历史号码没有改变。")
                                      .arg(error, QDir::toNativeSeparators(lsbf)));
    m_commands.setCurrentIssue(reading->currentIssue);
    m_commands.reload();
    CommandOutcome outcome;
    outcome.changed = true;
    removed(outcome, backup,
            QStringLiteral("已删除 %1 期，保留 %2 期").arg(before - int(reading->draws.size())).arg(reading->draws.size()),
            true);
    return outcome;
}

CommandOutcome TrimCommands::clear()
{
    const QString title = QStringLiteral("确认清空");
    if (!m_services.dialogs->question(m_parent, title,
                                      QStringLiteral("确定要清空所有的历史号码吗？清空前的历史号码会备份在“%1”文件夹中。")
                                          .arg(Backups::folderName())))
        return {};
    HistoryWriter::Backup backup = m_commands.backupFor(QStringLiteral("清空"));
    CommandOutcome outcome;
    const bool done = HistoryWriter::clear(m_commands.history(), &backup);
    if (!done)
        outcome = failure(title, QStringLiteral("清空没有完成：%1\n\n历史号码没有改变。").arg(m_commands.history().userError()));
    m_commands.reload();
    outcome.changed = true;
    if (done)
        removed(outcome, backup, QStringLiteral("已清空历史号码"));
    return outcome;
}

void TrimCommands::removed(CommandOutcome &outcome, const HistoryWriter::Backup &backup, const QString &what,
                           bool compact)
{
    outcome.status = what;
    if (backup.written) {
        m_undo[m_commands.history().path()] = Undo{*backup.written, HistoryMaintenance::fingerprint(m_commands.snapshot())};
        outcome.status += QStringLiteral("，可用 撤销上次删除 恢复（备份 %1）").arg(QDir::toNativeSeparators(backup.written->path));
    }
    // The removal is saved whatever compaction does: a failure is said after it, not as the outcome.
    if (compact && !m_commands.history().compact())
        outcome.status += QStringLiteral("；删除已保存，但压缩数据库没有成功：%1").arg(m_commands.history().userError());
}

CommandOutcome TrimCommands::undoRemoval()
{
    const QString title = QStringLiteral("撤销上次删除");
    const auto undo = m_undo.find(m_commands.history().path());
    if (undo == m_undo.end()) {
        // Ctrl+Z reaches here from anywhere in the window: a status line, not a box to dismiss.
        CommandOutcome nothing;
        nothing.status = QStringLiteral("没有可以撤销的删除。");
        return nothing;
    }
    if (HistoryMaintenance::fingerprint(m_commands.snapshot()) != undo->second.after)
        return failure(title, QStringLiteral("删除之后历史号码又有了改变，不能撤销。\n可以用“恢复备份”选择删除前的备份：%1")
                                  .arg(undo->second.backup.name));
    HistoryWriter::Backup backup = m_commands.backupFor(QStringLiteral("撤销前"));
    QString error;
    const std::optional<int> stored =
        HistoryWriter::restore(m_commands.history(), undo->second.backup, m_commands.segmentBase(), &backup, &error);
    if (!stored)
        return failure(title, QStringLiteral("撤销没有完成：%1\n\n历史号码没有改变。").arg(error));
    m_commands.reload();
    CommandOutcome outcome;
    outcome.changed = true;
    outcome.status = QStringLiteral("已撤销上次删除：恢复为 %1 期（%2）").arg(*stored).arg(undo->second.backup.name);
    m_undo.erase(undo);
    return outcome;
}

CommandOutcome TrimCommands::restoreBackup()
{
    const QString title = QStringLiteral("恢复备份");
    const std::vector<Backups::Entry> entries = Backups::list(m_services.programFolder, m_commands.backupOwner());
    if (entries.empty())
        return failure(title, QStringLiteral("还没有备份。删除、清空、读入或替换历史号码之前，程序会自动备份。"));
    QStringList items;
    for (const Backups::Entry &entry : entries)
        items << Backups::describe(entry);
    const std::optional<int> chosen = m_services.dialogs->choose(
        m_parent, title, QStringLiteral("选择要恢复的备份（时间、原因、期数、起止期号）："), items);
    if (!chosen || *chosen < 0 || *chosen >= int(entries.size()))
        return {};
    const Backups::Entry &entry = entries[size_t(*chosen)];
    if (!m_services.dialogs->question(m_parent, title,
                                      QStringLiteral("用备份 %1 的 %2 期替换现在的 %3 期历史号码吗？\n现在的历史号码会先备份。")
                                          .arg(entry.name)
                                          .arg(entry.draws)
                                          .arg(m_commands.snapshot().count())))
        return {};
    HistoryWriter::Backup backup = m_commands.backupFor(QStringLiteral("恢复前"));
    QString error;
    const std::optional<int> stored =
        HistoryWriter::restore(m_commands.history(), entry, m_commands.segmentBase(), &backup, &error);
    if (!stored)
        return failure(title, QStringLiteral("恢复没有完成：%1\n\n历史号码没有改变。").arg(error));
    m_commands.reload();
    CommandOutcome outcome;
    outcome.changed = true;
    outcome.status = QStringLiteral("已恢复备份 %1（%2 期）").arg(entry.name).arg(*stored);
    // A backup keeps its game: the history may now hold another game's draws than the one chosen.
    if (const QString other = m_commands.otherGameCaption(); !other.isEmpty())
        outcome.status += QStringLiteral("；历史号码属于%1").arg(other);
    if (backup.written)
        m_undo[m_commands.history().path()] = Undo{*backup.written, HistoryMaintenance::fingerprint(m_commands.snapshot())};
    return outcome;
}
