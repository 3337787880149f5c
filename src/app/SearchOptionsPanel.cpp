#include "SearchOptionsPanel.h"

#include "HistorySnapshot.h"
#include "PatternRefresh.h"
#include "Widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabBar>

using Key = Settings::Key;

namespace {

std::optional<qint16> toInt16(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(value);
}

const HistorySnapshot &noHistory()
{
    static const HistorySnapshot empty;
    return empty;
}

} // namespace

SearchOptionsPanel::SearchOptionsPanel(QWidget *parent)
    : QWidget(parent)
    , m_history(&noHistory())
{
    buildControls();
    connectControls();
}

void SearchOptionsPanel::loadSettings()
{
    m_loading = true;
    m_search.bolZyw = m_settings.bolZyw();
    m_search.bolSq = m_settings.bolSq();
    m_search.intLei = m_settings.intLei();
    Option1.value(m_search.bolZyw ? 1 : 0)->setChecked(true);
    Option1.value(m_search.bolSq ? 3 : 2)->setChecked(true);
    m_search.bolZuxuan = m_settings.bolZuxuan();
    Option2.value(m_search.bolZuxuan ? 5 : 4)->setChecked(true);
    m_search.intConsqSort = m_settings.intConsqSort();
    Option5.value(m_search.intConsqSort)->setChecked(true);
    m_search.intXianshiLei = m_settings.intXianshiLei();
    Option4.value(m_search.intXianshiLei)->setChecked(true);
    m_search.DsIni = m_settings.dsIni();
    m_redBall = m_settings.bolZhpm();
    Option6.value(m_redBall ? 1 : 0)->setChecked(true);
    m_search.intPreQi = m_settings.intPreQi();
    MaskEdBox2->setText(QString::number(m_search.intPreQi));
    m_combinationSize = m_settings.intZhWSetup();
    Combo1->setEditText(QString::number(m_combinationSize));
    Option3.value(m_search.intLei)->setChecked(true);
    m_loading = false;
    updateValueTips();
}

void SearchOptionsPanel::historyChanged(const HistorySnapshot &history, int drawsPerDay,
                                        std::optional<qint32> nextIssue, std::optional<qint32> rangeEnd)
{
    m_history = &history;
    m_drawsPerDay = drawsPerDay;
    if (nextIssue)
        Text4->setText(QString::number(*nextIssue));
    setRangeBoxes(!m_rangeEndTyped);
    if (rangeEnd && !m_rangeEndTyped)
        Text3.value(1)->setText(QString::number(*rangeEnd));
    patternRefresh();
}

void SearchOptionsPanel::setSegmentBase(int base)
{
    m_search.DsIni = qint16(base);
    m_settings.setInt(Key::DsIni, base);
    updateValueTips();
}

void SearchOptionsPanel::setCommandsEnabled(bool enabled)
{
    for (QWidget *control : std::initializer_list<QWidget *>{Command1, Command2, Command9})
        control->setEnabled(enabled);
}

