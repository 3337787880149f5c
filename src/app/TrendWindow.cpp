#include "TrendWindow.h"

#include "BusyCursor.h"
#include "Dialogs.h"
#include "GridActions.h"
#include "ProvinceTable.h"
#include "Settings.h"
#include "TrendModel.h"
#include "TrendOmission.h"
#include "Workbook.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>

namespace {

// A cell whose workbook figure differs from what the window shows.
constexpr int ExportRole = Qt::UserRole + 2;

QStandardItem *cell(const QString &text)
{
    auto *item = new QStandardItem(text);
    item->setEditable(false);
    item->setTextAlignment(Qt::AlignCenter);
    return item;
}

// The trend grid's cells as a fill and centred text: the style's own per-cell text layout made a
// new draw's repaint of a long grid several times slower. The cell with the focus keeps the style.
class TrendCellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        if (option.state & QStyle::State_HasFocus)
            return QStyledItemDelegate::paint(painter, option, index);
        if (const QVariant fill = index.data(Qt::BackgroundRole); fill.isValid())
            painter->fillRect(option.rect, fill.value<QColor>());
        const QVariant ink = index.data(Qt::ForegroundRole);
        painter->setPen(ink.isValid() ? ink.value<QColor>() : option.palette.color(QPalette::Text));
        const QVariant font = index.data(Qt::FontRole);
        painter->setFont(font.isValid() ? font.value<QFont>().resolve(option.font) : option.font);
        painter->drawText(option.rect, Qt::AlignCenter, index.data().toString());
    }
};

QTableView *gridView(QAbstractItemModel *model, const QString &name)
{
    auto *view = new QTableView;
    view->setModel(model);
    view->setObjectName(name);
    view->setAccessibleName(name);
    view->setAccessibleDescription(QStringLiteral("双击导出到电子表格"));
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->setSelectionMode(QAbstractItemView::NoSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return view;
}

} // namespace

