#pragma once

#include "SearchResult.h"
#include "SearchState.h"
#include "Settings.h"

#include <QHash>
#include <QWidget>

class HistorySnapshot;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabBar;

// What a search would use now: the options, the chosen positions and the range, or the reason
// there is none (then `problem` says it in words for the status bar).
struct SearchQuery
{
    SearchState state;
    Positions positions{};
    IssueRange range;
    QString problem;
};

// The search options: the option frames, the three pattern tabs with their boxes, the issue range
// and the search buttons. It owns SearchState, the tab logic and the verify-tab rules; every
// choice is saved the moment it is made.
class SearchOptionsPanel : public QWidget
{
    Q_OBJECT
public:
    explicit SearchOptionsPanel(QWidget *parent = nullptr);

    // Another history is shown (another game's): a range end the user typed was for the old one.
    void forgetTypedRange() { m_rangeEndTyped = false; }

    // The options as saved.
    void loadSettings();
    // The history changed (or is first shown): the verify issue, the range and every tab's pattern
    // follow it. The panel keeps a pointer to `history` (kept by the caller). A range end the user
    // typed stays; otherwise the range ends at the newest draw, or at `rangeEnd` when given.
    void historyChanged(const HistorySnapshot &history, int drawsPerDay, std::optional<qint32> nextIssue,
                        std::optional<qint32> rangeEnd);

    // The follow search's (or, with `combination`, the combination search's) options now.
    SearchQuery query(bool combination = false);
    // The backtest's: tab 1's positions, its patterns come from the draws themselves.
    SearchQuery backtestQuery();

    const SearchState &state() const { return m_search; }
    // The issue the verify tab verifies, when it is shown and has its pattern.
    std::optional<qint32> verifiedIssue() const;
    int combinationSize() const { return m_combinationSize; }
    void setSegmentBase(int base);
    void setCommandsEnabled(bool enabled);

signals:
    // 检索 (Command1), or with `combination` 组合检索 (Command2).
    void searchRequested(bool combination);
    void setupRequested();
    void statusMessage(const QString &text);
    // The user changed an option, the pattern, the tab or the range: the last answers are no
    // longer those of the options shown.
    void optionsChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void connectControls();
    void connectOptionsChanged();
    // Every tab's pattern from its own source: the latest draw (tab 1, unless `fromHistory` is
    // false: then its boxes), the typed boxes (tab 2), the issue to verify (tab 3).
    void patternRefresh(bool fromHistory = true);
    void verifyPattern();
    void takePatternFrom(const QHash<int, QLineEdit *> &boxes);
    // The manual boxes' tool tips say what the search kind takes.
    void updateValueTips();
    // Range start from the first draw; with `endToo` the end at the last draw.
    void setRangeBoxes(bool endToo);
    void onPositionOrPeriodClicked(int index);
    void onPreQiEdited();
    void onCombinationSizeLeft();
    void onTabClicked(int tab);

    Settings m_settings;
    const HistorySnapshot *m_history = nullptr;
    int m_drawsPerDay = 78;
    SearchState m_search;
    int m_combinationSize = 2;
    bool m_redBall = false; // 红球: saved for the combination search's display
    QString m_verifyProblem; // why tab 3 has no pattern; empty when it has one
    int m_shownTab = 0;
    bool m_loading = false; // loadSettings() is checking the buttons
    bool m_preQiTyped = false; // a digit was typed into the N box since it took the focus
    bool m_rangeEndTyped = false; // the range end is the user's, not the newest draw

    QHash<int, QRadioButton *> Option1; // 0 固定位, 1 自由位, 2 前N期, 3 上期
    QHash<int, QRadioButton *> Option2; // 4 直选, 5 组选
    QHash<int, QRadioButton *> Option3; // search kind 0..3
    QHash<int, QRadioButton *> Option4; // display kind 0..3
    QHash<int, QRadioButton *> Option5; // tally position 1..3
    QHash<int, QRadioButton *> Option6; // 0 红蓝, 1 红球
    QLineEdit *MaskEdBox2 = nullptr;
    QTabBar *TabStrip1 = nullptr;
    QHash<int, QGroupBox *> tabFrames; // 1..3, one per tab
    QHash<int, QCheckBox *> Check1;    // 1..3 (tab 1), 11..13 (tab 3)
    QHash<int, QCheckBox *> Check11;   // 1..3 (tab 2)
    QHash<int, QLineEdit *> Text2;     // 1..3 (tab 1), 11..13 (tab 3)
    QHash<int, QLineEdit *> Text22;    // 1..3 (tab 2)
    QHash<int, QLineEdit *> Text3;     // 0 range start, 1 range end
    QLineEdit *Text4 = nullptr;
    QCheckBox *Check4 = nullptr;
    QWidget *verifyRow = nullptr; // holds Text4 and Check4
    QComboBox *Combo1 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command9 = nullptr;
};