void SearchOptionsPanel::connectControls()
{
    using Widgets::connectChosen;
    // Settings being loaded check the buttons too; that is no choice of the user's.
    auto chosen = [this](auto handler) {
        return [this, handler](int i) {
            if (!m_loading)
                handler(i);
        };
    };
    connectChosen(Option1, this, chosen([this](int i) { onPositionOrPeriodClicked(i); }));
    connect(MaskEdBox2, &QLineEdit::editingFinished, this, &SearchOptionsPanel::onPreQiEdited);
    connectChosen(Option3, this, chosen([this](int i) {
        m_search.intLei = qint16(i);
        updateValueTips();
        patternRefresh();
        m_settings.setInt(Key::intLei, i);
    }));
    connectChosen(Option4, this, chosen([this](int i) {
        m_search.intXianshiLei = qint16(i);
        m_settings.setInt(Key::intXianshiLei, i);
    }));
    connectChosen(Option2, this, chosen([this](int) {
        m_search.bolZuxuan = Option2.value(5)->isChecked();
        m_settings.setBool(Key::bolZuxuan, m_search.bolZuxuan);
        m_settings.setBool(Key::bolSq, m_search.bolSq);
        patternRefresh();
    }));
    connectChosen(Option5, this, chosen([this](int i) {
        m_search.intConsqSort = qint16(i);
        m_settings.setInt(Key::intConsqSort, i);
    }));
    connectChosen(Option6, this, chosen([this](int i) {
        m_redBall = i != 0;
        m_settings.setBool(Key::bolZhpm, m_redBall);
    }));
    Combo1->installEventFilter(this);
    MaskEdBox2->installEventFilter(this);
    connect(TabStrip1, &QTabBar::currentChanged, this, &SearchOptionsPanel::onTabClicked);
    // Clicking the selected tab again refreshes its pattern, as a change of tab does.
    connect(TabStrip1, &QTabBar::tabBarClicked, this, [this](int tab) {
        if (tab == TabStrip1->currentIndex())
            onTabClicked(tab);
    });
    // The state, not the click: a screen reader's or voice control's toggle counts as well.
    connect(Check4, &QCheckBox::toggled, this, &SearchOptionsPanel::verifyPattern);
    // Leaving the box takes the issue; Enter takes it and searches, as in every other box.
    connect(Text4, &QLineEdit::editingFinished, this, &SearchOptionsPanel::verifyPattern);
    connect(Text4, &QLineEdit::returnPressed, this, [this] {
        verifyPattern();
        emit searchRequested(false);
    });
    for (QLineEdit *box : std::as_const(Text22))
        box->installEventFilter(this);
    connect(Command1, &QPushButton::clicked, this, [this] { emit searchRequested(false); });
    // Enter in a pattern box, a range box or the N box runs the search.
    for (QLineEdit *box : {Text22.value(1), Text22.value(2), Text22.value(3), Text3.value(0), Text3.value(1)})
        connect(box, &QLineEdit::returnPressed, this, [this] { emit searchRequested(false); });
    connect(MaskEdBox2, &QLineEdit::returnPressed, this, [this] {
        onPreQiEdited();
        emit searchRequested(false);
    });
    connect(Command2, &QPushButton::clicked, this, [this] { emit searchRequested(true); });
    connect(Command9, &QPushButton::clicked, this, &SearchOptionsPanel::setupRequested);
    connect(Text3.value(1), &QLineEdit::textEdited, this, [this](const QString &text) {
        m_rangeEndTyped = !text.trimmed().isEmpty();
    });
    connectOptionsChanged();
}

void SearchOptionsPanel::connectOptionsChanged()
{
    // Only what the user does: the panel's own updates after a change of the history are not
    // a change of options.
    const auto changed = [this] {
        if (!m_loading)
            emit optionsChanged();
    };
    for (const QHash<int, QRadioButton *> *buttons : {&Option1, &Option2, &Option3, &Option4, &Option5, &Option6})
        Widgets::connectChosen(*buttons, this, [changed](int) { changed(); });
    for (const QHash<int, QCheckBox *> *boxes : {&Check1, &Check11})
        for (QCheckBox *box : *boxes)
            connect(box, &QAbstractButton::toggled, this, changed);
    connect(Check4, &QAbstractButton::toggled, this, changed);
    for (const QHash<int, QLineEdit *> *boxes : {&Text22, &Text3})
        for (QLineEdit *box : *boxes)
            connect(box, &QLineEdit::textEdited, this, changed);
    for (QLineEdit *box : {Text4, MaskEdBox2, Combo1->lineEdit()})
        connect(box, &QLineEdit::textEdited, this, changed);
    connect(TabStrip1, &QTabBar::currentChanged, this, changed);
}

void SearchOptionsPanel::patternRefresh(bool fromHistory)
{
    // Tab 1's boxes always show the latest draw in the kind now chosen, whichever tab is shown,
    // so that going back to tab 1 never searches a pattern of another kind.
    std::optional<std::array<qint16, 3>> latest;
    if (fromHistory)
        latest = PatternRefresh::latestPattern(*m_history, m_search);
    if (latest) {
        for (int p = 1; p <= 3; ++p)
            Text2.value(p)->setText(PatternRefresh::valueText(m_search.intLei, (*latest)[p - 1]));
    }
    switch (TabStrip1->currentIndex()) {
    case 0:
        m_search.bolManual = false;
        if (latest)
            m_search.intPattern = *latest;
        else
            takePatternFrom(Text2);
        break;
    case 1:
        m_search.bolManual = true;
        takePatternFrom(Text22);
        break;
    default:
        verifyPattern();
        break;
    }
}

