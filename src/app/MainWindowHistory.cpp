// The commands of MainWindow that write the history: manual entry, import, trimming with
// rebuild and compaction, and the text export.
#include "MainWindow.h"

#include "BusyCursor.h"
#include "Clock.h"
#include "Derivation.h"
#include "Dialogs.h"
#include "GridModel.h"
#include "GridView.h"
#include "HistoryGrid.h"
#include "HistoryMaintenance.h"
#include "HistoryWriter.h"
#include "IssueNumbers.h"
#include "Launcher.h"
#include "OnlineUpdate.h"
#include "PatternRefresh.h"

#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>

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
} // namespace

// After the history was replaced or extended: grid, range, next issue and pattern follow it.
void MainWindow::showNewHistory()
{
    addHaoma();
    setRangeBoxes();
    qihaoXianshi();
    patternRefresh();
}

// While a large write runs, a progress bar once it takes longer than half a second. Only painting
// goes on meanwhile: no command can start in the middle of a write.
MainWindow::WriteProgress::WriteProgress(MainWindow &window)
    : m_window(window)
{
    m_clock.start();
    window.m_history.setProgressWatcher([this](qint64 done, qint64 total) {
        if (m_clock.elapsed() < 500)
            return;
        QProgressBar *bar = m_window.m_ui.prgUpdate;
        bar->setRange(0, int(std::min<qint64>(total, std::numeric_limits<int>::max())));
        bar->setValue(int(std::min<qint64>(done, std::numeric_limits<int>::max())));
        bar->setVisible(true);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
}

MainWindow::WriteProgress::~WriteProgress()
{
    m_window.m_history.setProgressWatcher({});
    m_window.m_ui.prgUpdate->setVisible(false);
    m_window.m_ui.prgUpdate->setRange(0, 0);
}

void MainWindow::syncWithDisk()
{
    if (!m_history.changedElsewhere())
        return;
    showNewHistory();
    showStatus(
        QStringLiteral("历史号码已被另一个程序修改，已重新读入（共 %1 期）。").arg(m_snapshot.count()));
}

QString MainWindow::programFile(const QString &name) const
{
    return QDir(m_services.programFolder).filePath(name);
}

void MainWindow::onEntryChanged(int position)
{
    if (m_entryPaused)
        return;
    if (position == 3 && !m_ui.MaskEdBox1.value(3)->text().isEmpty())
        storeTypedDraw();
    else if (position < 3 && !m_ui.MaskEdBox1.value(position)->text().isEmpty())
        m_ui.MaskEdBox1.value(position + 1)->setFocus();
}

void MainWindow::storeTypedDraw()
{
    Numbers numbers{};
    for (int p = 1; p <= 3; ++p) {
        QLineEdit *box = m_ui.MaskEdBox1.value(p);
        if (box->text().isEmpty()) {
            m_services.dialogs->message(this, entryTitle,
                                        QStringLiteral("请输入三个1到6之间的号码，每个框一个。"));
            box->setFocus();
            return;
        }
        numbers[size_t(p - 1)] = qint16(box->text().toInt());
    }
    syncWithDisk();
    // The draw is stored under the issue the window asks for, unless that box holds no issue. Left
    // as the window showed it, the next issue is taken from the history as it is when stored.
    bool ok = false;
    const qint32 shown = m_ui.Text1->text().toInt(&ok);
    const std::optional<qint32> next =
        m_snapshot.isEmpty() ? std::nullopt : IssueNumbers::next(m_snapshot.last().sqqh, m_drawsPerDay);
    std::optional<qint32> issue;
    if (!ok || shown <= 0)
        issue = m_currentIssue;
    else if (shown != next)
        issue = shown;

    const std::optional<DrawRecord> row =
        HistoryWriter::addDraw(m_history, issue, numbers, m_search.DsIni, m_drawsPerDay, shown);
    if (!row) {
        m_services.dialogs->message(this, entryTitle,
                                    QStringLiteral("第 %1 期号码没有保存：%2\n\n历史号码没有改变。")
                                        .arg(issue.value_or(shown))
                                        .arg(m_history.userError()));
        return;
    }
    m_history.recordGame(m_gameIndex, false);
    // Only this draw is new, after every other one, unless another program wrote meanwhile or
    // the draw filled a gap.
    const bool appended = !m_history.changedElsewhere() &&
                          (m_snapshot.isEmpty() || row->sqqh > m_snapshot.last().sqqh);
    if (appended)
        m_snapshot.append(*row);
    else
        reopenSnapshot();
    patternRefresh();
    m_entryPaused = true;
    for (QLineEdit *box : std::as_const(m_ui.MaskEdBox1))
        box->clear();
    m_ui.MaskEdBox1.value(1)->setFocus();
    if (row->sqqh < std::numeric_limits<qint32>::max()) {
        m_ui.Text1->setText(QString::number(row->sqqh + 1));
        m_ui.Text3.value(1)->setText(m_ui.Text1->text());
    }
    if (!appended || !HistoryGrid::append(*m_ui.grid1, *row))
        fillHistoryGrid();
    qihaoXianshi();
    showStatus(QStringLiteral("已录入 %1 期：%2 %3 %4")
                   .arg(row->sqqh)
                   .arg(numbers[0])
                   .arg(numbers[1])
                   .arg(numbers[2]));
}

void MainWindow::onImportClicked()
{
    if (!m_services.dialogs->question(
            this, importTitle,
            QStringLiteral(
                "确实要读入最新历史号码吗？点击'确认'读入,点击'取消'放弃该操作。确要读入请保证安装目录下"
                "存在历史号码的文本文件文件。读取时可能要花费一段时间,请耐心等候！")))
        return;
    const QString folder = programFile(QStringLiteral("历史号码"));
    QDir().mkpath(folder);
    const QString chosen =
        m_services.dialogs->openFile(this, importTitle, folder, QStringLiteral("Text(*.txt)"));
    if (chosen.right(3).compare(QLatin1String("txt"), Qt::CaseInsensitive) == 0)
        importFile(chosen);
    qihaoXianshi();
}

void MainWindow::importFile(const QString &path)
{
    syncWithDisk();
    const BusyCursor busy;
    // The whole file is read and checked before the history is touched.
    QString error;
    const std::optional<QByteArray> content = HistoryText::loadFile(path, &error);
    if (!content) {
        m_services.dialogs->message(this, importTitle,
                                    QStringLiteral("无法读取文件：\n%1\n%2\n\n历史号码没有改变。")
                                        .arg(QDir::toNativeSeparators(path), error));
        return;
    }
    std::optional<HistoryText::Reading> reading;
    {
        const WriteProgress progress(*this);
        reading = HistoryWriter::import(m_history, *content, m_currentIssue, m_search.DsIni, &error);
    }
    if (!reading) {
        m_services.dialogs->message(this, importTitle,
                                    QStringLiteral("读入没有完成：%1\n\n历史号码没有改变。").arg(error));
        return;
    }
    m_history.recordGame(m_gameIndex, true);
    m_currentIssue = reading->currentIssue;
    showNewHistory();
    QString status =
        QStringLiteral("读入 %1 期历史号码，跳过 %2 行。").arg(reading->draws.size()).arg(reading->skipped);
    if (!reading->notes.empty())
        status += QStringLiteral("（第 %1 行：%2）").arg(reading->notes.front().line).arg(reading->notes.front().reason);
    showStatus(status);
}

void MainWindow::onDeleteLastClicked()
{
    syncWithDisk();
    if (!m_history.deleteLast()) {
        m_services.dialogs->message(
            this, trimTitle,
            QStringLiteral("删除没有完成：%1\n\n历史号码没有改变。").arg(m_history.userError()));
        return;
    }
    reopenSnapshot();
    patternRefresh();
    compactDb();
    addHaoma();
    qihaoXianshi();
    m_ui.MaskEdBox1.value(1)->setFocus();
}

void MainWindow::onClearClicked()
{
    if (!m_services.dialogs->question(this, QStringLiteral("确认清空"),
                                      QStringLiteral("确定要清空所有的历史号码吗？")))
        return;
    if (!delrec())
        m_services.dialogs->message(
            this, QStringLiteral("确认清空"),
            QStringLiteral("清空没有完成：%1\n\n历史号码没有改变。").arg(m_history.userError()));
    addHaoma();
}

void MainWindow::onKeepUpToClicked()
{
    syncWithDisk();
    const auto answer = positiveNumber(
        m_services.dialogs->input(this, trimTitle, QStringLiteral("请输入需要删除到的期数，例如‘2014016’"),
                                  QString::number(qint64(m_currentIssue) - 1)));
    if (!answer)
        return;
    const qint64 last = *answer;
    if (dqzd([last](const HistorySnapshot &stored) { return HistoryMaintenance::upTo(stored, last); }))
        compactDb();
}

void MainWindow::onDeleteLastCountClicked()
{
    syncWithDisk();
    const auto count = positiveNumber(m_services.dialogs->input(
        this, trimTitle,
        QStringLiteral("请输入需要删除最后多少期历史号码（例如输入3，那么就将删除最后的3期历史号码）"),
        QStringLiteral("1")));
    if (!count)
        return;
    const qint64 n = *count;
    if (dqzd([n](const HistorySnapshot &stored) { return HistoryMaintenance::allButLast(stored, n); }))
        compactDb();
}

// The draws `keep` selects from the history as it is on disk at that moment go through the
// backup file, which stays on disk for the user.
bool MainWindow::dqzd(const HistoryWriter::Selection &keep)
{
    const BusyCursor busy;
    const QString backup = programFile(HistoryMaintenance::backupFileName());
    QString error;
    std::optional<HistoryText::Reading> reading;
    {
        const WriteProgress progress(*this);
        reading = HistoryWriter::rebuild(m_history, backup, keep, m_currentIssue, m_search.DsIni, &error);
    }
    if (!reading) {
        m_services.dialogs->message(this, trimTitle,
                                    QStringLiteral("删除没有完成：%1\n（备份文件 %2）\n\n历史号码没有改变。")
                                        .arg(error, QDir::toNativeSeparators(backup)));
        return false;
    }
    m_currentIssue = reading->currentIssue;
    addHaoma();
    qihaoXianshi();
    patternRefresh();
    return true;
}

void MainWindow::compactDb()
{
    if (!m_history.compact())
        m_services.dialogs->message(
            this, QStringLiteral("压缩数据库"),
            QStringLiteral("压缩历史数据库没有成功，原来的数据库文件保持不变，历史号码没有丢失。\n%1")
                .arg(m_history.userError()));
}

void MainWindow::setCommandsEnabled(bool enabled)
{
    menuBar()->setEnabled(enabled);
    for (QWidget *control :
         std::initializer_list<QWidget *>{m_ui.Command1, m_ui.Command2, m_ui.Command3, m_ui.Command4,
                                          m_ui.Command9, m_ui.Command21, m_ui.cmdRdLst})
        control->setEnabled(enabled);
    for (QLineEdit *box : std::as_const(m_ui.MaskEdBox1))
        box->setEnabled(enabled);
    // A double click on a grid exports it, a right click opens the history menu.
    for (int n = 1; n <= 3; ++n)
        gridView(n)->setEnabled(enabled);
}

void MainWindow::onUpdateClicked()
{
    if (!m_services.dialogs->question(
            this, importTitle,
            QStringLiteral("确实要在线更新最新历史号码吗？更新可能要花费一段时间，网络不通或者我方服务器"
                           "更新不及时可能都造成更新失败！")))
        return;
    // The default host never resolves: a first-time user is asked for the real one first.
    if (m_settings.updateHost() == OnlineUpdate::defaultHost()) {
        if (!m_services.dialogs->question(this, importTitle,
                                          QStringLiteral("还没有设置开奖网址，无法在线更新。现在设置吗？")) ||
            !askUpdateHost())
            return;
    }
    syncWithDisk();
    OnlineUpdate::Outcome outcome;
    {
        // The window keeps painting while the page loads; no other command may start meanwhile,
        // but the load can be cancelled.
        const BusyCursor busy;
        setCommandsEnabled(false);
        m_ui.prgUpdate->setVisible(true);
        m_ui.cmdUpdateCancel->setVisible(true);
        showStatus(QStringLiteral("正在读取开奖网页……"));
        const OnlineUpdate::Game game{m_gameIndex, m_gameCode, m_drawsPerDay};
        outcome =
            OnlineUpdate::run(m_history, m_snapshot, *m_services.pageLoader, game, m_settings.updateHost(),
                              m_services.clock->today(), m_daysToKeep, m_search.DsIni, historyOfOtherGame());
        if (outcome.added > 0)
            m_history.recordGame(m_gameIndex, outcome.replaced);
        m_ui.prgUpdate->setVisible(false);
        m_ui.cmdUpdateCancel->setVisible(false);
        setCommandsEnabled(true);
    }
    if (outcome.added == 0) {
        QString why = outcome.error;
        if (why.isEmpty() && outcome.lastStoredOnPage)
            why = QStringLiteral("开奖网页上还没有第 %1 期之后的开奖号码。").arg(m_snapshot.last().sqqh);
        else if (why.isEmpty())
            why = QStringLiteral("开奖网页上没有找到开奖号码，请检查开奖网址（菜单“设置 → 开奖网址”）。");
        showStatus(QStringLiteral("在线更新没有得到新的开奖号码，历史号码没有改变。"));
        m_services.dialogs->message(
            this, importTitle,
            QStringLiteral("在线更新没有得到新的开奖号码，历史号码保持不变。\n%1").arg(why));
        return;
    }
    showNewHistory();
    showStatus(QStringLiteral("在线更新：新增 %1 期开奖号码%2。")
                   .arg(outcome.added)
                   .arg(outcome.replaced
                            ? QStringLiteral("（旧的历史号码已超过保留天数或属于另一彩种，已替换）")
                            : QString()));
}

bool MainWindow::askUpdateHost()
{
    const std::optional<QString> answer = m_services.dialogs->input(
        this, QStringLiteral("开奖网址"),
        QStringLiteral("请输入开奖网页的主机名，即网址中跟在彩种代码之后的部分，例如 .results.example.com"),
        m_settings.updateHost());
    if (!answer)
        return false;
    const QString host = answer->trimmed();
    static const QRegularExpression hostName(QStringLiteral("^[A-Za-z0-9.-]{1,200}(:[0-9]{1,5})?$"));
    if (!hostName.match(host).hasMatch()) {
        m_services.dialogs->message(this, QStringLiteral("开奖网址"),
                                    QStringLiteral("“%1”不是主机名，开奖网址没有改变。").arg(host));
        return false;
    }
    m_settings.setUpdateHost(host);
    showStatus(QStringLiteral("开奖网址已设为 %1").arg(host));
    return true;
}

void MainWindow::onExportClicked()
{
    syncWithDisk();
    const QString path = programFile(HistoryMaintenance::exportFileName(m_snapshot));
    QString error;
    if (!HistoryText::writeFile(path, HistoryMaintenance::gridText(*m_ui.grid1), &error)) {
        m_services.dialogs->message(
            this, QStringLiteral("导出历史号码"),
            QStringLiteral("无法写入文件：\n%1\n%2").arg(QDir::toNativeSeparators(path), error));
        return;
    }
    openOrSayWhere(path, QStringLiteral("历史号码文本文件"));
}
