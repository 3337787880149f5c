#pragma once

#include "DrawRecord.h"

#include <QHash>
#include <QWidget>

class GridModel;
class GridView;
class HistorySnapshot;
class QLabel;
class QLineEdit;
class QPushButton;

// The history area: the game and next-issue line (Text1), the three entry boxes (MaskEdBox1),
// the history grid (MSFlexGrid1) and the buttons of the history commands. It says when a draw
// has been typed and never writes the history itself.
class HistoryPanel : public QWidget
{
    Q_OBJECT
public:
    explicit HistoryPanel(QWidget *parent = nullptr);

    GridModel *grid() const { return m_grid; }
    GridView *view() const { return m_view; }
    QLineEdit *entryBox(int position) const { return m_entry.value(position); }

    // The buttons under the grid; the window connects them to the history commands.
    QPushButton *cmdRdLst = nullptr;  // import
    QPushButton *Command21 = nullptr; // online update
    QPushButton *Command3 = nullptr;  // delete the last draw
    QPushButton *Command4 = nullptr;  // text export

    void showGame(const QString &caption);
    // The grid (only `appended` added at its end, when given) and the next issue, which it gives
    // back (nothing when the last issue has no next one by date).
    // A next issue the user typed stays when `keepTyped` (another program's change).
    std::optional<qint32> showHistory(const HistorySnapshot &history, int drawsPerDay, const DrawCore *appended,
                                      bool keepTyped = false);
    // Over the empty grid, why the history cannot be read (instead of the first start's ways in);
    // empty: it can.
    void showUnreadable(const QString &reason);
    // The issue the user typed into Text1, if the box holds one of theirs.
    std::optional<qint32> typedIssue() const;
    // A typed next issue stays across another program's change, unless that program stored the
    // issue meanwhile: then this says so (empty otherwise).
    QString typedIssueNote(const HistorySnapshot &history) const;
    // The issue of the history grid's selected row, if a row is selected.
    std::optional<qint32> selectedIssue() const;
    // The issue the next typed draw is stored under, as the user sees it.
    QString issueText() const;
    // The three typed numbers; nothing when a box is empty (`emptyBox` says which).
    std::optional<Numbers> typedNumbers(int *emptyBox) const;
    // After a stored draw: the boxes empty and the first one ready for the next draw.
    void clearEntry();
    // Another game's history is shown: the issue typed or offered was the other game's.
    void clearIssue();
    // After a refused draw: the first empty box, else the first box with its digit selected, so
    // that typing goes on.
    void selectEntry();
    void setCommandsEnabled(bool enabled);

signals:
    // The third box got a typed digit: a draw is complete.
    void drawTyped();
    // A way in on the empty history's hint: 0 a text file, 1 pasted draws, 2 the results page.
    void firstStartChosen(int way);
    void historyMenuRequested(const QPoint &globalPosition);
    void statusMessage(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onEntryTyped(int position);
    QLineEdit *lastFilledBox() const;
    void buildFirstStartHint();

    QLabel *m_game = nullptr;
    QLabel *m_caption = nullptr;
    QLineEdit *m_nextIssue = nullptr;
    QHash<int, QLineEdit *> m_entry; // 1..3
    GridModel *m_grid = nullptr;
    GridView *m_view = nullptr;
    QWidget *m_hint = nullptr; // the first start's ways in, over the empty grid
    QLabel *m_hintText = nullptr;
    QList<QPushButton *> m_hintButtons;
    bool m_issueTyped = false;  // Text1 holds an issue the user typed
};