void SearchOptionsPanel::verifyPattern()
{
    const PatternRefresh::Verification outcome =
        PatternRefresh::verify(*m_history, m_search, Text4->text(), Check4->isChecked(), m_drawsPerDay);
    if (outcome.rangeEnd)
        Text3.value(1)->setText(QString::number(*outcome.rangeEnd));
    m_verifyProblem = outcome.problem;
    if (!outcome.pattern) {
        // Never a search on another tab's pattern: the boxes are emptied and the reason shown.
        for (int p = 11; p <= 13; ++p)
            Text2.value(p)->clear();
        emit statusMessage(m_verifyProblem);
        return;
    }
    m_search.bolManual = false;
    m_search.intPattern = *outcome.pattern;
    for (int p = 1; p <= 3; ++p)
        Text2.value(p + 10)->setText(PatternRefresh::valueText(m_search.intLei, (*outcome.pattern)[p - 1]));
}

// A box whose text is no value of the kind leaves its position's value as it was.
void SearchOptionsPanel::takePatternFrom(const QHash<int, QLineEdit *> &boxes)
{
    for (int p = 1; p <= 3; ++p) {
        if (const auto value = PatternRefresh::parseValue(m_search.intLei, boxes.value(p)->text(), m_search.DsIni))
            m_search.intPattern[p - 1] = *value;
    }
}

void SearchOptionsPanel::updateValueTips()
{
    const QString range = PatternRefresh::valueRange(m_search.intLei, m_search.DsIni);
    for (int p = 1; p <= 3; ++p)
        Text22.value(p)->setToolTip(QStringLiteral("手动第%1位：%2").arg(p).arg(range));
}

// From the first draw that has one before it (N before in 前N期 mode) to the last draw.
void SearchOptionsPanel::setRangeBoxes(bool endToo)
{
    // An empty history has no range to offer.
    if (m_history->isEmpty()) {
        for (QLineEdit *box : std::as_const(Text3))
            box->clear();
        return;
    }
    const int n = MaskEdBox2->text().toInt();
    if (const auto start = PatternRefresh::rangeStart(*m_history, m_search.bolSq, n))
        Text3.value(0)->setText(QString::number(*start));
    if (endToo)
        Text3.value(1)->setText(QString::number(m_history->last().sqqh));
}

void SearchOptionsPanel::onPositionOrPeriodClicked(int index)
{
    switch (index) {
    case 1:
        m_search.bolZyw = true;
        break;
    case 0:
        m_search.bolZyw = false;
        break;
    case 3:
        m_search.bolSq = true;
        break;
    case 2:
        m_search.bolSq = false;
        break;
    }
    m_settings.setBool(Key::bolZyw, m_search.bolZyw);
    m_settings.setBool(Key::bolSq, m_search.bolSq);
    patternRefresh();
    setRangeBoxes(false);
}

void SearchOptionsPanel::onPreQiEdited()
{
    const auto n = toInt16(MaskEdBox2->text());
    if (!n || *n < 1)
        return;
    m_search.intPreQi = *n;
    m_settings.setInt(Key::intPreQi, *n);
    patternRefresh();
    setRangeBoxes(false);
}

void SearchOptionsPanel::onCombinationSizeLeft()
{
    // Text that is no size of 1 to 3 keeps the size in force and shows it again.
    const auto size = toInt16(Combo1->currentText());
    if (!size || *size < 1 || *size > 3) {
        Combo1->setEditText(QString::number(m_combinationSize));
        return;
    }
    m_combinationSize = *size;
    m_settings.setInt(Key::intZhWSetup, *size);
}

void SearchOptionsPanel::onTabClicked(int tab)
{
    if (tab < 0)
        return;
    // Leaving tab 3: the range ends at the latest draw again if 仅检索该期前 had moved it.
    if (m_shownTab == 2 && tab != 2 && Check4->isChecked() && !m_history->isEmpty())
        Text3.value(1)->setText(QString::number(m_history->last().sqqh));
    m_shownTab = tab;
    // Hide before showing: two frames shown at once, even for a moment, would grow the window.
    for (auto it = tabFrames.cbegin(); it != tabFrames.cend(); ++it)
        if (it.key() != tab + 1)
            it.value()->setVisible(false);
    tabFrames.value(tab + 1)->setVisible(true);
    verifyRow->setVisible(tab == 2);
    patternRefresh(false);
}

