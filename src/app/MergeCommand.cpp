#include "MergeCommand.h"

#include <set>

#include "OnlineUpdate.h"
#include "ProvinceTable.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString mergeTitle = QStringLiteral("合并开奖号码");

QString digits(const Numbers &n)
{
    return QStringLiteral("%1 %2 %3").arg(n[0]).arg(n[1]).arg(n[2]);
}

// The file kinds a drop takes: what results are usually saved or exported as.
bool isDrawFile(const QString &path)
{
    static const QStringList kinds{QStringLiteral("txt"), QStringLiteral("csv"), QStringLiteral("html"),
                                   QStringLiteral("htm")};
    return kinds.contains(QFileInfo(path).suffix().toLower());
}

QTableWidget *table(const char *name, const QStringList &header, const QString &accessibleName)
{
    auto *t = new QTableWidget(0, int(header.size()));
    t->setObjectName(QLatin1String(name));
    t->setHorizontalHeaderLabels(header);
    t->verticalHeader()->setVisible(false);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->horizontalHeader()->setStretchLastSection(true);
    t->setAccessibleName(accessibleName);
    return t;
}

} // namespace

MergePreviewDialog::MergePreviewDialog(const DrawText::Reading &reading, const HistoryWriter::Merge &plan,
                                       const QString &source, std::optional<qint32> lastStored, QWidget *parent)
    : QDialog(parent)
    , m_draws(plan.fresh)
{
    setObjectName(QStringLiteral("MergePreview"));
    setWindowTitle(mergeTitle);
    resize(560, 560);
    auto *layout = new QVBoxLayout(this);
    QString summary = QStringLiteral("%1：新 %2 期").arg(source).arg(plan.fresh.size());
    if (plan.gapFills > 0)
        summary += QStringLiteral("（其中 %1 期补在已有的期号之间）").arg(plan.gapFills);
    if (const int outOfOrder = HistoryText::outOfOrder(plan.fresh); outOfOrder > 0)
        summary += QStringLiteral("（其中 %1 期号码不是从小到大，按原样存放）").arg(outOfOrder);
    summary += QStringLiteral("，已有 %1 期，冲突 %2 期，跳过 %3 行。")
                   .arg(plan.same.size())
                   .arg(plan.conflicting.size())
                   .arg(reading.skippedCount);
    if (!plan.conflicting.empty())
        summary += QStringLiteral("\n红色的 %1 期与已存的号码不同：请先核对，有冲突时不能合并。").arg(plan.conflicting.size());
    else if (plan.fresh.empty())
        summary += QStringLiteral("\n没有新的开奖号码可以合并。");
    auto *label = new QLabel(summary);
    label->setObjectName(QStringLiteral("lblMergeSummary"));
    label->setWordWrap(true);
    layout->addWidget(label);

    // Every draw found, in issue order, with what it is to the history.
    struct Row
    {
        TextDraw draw;
        QString state;
        int kind; // 0 new, 1 same, 2 conflicting
    };
    std::vector<Row> rows;
    for (const TextDraw &d : plan.fresh)
        rows.push_back({d, lastStored && d.issue < *lastStored ? QStringLiteral("新（补缺）") : QStringLiteral("新"), 0});
    for (const TextDraw &d : plan.same)
        rows.push_back({d, QStringLiteral("已有"), 1});
    for (const auto &[draw, stored] : plan.conflicting)
        rows.push_back({draw, QStringLiteral("冲突：已存 %1").arg(digits(stored)), 2});
    std::sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) { return a.draw.issue < b.draw.issue; });
    auto *draws = table("grdMergeDraws", {QStringLiteral("期号"), QStringLiteral("号码"), QStringLiteral("状态")},
                        QStringLiteral("找到的开奖号码"));
    draws->setRowCount(int(rows.size()));
    QFont bold = draws->font();
    bold.setBold(true);
    for (int r = 0; r < int(rows.size()); ++r) {
        const Row &row = rows[size_t(r)];
        const QStringList cells{QString::number(row.draw.issue), digits(row.draw.numbers), row.state};
        for (int c = 0; c < 3; ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            if (row.kind == 0)
                item->setFont(bold);
            else if (row.kind == 1)
                item->setForeground(QColor(Qt::gray));
            else
                item->setForeground(QColor(Qt::red));
            draws->setItem(r, c, item);
        }
    }
    layout->addWidget(new QLabel(QStringLiteral("找到的开奖号码（粗体为新的，灰色为已有的，红色为与已存号码不同的）：")));
    layout->addWidget(draws, 3);

    auto *skipped = table("grdMergeSkipped", {QStringLiteral("行"), QStringLiteral("原因"), QStringLiteral("内容")},
                          QStringLiteral("跳过的行"));
    skipped->setRowCount(int(reading.skipped.size()));
    for (int r = 0; r < int(reading.skipped.size()); ++r) {
        const DrawText::Skipped &s = reading.skipped[size_t(r)];
        skipped->setItem(r, 0, new QTableWidgetItem(QString::number(s.line)));
        skipped->setItem(r, 1, new QTableWidgetItem(s.reason));
        skipped->setItem(r, 2, new QTableWidgetItem(s.text));
    }
    skipped->resizeColumnToContents(1);
    layout->addWidget(new QLabel(QStringLiteral("跳过的行：")));
    layout->addWidget(skipped, 1);

    auto *buttons = new QDialogButtonBox;
    auto *merge = buttons->addButton(QStringLiteral("合并 %1 期").arg(plan.fresh.size()), QDialogButtonBox::AcceptRole);
    merge->setObjectName(QStringLiteral("cmdMerge"));
    merge->setEnabled(!plan.fresh.empty() && plan.conflicting.empty());
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("cmdMergeCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

MergeCommand::MergeCommand(QWidget *window, QWidget *historyGrid, HistoryCommands &commands)
    : QObject(window)
    , m_window(window)
    , m_commands(commands)
{
    window->setAcceptDrops(true);
    window->installEventFilter(this);
    auto *paste = new QShortcut(QKeySequence::Paste, historyGrid, nullptr, nullptr, Qt::WidgetShortcut);
    connect(paste, &QShortcut::activated, this, &MergeCommand::pasteFromClipboard);
}

void MergeCommand::pasteFromClipboard()
{
    QString text = QApplication::clipboard()->text();
    // Some pages and programs copy only HTML: the reader takes that too.
    if (const QMimeData *data = QApplication::clipboard()->mimeData(); text.trimmed().isEmpty() && data && data->hasHtml())
        text = data->html();
    if (text.trimmed().isEmpty()) {
        CommandOutcome nothing;
        nothing.status = QStringLiteral("剪贴板里没有文字：请先在网页或表格里选中开奖号码并复制。");
        emit finished(nothing);
        return;
    }
    preview(text.toUtf8(), QStringLiteral("剪贴板"));
}

void MergeCommand::openFile(const QString &path)
{
    QString error;
    const std::optional<QByteArray> content = HistoryText::loadFile(path, &error);
    if (!content) {
        emit finished(CommandOutcome::failure(
            mergeTitle, QStringLiteral("无法读取文件：\n%1\n%2\n\n历史号码没有改变。").arg(QDir::toNativeSeparators(path), error)));
        return;
    }
    preview(*content, QFileInfo(path).fileName());
}

void MergeCommand::preview(const QByteArray &content, const QString &source)
{
    m_commands.syncWithDisk();
    if (const QString other = m_commands.otherGameCaption(); !other.isEmpty()) {
        emit finished(CommandOutcome::failure(
            mergeTitle, QStringLiteral("历史号码属于%1，不能合并%2的开奖号码。\n请在“彩种选择”中选择%1。\n\n历史号码没有改变。")
                            .arg(other, ProvinceTable::at(m_commands.game().index).caption)));
        return;
    }
    const bool running = m_commands.game().index == OnlineUpdate::plainIssueGame;
    DrawText::Reading reading =
        DrawText::readBytes(content, running ? DrawText::IssueStyle::Running : DrawText::IssueStyle::Dated);
    if (!running)
        DrawText::dropUnsound(reading, m_commands.game().drawsPerDay);
    std::vector<TextDraw> draws;
    for (const DrawText::Found &found : reading.draws)
        draws.push_back(found.draw);
    m_readTimes = DrawText::timesOf(reading, draws);
    const std::optional<HistoryWriter::Merge> plan =
        HistoryWriter::merge(m_commands.history(), draws, m_commands.segmentBase(), true);
    if (!plan) {
        emit finished(CommandOutcome::failure(
            mergeTitle, QStringLiteral("无法读取历史号码：%1").arg(m_commands.history().userError())));
        return;
    }
    const HistorySnapshot &shown = m_commands.snapshot();
    auto *dialog = new MergePreviewDialog(reading, *plan, source,
                                          shown.isEmpty() ? std::nullopt : std::optional<qint32>(shown.last().sqqh), m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] { emit finished(merge(dialog->draws())); });
    dialog->open();
}

