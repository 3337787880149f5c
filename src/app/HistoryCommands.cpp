#include "HistoryCommands.h"

#include "BusyCursor.h"
#include "Dialogs.h"
#include "GridModel.h"
#include "HistoryMaintenance.h"
#include "IssueNumbers.h"
#include "ProvinceTable.h"

#include <QCursor>
#include <QDir>
#include <QElapsedTimer>

namespace {
const QString entryTitle = QStringLiteral("输入号码");
const QString importTitle = QStringLiteral("读入历史");
const QString trimTitle = QStringLiteral("删除期数");

std::optional<qint64> positiveNumber(const std::optional<QString> &answer)
{
    bool ok = false;
    const qint64 value = answer ? answer->trimmed().toLongLong(&ok) : 0;
    return ok && value > 0 ? std::optional<qint64>(value) : std::nullopt;
}

CommandOutcome failure(const QString &title, const QString &message)
{
    CommandOutcome outcome;
    outcome.title = title;
    outcome.message = message;
    return outcome;
}

// While a large write runs, its progress once it takes longer than half a second.
class WriteProgress
{
public:
    WriteProgress(HistoryDb &db, HistoryCommands &commands)
        : m_db(db)
        , m_commands(commands)
    {
        m_clock.start();
        db.setProgressWatcher([this](qint64 done, qint64 total) {
            if (m_clock.elapsed() >= 500)
                emit m_commands.progress(done, total);
        });
    }
    ~WriteProgress()
    {
        m_db.setProgressWatcher({});
        emit m_commands.progress(-1, -1);
    }

private:
    HistoryDb &m_db;
    HistoryCommands &m_commands;
    QElapsedTimer m_clock;
};

} // namespace

HistoryCommands::HistoryCommands(const AppServices &services, QWidget *dialogParent)
    : m_services(services)
    , m_parent(dialogParent)
{
    setGame(m_settings.gsZl());
}

QString HistoryCommands::programFile(const QString &name) const
{
    return QDir(m_services.programFolder).filePath(name);
}

CommandOutcome HistoryCommands::open()
{
    const QString path = programFile(HistoryDb::fileName());
    switch (m_history.open(path)) {
    case HistoryDb::OpenStatus::Ok:
        reload();
        return {};
    case HistoryDb::OpenStatus::NotADatabase:
        return failure(QStringLiteral("历史数据库"),
                       QStringLiteral("无法打开历史数据库文件：\n%1\n\n该文件不是有效的数据库或已损坏。"
                                      "程序不会修改或删除它；请检查该文件，或将其移走后重新启动程序。")
                           .arg(QDir::toNativeSeparators(path)));
    case HistoryDb::OpenStatus::NoSchema:
        return failure(QStringLiteral("历史数据库"), QStringLiteral("无法在历史数据库文件中建立数据表：\n%1\n\n%2")
                                                         .arg(QDir::toNativeSeparators(path), m_history.lastError()));
    }
    return {};
}

void HistoryCommands::reload()
{
    std::optional<HistorySnapshot> read = m_history.snapshot();
    // A history that cannot be read is shown as none, never as the copy from before.
    m_copyFailed = m_history.isOpen() && !read;
    m_snapshot = std::move(read).value_or(HistorySnapshot());
    if (!m_snapshot.isEmpty())
        m_currentIssue = m_snapshot.last().qqh;
}

void HistoryCommands::setGame(int index)
{
    const Province &game = ProvinceTable::at(index);
    m_game = {index, game.code, game.drawsPerDay};
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
    reload();
    return true;
}

CommandOutcome HistoryCommands::storeDraw(const QString &issueText, const Numbers &numbers)
{
    // The draw is stored under the issue the window asks for, unless that box holds no issue. Left
    // as the window showed it, the next issue is taken from the history as it is when stored.
    bool ok = false;
    const qint32 shown = issueText.toInt(&ok);
    const std::optional<qint32> next =
        m_snapshot.isEmpty() ? std::nullopt : IssueNumbers::next(m_snapshot.last().sqqh, m_game.drawsPerDay);
    std::optional<qint32> issue;
    if (!ok || shown <= 0)
        issue = m_currentIssue;
    else if (shown != next)
        issue = shown;

    const std::optional<DrawRecord> row =
        HistoryWriter::addDraw(m_history, issue, numbers, m_segmentBase, m_game.drawsPerDay, shown);
    if (!row)
        return failure(entryTitle, QStringLiteral("第 %1 期号码没有保存：%2\n\n历史号码没有改变。")
                                       .arg(issue.value_or(shown))
                                       .arg(m_history.userError()));
    m_history.recordGame(m_game.index, false);
    CommandOutcome outcome;
    outcome.changed = true;
    outcome.typed = row;
    // Only this draw is new, after every other one, unless another program wrote meanwhile or
    // the draw filled a gap.
    outcome.appended = !m_history.changedElsewhere() && (m_snapshot.isEmpty() || row->sqqh > m_snapshot.last().sqqh);
    if (outcome.appended)
        m_snapshot.append(*row);
    else
        reload();
    m_currentIssue = row->qqh;
    outcome.status =
        QStringLiteral("已录入 %1 期：%2 %3 %4").arg(row->sqqh).arg(numbers[0]).arg(numbers[1]).arg(numbers[2]);
    return outcome;
}