TrendWindow::TrendWindow(std::function<const HistorySnapshot &()> history, const AppServices &services,
                         QWidget *parent)
    : QDialog(parent)
    , m_history(std::move(history))
    , m_services(services)
{
    setWindowTitle(QStringLiteral("走势与遗漏"));
    setObjectName(QStringLiteral("TrendWindow"));
    auto *layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget;
    layout->addWidget(m_tabs);

    auto *trendPage = new QWidget;
    auto *trendLayout = new QVBoxLayout(trendPage);
    auto *lengthRow = new QHBoxLayout;
    auto *lengthLabel = new QLabel(QStringLiteral("显示最近(&N)"));
    m_length = new QComboBox;
    m_length->setObjectName(QStringLiteral("cboZoushiQishu"));
    m_length->setEditable(true);
    m_length->addItems({QStringLiteral("30"), QStringLiteral("50"), QStringLiteral("100")});
    m_length->setValidator(new QIntValidator(0, 999999, m_length));
    // Room for six digits and the arrow in every style.
    m_length->setMinimumContentsLength(7);
    m_length->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_length->setAccessibleName(QStringLiteral("显示最近的期数"));
    lengthLabel->setBuddy(m_length);
    lengthRow->addWidget(lengthLabel);
    lengthRow->addWidget(m_length);
    lengthRow->addWidget(new QLabel(QStringLiteral("期")));
    m_trendRange = new QLabel;
    m_trendRange->setObjectName(QStringLiteral("lblZoushiFanwei"));
    m_trendRange->setAccessibleName(QStringLiteral("走势图范围"));
    lengthRow->addSpacing(12);
    lengthRow->addWidget(m_trendRange, 1);
    trendLayout->addLayout(lengthRow);
    m_trend = new TrendModel(this);
    trendLayout->addWidget(m_trendView = gridView(m_trend, QStringLiteral("走势图")));
    m_trendView->setItemDelegate(new TrendCellDelegate(m_trendView));
    m_tabs->addTab(trendPage, QStringLiteral("走势图(&Z)"));

    auto *omissionPage = new QWidget;
    auto *omissionLayout = new QVBoxLayout(omissionPage);
    auto *rangeRow = new QHBoxLayout;
    rangeRow->addWidget(new QLabel(QStringLiteral("统计范围：")));
    m_recent = new QRadioButton(QStringLiteral("最近(&R)"));
    m_recent->setObjectName(QStringLiteral("optYilouZuijin"));
    m_rangeLength = new QSpinBox;
    m_rangeLength->setObjectName(QStringLiteral("txtYilouQishu"));
    m_rangeLength->setRange(1, 10'000'000);
    m_rangeLength->setValue(500);
    m_rangeLength->setAccessibleName(QStringLiteral("统计最近的期数"));
    m_whole = new QRadioButton(QStringLiteral("全部(&A)"));
    m_whole->setObjectName(QStringLiteral("optYilouQuanbu"));
    m_whole->setChecked(true);
    rangeRow->addWidget(m_recent);
    rangeRow->addWidget(m_rangeLength);
    rangeRow->addWidget(new QLabel(QStringLiteral("期")));
    rangeRow->addSpacing(12);
    rangeRow->addWidget(m_whole);
    rangeRow->addStretch();
    auto *alert = new QPushButton(QStringLiteral("遗漏提醒(&T)…"));
    alert->setObjectName(QStringLiteral("cmdYilouTixing"));
    alert->setToolTip(QStringLiteral("选中遗漏统计中的一个值，设置遗漏达到多少期时提醒（桌面通知）"));
    connect(alert, &QPushButton::clicked, this, &TrendWindow::setAlert);
    rangeRow->addWidget(alert);
    omissionLayout->addLayout(rangeRow);
    m_omission = new QStandardItemModel(this);
    omissionLayout->addWidget(m_omissionView = gridView(m_omission, QStringLiteral("遗漏统计")), 1);
    m_independence = new QLabel;
    m_independence->setObjectName(QStringLiteral("lblDuli"));
    m_independence->setWordWrap(true);
    m_independence->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_independence->setAccessibleName(QStringLiteral("独立性检验"));
    omissionLayout->addWidget(m_independence);
    m_tabs->addTab(omissionPage, QStringLiteral("遗漏统计(&Y)"));

    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("lblZoushiStatus"));
    m_status->setAccessibleName(QStringLiteral("状态"));
    m_status->setWordWrap(true);
    layout->addWidget(m_status);

    for (QTableView *view : {m_trendView, m_omissionView}) {
        view->viewport()->installEventFilter(this);
        view->horizontalHeader()->installEventFilter(this);
    }
    // A typed N is applied on Enter, on a choice from the list, or after a short pause: not at
    // every keystroke of "30000".
    m_lengthPause = new QTimer(this);
    m_lengthPause->setSingleShot(true);
    m_lengthPause->setInterval(lengthPauseMs);
    connect(m_lengthPause, &QTimer::timeout, this, [this] { showTrend(); });
    connect(m_length, &QComboBox::currentTextChanged, m_lengthPause, qOverload<>(&QTimer::start));
    connect(m_length, &QComboBox::activated, this, &TrendWindow::applyLength);
    connect(m_length->lineEdit(), &QLineEdit::returnPressed, this, &TrendWindow::applyLength);
    connect(m_recent, &QRadioButton::toggled, this, [this] { showOmission(); });
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int tab) {
        if (tab == 1 && m_omissionStale)
            showOmission();
    });
    connect(m_rangeLength, &QSpinBox::valueChanged, this, [this] {
        if (m_recent->isChecked())
            showOmission();
    });
    resize(760, 640);
    refresh();
}

void TrendWindow::setGame(std::function<int()> game)
{
    m_game = std::move(game);
    showGame();
}

void TrendWindow::showGame()
{
    if (m_game)
        setWindowTitle(QStringLiteral("走势与遗漏 — ") + ProvinceTable::at(m_game()).caption);
}

void TrendWindow::refresh()
{
    showGame();
    showTrend();
    // The omission table over the whole history is worked out when it is looked at (or exported).
    m_omissionStale = true;
    if (m_tabs->currentIndex() == 1)
        showOmission();
}

QString TrendWindow::statusText() const
{
    return m_status->text();
}

QString TrendWindow::fileName(int grid)
{
    return grid == 0 ? QStringLiteral("Zoushi.xlsx") : QStringLiteral("Yilou.xlsx");
}

void TrendWindow::applyLength()
{
    if (m_lengthPause->isActive() || m_length->currentText() != m_shownLength)
        showTrend();
}

void TrendWindow::showTrend()
{
    m_lengthPause->stop();
    m_shownLength = m_length->currentText();
    bool ok = false;
    const int length = m_length->currentText().toInt(&ok);
    const HistorySnapshot &history = m_history();
    if (!ok || length < 1) {
        m_trendRange->setText(QStringLiteral("显示的期数应为 1 以上"));
        return;
    }
    const int before = m_trend->trendRows();
    m_trend->setRows(TrendOmission::trend(history, length));
    const int shown = m_trend->trendRows();
    if (shown == 0)
        m_trendRange->setText(QStringLiteral("还没有历史号码。"));
    else
        m_trendRange->setText(QStringLiteral("第 %1 期至第 %2 期，共 %3 期%4")
                                  .arg(history.issue(history.count() - shown))
                                  .arg(history.last().sqqh)
                                  .arg(shown)
                                  .arg(length > shown ? QStringLiteral("（历史只有 %1 期，已全部显示）").arg(shown) : QString()));
    if (before == 0)
        fitTrendColumns();
    // The newest draw and the summary under it in view.
    m_trendView->scrollToBottom();
}

