#include "TrendWindow.h"

#include "BusyCursor.h"
#include "Dialogs.h"
#include "GridActions.h"
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
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>

namespace {

// Cells of drawn numbers: exported with the same colour.
constexpr int MarkRole = Qt::UserRole + 1;

const QColor hitColour(0xc8, 0x2a, 0x32);
const QColor omissionColour(0x8c, 0x8c, 0x8c);
const QColor summaryColour(0xee, 0xf0, 0xf4);

QStandardItem *cell(const QString &text)
{
    auto *item = new QStandardItem(text);
    item->setEditable(false);
    item->setTextAlignment(Qt::AlignCenter);
    return item;
}

QTableView *gridView(QStandardItemModel *model, const QString &name)
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
    m_length->setValidator(new QIntValidator(1, 100000, m_length));
    m_length->setAccessibleName(QStringLiteral("显示最近的期数"));
    lengthLabel->setBuddy(m_length);
    lengthRow->addWidget(lengthLabel);
    lengthRow->addWidget(m_length);
    lengthRow->addWidget(new QLabel(QStringLiteral("期")));
    lengthRow->addStretch();
    trendLayout->addLayout(lengthRow);
    m_trend = new QStandardItemModel(this);
    trendLayout->addWidget(m_trendView = gridView(m_trend, QStringLiteral("走势图")));
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
    connect(m_length, &QComboBox::currentTextChanged, this, [this] { showTrend(); });
    connect(m_recent, &QRadioButton::toggled, this, [this] { showOmission(); });
    connect(m_rangeLength, &QSpinBox::valueChanged, this, [this] {
        if (m_recent->isChecked())
            showOmission();
    });
    resize(760, 640);
    refresh();
}

void TrendWindow::refresh()
{
    showTrend();
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

void TrendWindow::showTrend()
{
    bool ok = false;
    const int length = m_length->currentText().toInt(&ok);
    if (!ok || length < 1)
        return;
    const std::vector<TrendOmission::TrendRow> rows = TrendOmission::trend(m_history(), length);
    m_trend->clear();
    m_trend->setHorizontalHeaderLabels(TrendOmission::trendHeader());
    QFont bold = font();
    bold.setBold(true);
    for (const TrendOmission::TrendRow &row : rows) {
        QList<QStandardItem *> items;
        for (const QString &text : TrendOmission::trendCells(row))
            items << cell(text);
        for (size_t k = 0; k < 6; ++k) {
            const int hits = row.hits[k];
            QStandardItem *item = cell(hits == 0 ? QString::number(row.omission[k])
                                       : hits == 1 ? QStringLiteral("●")
                                                   : QString::number(hits));
            if (hits > 0) {
                item->setBackground(hitColour);
                item->setForeground(Qt::white);
                item->setFont(bold);
                item->setData(true, MarkRole);
                item->setData(hits == 1 ? QStringLiteral("%1 出现").arg(k + 1)
                                        : QStringLiteral("%1 出现 %2 次").arg(k + 1).arg(hits),
                              Qt::AccessibleTextRole);
            } else {
                item->setForeground(omissionColour);
                item->setData(QStringLiteral("%1 遗漏 %2 期").arg(k + 1).arg(row.omission[k]), Qt::AccessibleTextRole);
            }
            items << item;
        }
        m_trend->appendRow(items);
    }
    const auto summary = TrendOmission::summarize(rows);
    const QStringList labels = TrendOmission::summaryLabels();
    for (qsizetype l = 0; l < labels.size(); ++l) {
        QList<QStandardItem *> items{cell(labels[l])};
        for (int c = 1; c < 5; ++c)
            items << cell(QString());
        for (const TrendOmission::ColumnSummary &column : summary)
            items << cell(TrendOmission::summaryCells(column)[l]);
        for (QStandardItem *item : items)
            item->setBackground(summaryColour);
        m_trend->appendRow(items);
    }
    m_trendView->resizeColumnsToContents();
    for (int c = 5; c < 11; ++c)
        m_trendView->setColumnWidth(c, std::max(m_trendView->columnWidth(c), m_trendView->fontMetrics().horizontalAdvance(QStringLiteral("0000"))));
    // The newest draw and the summary under it in view.
    m_trendView->scrollToBottom();
}

void TrendWindow::showOmission()
{
    const HistorySnapshot &history = m_history();
    m_omission->clear();
    m_omission->setHorizontalHeaderLabels(TrendOmission::omissionHeader());
    if (history.isEmpty()) {
        m_independence->setText(QStringLiteral("还没有历史号码。"));
        return;
    }
    const int end = history.count();
    const int begin = m_recent->isChecked() ? std::max(0, end - m_rangeLength->value()) : 0;
    const TrendOmission::Omission result = TrendOmission::omission(history, begin, end);
    for (size_t g = 0; g < result.groups.size(); ++g) {
        const TrendOmission::Group &group = result.groups[g];
        bool first = true;
        for (const TrendOmission::ValueStats &value : group.values) {
            QList<QStandardItem *> items{cell(first ? group.name : QString())};
            for (const QString &text : TrendOmission::omissionCells(value))
                items << cell(text);
            // Every other group shaded, so that the groups stand apart.
            if (g % 2)
                for (QStandardItem *item : items)
                    item->setBackground(summaryColour);
            m_omission->appendRow(items);
            first = false;
        }
    }
    m_omissionView->resizeColumnsToContents();
    m_omissionView->horizontalHeader()->setStretchLastSection(true);
    QString text = TrendOmission::rangeText(result) + QStringLiteral("。") + TrendOmission::fairDiceNote() +
                   QStringLiteral("“遗漏至今的机会”只说明这样长的遗漏有多常见。");
    for (const TrendOmission::Independence &i : result.independence)
        text += QLatin1Char('\n') + TrendOmission::independenceSentence(i);
    m_independence->setText(text);
    m_independence->setAccessibleDescription(text);
}

void TrendWindow::exportGrid(int grid)
{
    QStandardItemModel *model = grid == 0 ? m_trend : m_omission;
    const QString path = QDir(m_services.userFolder()).filePath(fileName(grid));
    const BusyCursor busy;
    QString error;
    const Workbook::Sheet sheet{QStringLiteral("Sheet1"), model->rowCount() + 1, model->columnCount(),
                                [model](int r, int c) -> Workbook::Cell {
                                    if (r == 0)
                                        return model->horizontalHeaderItem(c)->text();
                                    const QStandardItem *item = model->item(r - 1, c);
                                    const QString text = item ? item->text() : QString();
                                    if (item && item->data(MarkRole).toBool())
                                        return Workbook::Marked{text};
                                    return Workbook::fromText(text);
                                }};
    if (!Workbook::write(path, {sheet}, &error)) {
        m_services.dialogs->message(
            this, QStringLiteral("导出到电子表格"),
            QStringLiteral("无法写入电子表格文件：\n%1\n%2").arg(QDir::toNativeSeparators(path), error));
        return;
    }
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
