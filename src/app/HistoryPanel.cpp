#include "HistoryPanel.h"

#include "GridModel.h"
#include "GridView.h"
#include "HistoryGrid.h"
#include "HistorySnapshot.h"
#include "IssueNumbers.h"
#include "Widgets.h"

#include <QBoxLayout>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QScrollBar>

using Widgets::indexed;
using Widgets::named;

HistoryPanel::HistoryPanel(QWidget *parent)
    : QWidget(parent)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    m_caption =
        named(new QLabel(QStringLiteral("在下面输入 2007001    期历史号码:")), QStringLiteral("Label12"));
    // The next-issue line names the game the next issue belongs to.
    m_game = named(new QLabel, QStringLiteral("lblGame"));
    m_game->setStyleSheet(QStringLiteral("font-weight: bold"));
    auto *captionRow = new QHBoxLayout;
    captionRow->addWidget(m_game);
    captionRow->addWidget(m_caption, 1);
    column->addLayout(captionRow);
    auto *entryRow = new QHBoxLayout;
    m_nextIssue = named(new QLineEdit, QStringLiteral("Text1"));
    // An empty history has no next issue: the first draw needs its issue typed.
    m_nextIssue->setPlaceholderText(QStringLiteral("请先输入期号"));
    connect(m_nextIssue, &QLineEdit::textEdited, this, [this](const QString &text) {
        bool ok = false;
        m_issueTyped = text.trimmed().toInt(&ok) > 0 && ok;
        if (m_issueTyped)
            m_caption->setText(QStringLiteral("在下面输入 %1 期历史号码:").arg(text.trimmed()));
    });
    m_nextIssue->setMinimumWidth(m_nextIssue->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) + 12);
    m_nextIssue->setAccessibleName(QStringLiteral("下一期期号"));
    entryRow->addWidget(m_nextIssue, 1);
    for (int p = 1; p <= 3; ++p) {
        // A draw is stored only from digits typed here, never from an undo or a cleared box.
        auto *box = new Widgets::TypedBox;
        Widgets::digitBox(indexed("MaskEdBox1", p), QStringLiteral("1-6"), box);
        box->setContextMenuPolicy(Qt::NoContextMenu);
        box->typed = [this, p] { onEntryTyped(p); };
        box->backFromEmpty = [this, p] {
            if (p > 1)
                m_entry.value(p - 1)->setFocus();
        };
        box->refused = [this] { emit statusMessage(QStringLiteral("只能输入 1~6")); };
        // Ctrl+Z with a digit in a box takes back the typing, never a removal of the history.
        box->holdsTyping = [this] { return lastFilledBox() != nullptr; };
        box->undoTyping = [this] {
            QLineEdit *box = lastFilledBox();
            box->clear();
            box->setFocus();
        };
        box->setPlaceholderText(QStringLiteral("_"));
        box->setToolTip(QStringLiteral("在此补充输入最新历史号码"));
        box->setAccessibleName(QStringLiteral("第%1位号码").arg(p));
        m_entry.insert(p, box);
        entryRow->addWidget(box);
    }
    column->addLayout(entryRow);

    m_grid = new GridModel(this);
    m_view = named(new GridView(m_grid), QStringLiteral("MSFlexGrid1"));
    m_view->setToolTip(QStringLiteral("鼠标双击列表可以将列表导出到EXCEL"));
    m_view->setAccessibleName(QStringLiteral("历史号码"));
    m_view->viewport()->installEventFilter(this);
    column->addWidget(m_view, 1);
    buildFirstStartHint();

    auto *commands = new QGridLayout;
    cmdRdLst = named(new QPushButton(QStringLiteral("读取历史号文本(&W)")), QStringLiteral("cmdRdLst"));
    cmdRdLst->setToolTip(QStringLiteral("从历史号码文本文件中读取历史号中最后一期之后的新的历史号码"));
    Command21 = named(new QPushButton(QStringLiteral("历史号在线更新(&O)")), QStringLiteral("Command21"));
    Command21->setToolTip(QStringLiteral("从官方服务器更新历史号码"));
    Command3 = named(new QPushButton(QStringLiteral("删除最后历史(&D)")), QStringLiteral("Command3"));
    Command4 = named(new QPushButton(QStringLiteral("历史号码导出文本文件(&X)")), QStringLiteral("Command4"));
    commands->addWidget(cmdRdLst, 0, 0);
    commands->addWidget(Command21, 0, 1);
    commands->addWidget(Command3, 1, 0);
    commands->addWidget(Command4, 1, 1);
    column->addLayout(commands);

}

namespace {
QString firstStartText()
{
    return QStringLiteral("还没有历史号码。\n可以这样开始：");
}
} // namespace

void HistoryPanel::buildFirstStartHint()
{
    // Over the empty grid: the three ways a first-time player gets draws in.
    m_hint = named(new QWidget, QStringLiteral("wgtFirstStart"));
    auto *layout = new QVBoxLayout(m_hint);
    m_hintText = named(new QLabel(firstStartText()), QStringLiteral("lblFirstStart"));
    m_hintText->setAlignment(Qt::AlignCenter);
    m_hintText->setWordWrap(true);
    layout->addWidget(m_hintText);
    const QString ways[] = {QStringLiteral("读入历史号码文本…"), QStringLiteral("粘贴复制的开奖号码…"),
                            QStringLiteral("设置开奖网址并更新…")};
    const char *names[] = {"cmdHintImport", "cmdHintPaste", "cmdHintUpdate"};
    for (int way = 0; way < 3; ++way) {
        auto *button = named(new QPushButton(ways[way]), QString::fromLatin1(names[way]));
        connect(button, &QPushButton::clicked, this, [this, way] { emit firstStartChosen(way); });
        layout->addWidget(button);
        m_hintButtons << button;
    }
    auto *center = new QVBoxLayout(m_view->viewport());
    center->addWidget(m_hint, 0, Qt::AlignCenter);
}