// Widths from the widest text a column can hold (six-digit counts, "6×3"), not from the rows.
void TrendWindow::fitTrendColumns()
{
    const QFontMetrics metrics = m_trendView->fontMetrics();
    QFont bold = m_trendView->font();
    bold.setBold(true);
    const QFontMetrics boldMetrics(bold);
    const int padding = 12;
    const QStringList widest{QStringLiteral("0000000000"), QStringLiteral("6 6 6"), QStringLiteral("18"),
                             QStringLiteral("三不同号"), QStringLiteral("跨度")};
    const QStringList header = TrendOmission::trendHeader();
    for (int c = 0; c < 5; ++c)
        m_trendView->setColumnWidth(
            c, std::max({metrics.horizontalAdvance(widest[c]), metrics.horizontalAdvance(header[c]),
                         c == 0 ? metrics.horizontalAdvance(QStringLiteral("出现次数")) : 0}) + padding);
    const int number = std::max({metrics.horizontalAdvance(QStringLiteral("000000")),
                                 metrics.horizontalAdvance(QStringLiteral("9999.99")),
                                 boldMetrics.horizontalAdvance(TrendModel::drawnText(6, 3))}) + padding;
    for (int c = 5; c < 11; ++c)
        m_trendView->setColumnWidth(c, number);
}

void TrendWindow::showOmission()
{
    m_omissionStale = false;
    const HistorySnapshot &history = m_history();
    m_omission->clear();
    m_omission->setHorizontalHeaderLabels(TrendOmission::omissionHeader());
    if (history.isEmpty()) {
        m_independence->setText(QStringLiteral("还没有历史号码。"));
        return;
    }
    const int end = history.count();
    const int begin = m_recent->isChecked() ? std::max(0, end - m_rangeLength->value()) : 0;
    TrendOmission::Omission result = TrendOmission::omission(history, begin, end);
    const Plays::PrizeTable prizes = Settings().prizes(m_game ? m_game() : 0);
    TrendOmission::addPrizes(result, prizes);
    for (size_t g = 0; g < result.groups.size(); ++g) {
        const TrendOmission::Group &group = result.groups[g];
        bool first = true;
        for (const TrendOmission::ValueStats &value : group.values) {
            QList<QStandardItem *> items{cell(first ? group.name : QString())};
            for (const QString &text : TrendOmission::omissionCells(value))
                items << cell(text);
            // Just drawn: no omission to judge, rather than a certain-looking "100.000%". The
            // workbook keeps the figure.
            if (value.current == 0) {
                QStandardItem *chance = items[TrendOmission::chanceColumn];
                chance->setData(chance->text(), ExportRole);
                chance->setText(QStringLiteral("—"));
                chance->setData(QStringLiteral("刚开出"), Qt::AccessibleTextRole);
                chance->setToolTip(QStringLiteral("刚开出"));
            }
            // Every other group shaded, so that the groups stand apart.
            if (g % 2)
                for (QStandardItem *item : items)
                    item->setBackground(TrendModel::summaryColour);
            m_omission->appendRow(items);
            first = false;
        }
    }
    m_omissionView->resizeColumnsToContents();
    m_omissionView->horizontalHeader()->setStretchLastSection(true);
    QString text = TrendOmission::rangeText(result) + QStringLiteral("。") + TrendOmission::fairDiceNote() +
                   QStringLiteral("“遗漏至今的机会”只说明这样长的遗漏有多常见。\n") + TrendOmission::prizeNote(prizes);
    m_omissionNotes = {TrendOmission::rangeText(result), TrendOmission::prizeNote(prizes)};
    for (const TrendOmission::Independence &i : result.independence) {
        text += QLatin1Char('\n') + TrendOmission::independenceSentence(i);
        m_omissionNotes << TrendOmission::independenceSentence(i);
    }
    if (const auto alerts = Settings().omissionAlerts(m_game ? m_game() : 0); !alerts.empty())
        text += QStringLiteral("\n遗漏提醒：") + OmissionAlerts::describe(alerts);
    m_independence->setText(text);
    m_independence->setAccessibleDescription(text);
}