SearchQuery SearchOptionsPanel::query(bool combination)
{
    // Alt+G leaves the size box without taking the focus from it: take an edited size now.
    if (combination)
        onCombinationSizeLeft();
    SearchQuery q;
    // Tab 3 without a pattern of its own, or tab 2 with an empty box: say which, and do not search.
    if (TabStrip1->currentIndex() == 2 && !m_verifyProblem.isEmpty())
        q.problem = m_verifyProblem;
    if (TabStrip1->currentIndex() == 1) {
        for (int p = 1; p <= 3 && q.problem.isEmpty(); ++p) {
            if (!Check11.value(p)->isChecked())
                continue;
            const QString text = Text22.value(p)->text().trimmed();
            if (text.isEmpty())
                q.problem = QStringLiteral("手动输入号的第%1位是空的，请输入号码或取消勾选该位").arg(p);
            else if (!PatternRefresh::parseValue(m_search.intLei, text, m_search.DsIni))
                q.problem = QStringLiteral("手动输入号的第%1位“%2”不是%3的值，应为 %4")
                                .arg(p)
                                .arg(text, PatternRefresh::kindName(m_search.intLei), PatternRefresh::valueRange(m_search.intLei, m_search.DsIni));
            if (!q.problem.isEmpty())
                Text22.value(p)->setFocus();
        }
        if (q.problem.isEmpty())
            takePatternFrom(Text22);
    }
    m_search.bolZyw = !Option1.value(0)->isChecked();
    q.state = m_search;
    const QHash<int, QCheckBox *> &boxes = m_search.bolManual ? Check11 : Check1;
    const int first = m_search.bolManual || TabStrip1->currentIndex() == 0 ? 1 : 11;
    q.positions = {boxes.value(first)->isChecked(), boxes.value(first + 1)->isChecked(),
                   boxes.value(first + 2)->isChecked()};
    auto bound = [](const QLineEdit *box) -> std::optional<qint32> {
        bool ok = false;
        const qint32 value = box->text().toInt(&ok);
        return ok ? std::optional<qint32>(value) : std::nullopt;
    };
    q.range = {bound(Text3.value(0)), bound(Text3.value(1))};
    if (q.problem.isEmpty() && q.range.from && q.range.to && *q.range.from > *q.range.to)
        q.problem = QStringLiteral("检索起止期数有误：起始期号 %1 在结束期号 %2 之后").arg(*q.range.from).arg(*q.range.to);
    return q;
}

std::optional<qint32> SearchOptionsPanel::verifiedIssue() const
{
    bool ok = false;
    const qint32 issue = Text4->text().trimmed().toInt(&ok);
    if (TabStrip1->currentIndex() != 2 || !m_verifyProblem.isEmpty() || !ok)
        return std::nullopt;
    return issue;
}

SearchQuery SearchOptionsPanel::backtestQuery()
{
    m_search.bolZyw = !Option1.value(0)->isChecked();
    SearchQuery q;
    q.state = m_search;
    q.positions = {Check1.value(1)->isChecked(), Check1.value(2)->isChecked(), Check1.value(3)->isChecked()};
    return q;
}

bool SearchOptionsPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Combo1 && event->type() == QEvent::FocusOut)
        onCombinationSizeLeft();
    // The N box holds one digit: the first digit typed takes its place; a second one, or a 0, is
    // refused out loud rather than dropped.
    if (watched == MaskEdBox2 && event->type() == QEvent::FocusIn)
        m_preQiTyped = false;
    if (watched == MaskEdBox2 && event->type() == QEvent::KeyPress) {
        const QString typed = static_cast<QKeyEvent *>(event)->text();
        if (!typed.isEmpty() && typed[0].isDigit()) {
            if (m_preQiTyped || typed[0] == QLatin1Char('0')) {
                emit statusMessage(QStringLiteral("前N期 为 1~9"));
                return true;
            }
            m_preQiTyped = true;
            MaskEdBox2->selectAll();
        } else if (!typed.isEmpty() || static_cast<QKeyEvent *>(event)->key() == Qt::Key_Backspace) {
            m_preQiTyped = false;
        }
    }
    for (auto it = Text22.cbegin(); it != Text22.cend(); ++it) {
        if (watched != it.value())
            continue;
        if (event->type() == QEvent::KeyPress) {
            // Typed pattern values: digits, a minus sign, the words of 大小 and 单双 and backspace;
            // other characters are dropped.
            const QString typed = static_cast<QKeyEvent *>(event)->text();
            if (!typed.isEmpty() && typed.front().isPrint() &&
                !typed.contains(QRegularExpression(QStringLiteral("^[-0-9大小单双]+$"))))
                return true;
        } else if (event->type() == QEvent::FocusOut) {
            if (const auto value = PatternRefresh::parseValue(m_search.intLei, it.value()->text(), m_search.DsIni))
                m_search.intPattern[it.key() - 1] = *value;
        }
    }
    return QWidget::eventFilter(watched, event);
}