void HistoryPanel::showUnreadable(const QString &reason)
{
    m_hintText->setText(reason.isEmpty() ? firstStartText() : QStringLiteral("无法读取历史号码：\n") + reason);
    for (QPushButton *button : std::as_const(m_hintButtons))
        button->setVisible(reason.isEmpty());
}

void HistoryPanel::showGame(const QString &caption)
{
    m_game->setText(caption);
}

void HistoryPanel::clearIssue()
{
    m_issueTyped = false;
    m_nextIssue->clear();
}

std::optional<qint32> HistoryPanel::showHistory(const HistorySnapshot &history, int drawsPerDay,
                                                const DrawCore *appended, bool keepTyped)
{
    m_hint->setVisible(history.isEmpty());
    if (!appended || !HistoryGrid::append(*m_grid, *appended))
        HistoryGrid::fill(*m_grid, history);
    // This grid shows fewer than the 39 rows the scrolling rule was made for: the newest draw
    // comes into view after every change, however few draws are left.
    if (m_grid->rows() - 1 <= HistoryGrid::ScrollAfterDraws)
        m_grid->setTopRow(m_grid->rows() - 1);
    if (history.isEmpty()) {
        // No next issue to name until one is typed.
        if (!m_issueTyped)
            m_caption->setText(QStringLiteral("在下面输入第一期的期号和号码:"));
        return std::nullopt;
    }
    if (keepTyped && m_issueTyped)
        return std::nullopt;
    m_issueTyped = false;
    const std::optional<qint32> next = IssueNumbers::next(history.last().sqqh, drawsPerDay);
    if (next) {
        m_nextIssue->setText(QString::number(*next));
        // The caption names the issue the next typed draw gets.
        m_caption->setText(QStringLiteral("在下面输入 %1 期历史号码:").arg(*next));
    }
    else if (appended)
        m_nextIssue->setText(QString::number(appended->qqh));
    return next;
}

std::optional<qint32> HistoryPanel::typedIssue() const
{
    return m_issueTyped ? std::optional<qint32>(m_nextIssue->text().trimmed().toInt()) : std::nullopt;
}

QString HistoryPanel::typedIssueNote(const HistorySnapshot &history) const
{
    const std::optional<qint32> typed = typedIssue();
    if (!typed)
        return {};
    const int at = history.lowerBound(*typed);
    if (at >= history.count() || history.at(at).sqqh != *typed)
        return {};
    return QStringLiteral("您输入的第 %1 期已被另一个程序录入，请改正期号。").arg(*typed);
}

std::optional<qint32> HistoryPanel::selectedIssue() const
{
    const QModelIndexList selected = m_view->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return std::nullopt;
    // The view's rows are the grid's rows after its header row.
    bool ok = false;
    const qint32 issue = m_grid->cellText(selected.first().row() + 1, 0).toInt(&ok);
    return ok ? std::optional<qint32>(issue) : std::nullopt;
}

QString HistoryPanel::issueText() const
{
    return m_nextIssue->text();
}

std::optional<Numbers> HistoryPanel::typedNumbers(int *emptyBox) const
{
    Numbers numbers{};
    for (int p = 1; p <= 3; ++p) {
        const QString text = m_entry.value(p)->text();
        if (text.isEmpty()) {
            if (emptyBox)
                *emptyBox = p;
            return std::nullopt;
        }
        numbers[size_t(p - 1)] = qint16(text.toInt());
    }
    return numbers;
}

void HistoryPanel::clearEntry()
{
    for (QLineEdit *box : std::as_const(m_entry))
        box->clear();
    m_entry.value(1)->setFocus();
}

void HistoryPanel::setCommandsEnabled(bool enabled)
{
    for (QWidget *control : std::initializer_list<QWidget *>{Command3, Command4, Command21, cmdRdLst})
        control->setEnabled(enabled);
    for (QLineEdit *box : std::as_const(m_entry))
        box->setEnabled(enabled);
}

QLineEdit *HistoryPanel::lastFilledBox() const
{
    for (int p = 3; p >= 1; --p)
        if (!m_entry.value(p)->text().isEmpty())
            return m_entry.value(p);
    return nullptr;
}

void HistoryPanel::selectEntry()
{
    // The first empty box, else the first one with its digit selected.
    for (int p = 1; p <= 3; ++p)
        if (m_entry.value(p)->text().isEmpty()) {
            m_entry.value(p)->setFocus();
            return;
        }
    m_entry.value(1)->setFocus();
    m_entry.value(1)->selectAll();
}

void HistoryPanel::onEntryTyped(int position)
{
    if (position == 3)
        emit drawTyped();
    else
        m_entry.value(position + 1)->setFocus();
}

bool HistoryPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && watched == m_view->viewport() &&
        static_cast<QMouseEvent *>(event)->button() == Qt::RightButton)
        emit historyMenuRequested(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
    // A grid showing the newest draw keeps showing it when the window is resized (seen here before
    // the grid takes its new size).
    if (event->type() == QEvent::Resize && watched == m_view->viewport()) {
        const QScrollBar *bar = m_view->verticalScrollBar();
        if (bar->value() == bar->maximum())
            QMetaObject::invokeMethod(m_view, &QAbstractItemView::scrollToBottom, Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}