void TrendWindow::setAlert()
{
    if (m_omissionStale)
        showOmission();
    const HistorySnapshot &history = m_history();
    int row = m_omissionView->currentIndex().row();
    if (row < 0 || history.isEmpty())
        return m_status->setText(QStringLiteral("请先在遗漏统计中选中一个值"));
    const QString value = m_omission->item(row, 1)->text();
    while (row > 0 && m_omission->item(row, 0)->text().isEmpty())
        --row;
    const QString group = m_omission->item(row, 0)->text();
    // Over the whole history, whatever range the table shows: that is what the alerts watch.
    const qint64 now =
        OmissionAlerts::current(TrendOmission::omission(history, 0, history.count()), group, value).value_or(0);
    const int game = m_game ? m_game() : 0;
    Settings settings;
    std::vector<OmissionAlerts::Alert> alerts = settings.omissionAlerts(game);
    const auto same = [&](const OmissionAlerts::Alert &a) { return a.group == group && a.value == value; };
    const auto set = std::find_if(alerts.begin(), alerts.end(), same);
    const std::optional<QString> answer = m_services.dialogs->input(
        this, QStringLiteral("遗漏提醒"),
        QStringLiteral("%1 %2 的遗漏达到多少期时提醒？（现在遗漏 %3 期；0：不提醒）").arg(group, value).arg(now),
        set != alerts.end() ? QString::number(set->at) : QString());
    if (!answer)
        return;
    bool ok = false;
    const qint64 at = answer->trimmed().toLongLong(&ok);
    if (!ok || at < 0)
        return m_status->setText(QStringLiteral("遗漏提醒没有改变：“%1”不是期数").arg(*answer));
    alerts.erase(std::remove_if(alerts.begin(), alerts.end(), same), alerts.end());
    if (at > 0)
        // Already reached: told here, and again only after it has come and reached it anew.
        alerts.push_back({group, value, at, now >= at});
    settings.setOmissionAlerts(game, alerts);
    showOmission();
    m_status->setText(at == 0 ? QStringLiteral("已取消 %1 %2 的遗漏提醒").arg(group, value)
                      : now >= at
                          ? QStringLiteral("%1 %2 现在已遗漏 %3 期，已达到 %4；开出后再达到时提醒").arg(group, value).arg(now).arg(at)
                          : QStringLiteral("%1 %2 遗漏达到 %3 期时提醒").arg(group, value).arg(at));
}

void TrendWindow::exportGrid(int grid)
{
    if (grid == 1 && m_omissionStale)
        showOmission();
    QAbstractItemModel *model = grid == 0 ? static_cast<QAbstractItemModel *>(m_trend) : m_omission;
    const QString path = QDir(m_services.userFolder()).filePath(fileName(grid));
    const int shown = m_game ? m_game() : 0;
    if (!mayWriteExport(*m_services.dialogs, this, path, shown))
        return m_status->setText(QStringLiteral("没有导出：%1 保留原来的内容").arg(fileName(grid)));
    const BusyCursor busy;
    QString error;
    // Under the omission table, after a blank row: its range and both independence lines.
    const QStringList notes = grid == 1 ? m_omissionNotes : QStringList();
    const int rows = model->rowCount() + 1;
    const Workbook::Sheet sheet{QStringLiteral("Sheet1"), rows + (notes.isEmpty() ? 0 : int(notes.size()) + 1),
                                model->columnCount(), [&](int r, int c) -> Workbook::Cell {
                                    if (r >= rows)
                                        return r > rows && c == 0 ? notes[r - rows - 1] : QString();
                                    if (r == 0)
                                        return model->headerData(c, Qt::Horizontal).toString();
                                    const QModelIndex index = model->index(r - 1, c);
                                    const QVariant exported = index.data(ExportRole);
                                    const QString text = exported.isValid() ? exported.toString() : index.data().toString();
                                    if (index.data(TrendModel::MarkRole).toBool())
                                        return Workbook::Marked{text};
                                    return Workbook::fromText(text);
                                }};
    if (!Workbook::write(path, {sheet}, &error,
                         exportTitle(shown, grid == 0 ? QStringLiteral("走势") : QStringLiteral("遗漏")))) {
        m_services.dialogs->message(
            this, QStringLiteral("导出到电子表格"),
            QStringLiteral("无法写入电子表格文件：\n%1\n%2").arg(QDir::toNativeSeparators(path), error));
        return;
    }
    exportWritten(path, shown);
    m_status->setText(openOrSayWhere(*m_services.launcher, path, QStringLiteral("电子表格")));
}

bool TrendWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (int grid = 0; grid < 2; ++grid) {
            QTableView *view = grid == 0 ? m_trendView : m_omissionView;
            if (watched == view->viewport() || watched == view->horizontalHeader()) {
                exportGrid(grid);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}