CommandOutcome MergeCommand::merge(const std::vector<TextDraw> &draws)
{
    const std::optional<HistoryWriter::Merge> merged =
        HistoryWriter::merge(m_commands.history(), draws, m_commands.segmentBase(), false);
    if (!merged)
        return CommandOutcome::failure(mergeTitle, QStringLiteral("合并没有完成：%1\n\n历史号码没有改变。")
                                                       .arg(m_commands.history().userError()));
    if (!merged->conflicting.empty())
        return CommandOutcome::failure(mergeTitle, QStringLiteral("另一个程序刚刚存入了不同的号码（第 %1 期），没有合并任何号码。")
                                                       .arg(merged->conflicting.front().draw.issue));
    // The times read beside the draws now stored as read.
    std::set<qint32> kept;
    for (const std::vector<TextDraw> *part : {&merged->fresh, &merged->same})
        for (const TextDraw &draw : *part)
            kept.insert(draw.issue);
    std::vector<DrawTimes::Timed> times;
    for (const DrawTimes::Timed &timed : m_readTimes)
        if (kept.count(timed.first))
            times.push_back(timed);
    const bool timesKept = DrawTimes::store(m_commands.history(), times);
    m_commands.reload();
    CommandOutcome outcome;
    outcome.changed = true;
    outcome.status = QStringLiteral("已合并 %1 期").arg(merged->added);
    if (!timesKept)
        outcome.status += QStringLiteral("（开奖时间没有保存：%1）").arg(m_commands.history().userError());
    if (merged->gapFills > 0)
        outcome.status += QStringLiteral("（其中 %1 期补在已有的期号之间）").arg(merged->gapFills);
    return outcome;
}

bool MergeCommand::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && (event->type() == QEvent::DragEnter || event->type() == QEvent::Drop)) {
        auto *drop = static_cast<QDropEvent *>(event);
        const QList<QUrl> urls = drop->mimeData()->urls();
        const bool one = urls.size() == 1 && urls.front().isLocalFile() && isDrawFile(urls.front().toLocalFile());
        if (!one)
            return false;
        drop->acceptProposedAction();
        if (event->type() == QEvent::Drop)
            openFile(urls.front().toLocalFile());
        return true;
    }
    return QObject::eventFilter(watched, event);
}