CommandOutcome HistoryCommands::chooseAndImport()
{
    if (!m_services.dialogs->question(
            m_parent, importTitle,
            QStringLiteral(
                "确实要读入最新历史号码吗？点击'确认'读入,点击'取消'放弃该操作。确要读入请保证安装目录下"
                "存在历史号码的文本文件文件。读取时可能要花费一段时间,请耐心等候！")))
        return {};
    const QString folder = programFile(QStringLiteral("历史号码"));
    QDir().mkpath(folder);
    const QString chosen = m_services.dialogs->openFile(m_parent, importTitle, folder, QStringLiteral("Text(*.txt)"));
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
    {
        const WriteProgress progress(m_history, *this);
        reading = HistoryWriter::import(m_history, *content, m_currentIssue, m_segmentBase, &error);
    }
    if (!reading)
        return failure(importTitle, QStringLiteral("读入没有完成：%1\n\n历史号码没有改变。").arg(error));
    m_history.recordGame(m_game.index, true);
    m_currentIssue = reading->currentIssue;
    reload();
    CommandOutcome outcome;
    outcome.changed = true;
    outcome.status =
        QStringLiteral("读入 %1 期历史号码，跳过 %2 行。").arg(reading->draws.size()).arg(reading->skipped);
    if (!reading->notes.empty())
        outcome.status +=
            QStringLiteral("（第 %1 行：%2）").arg(reading->notes.front().line).arg(reading->notes.front().reason);
    return outcome;
}

CommandOutcome HistoryCommands::deleteLast()
{
    if (!m_history.deleteLast())
        return failure(trimTitle,
                       QStringLiteral("删除没有完成：%1\n\n历史号码没有改变。").arg(m_history.userError()));
    reload();
    CommandOutcome outcome;
    outcome.changed = true;
    compactInto(outcome);
    return outcome;
}

CommandOutcome HistoryCommands::clear()
{
    const QString title = QStringLiteral("确认清空");
    if (!m_services.dialogs->question(m_parent, title, QStringLiteral("确定要清空所有的历史号码吗？")))
        return {};
    CommandOutcome outcome;
    if (!m_history.delrec())
        outcome = failure(title, QStringLiteral("清空没有完成：%1\n\n历史号码没有改变。").arg(m_history.userError()));
    reload();
    outcome.changed = true;
    return outcome;
}

CommandOutcome HistoryCommands::keepUpTo()
{
    const auto answer = positiveNumber(
        m_services.dialogs->input(m_parent, trimTitle, QStringLiteral("请输入需要删除到的期数，例如‘2014016’"),
                                  QString::number(qint64(m_currentIssue) - 1)));
    if (!answer)
        return {};
    const qint64 last = *answer;
    return rebuild([last](const HistorySnapshot &stored) { return HistoryMaintenance::upTo(stored, last); });
}

CommandOutcome HistoryCommands::deleteLastCount()
{
    const auto count = positiveNumber(m_services.dialogs->input(
        m_parent, trimTitle,
        QStringLiteral("请输入需要删除最后多少期历史号码（例如输入3，那么就将删除最后的3期历史号码）"),
        QStringLiteral("1")));
    if (!count)
        return {};
    const qint64 n = *count;
    return rebuild([n](const HistorySnapshot &stored) { return HistoryMaintenance::allButLast(stored, n); });
}

// The draws `keep` selects from the history as it is on disk at that moment go through the
// backup file, which stays on disk for the user.
CommandOutcome HistoryCommands::rebuild(const HistoryWriter::Selection &keep)
{
    const BusyCursor busy;
    const QString backup = programFile(HistoryMaintenance::backupFileName());
    QString error;
    std::optional<HistoryText::Reading> reading;
    {
        const WriteProgress progress(m_history, *this);
        reading = HistoryWriter::rebuild(m_history, backup, keep, m_currentIssue, m_segmentBase, &error);
    }
    if (!reading)
        return failure(trimTitle, QStringLiteral("删除没有完成：%1\n（备份文件 %2）\n\n历史号码没有改变。")
                                      .arg(error, QDir::toNativeSeparators(backup)));
    m_currentIssue = reading->currentIssue;
    reload();
    CommandOutcome outcome;
    outcome.changed = true;
    compactInto(outcome);
    return outcome;
}

void HistoryCommands::compactInto(CommandOutcome &outcome)
{
    if (m_history.compact())
        return;
    outcome.title = QStringLiteral("压缩数据库");
    outcome.message = QStringLiteral("压缩历史数据库没有成功，原来的数据库文件保持不变，历史号码没有丢失。\n%1")
                          .arg(m_history.userError());
}

CommandOutcome HistoryCommands::exportText(GridModel &historyGrid)
{
    const QString path = programFile(HistoryMaintenance::exportFileName(m_snapshot));
    QString error;
    if (!HistoryText::writeFile(path, HistoryMaintenance::gridText(historyGrid), &error))
        return failure(QStringLiteral("导出历史号码"),
                       QStringLiteral("无法写入文件：\n%1\n%2").arg(QDir::toNativeSeparators(path), error));
    CommandOutcome outcome;
    outcome.written = path;
    return outcome;
}
