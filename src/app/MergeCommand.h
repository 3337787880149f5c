#pragma once

#include "DrawTimes.h"

#include "DrawText.h"
#include "HistoryCommands.h"
#include "HistoryWriter.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

// "合并开奖号码": what a pasted or dropped text holds against the stored history, before anything
// changes. New draws are marked, those already stored greyed, those that disagree with a stored
// draw red; the lines that gave no draw are listed with their reasons.
class MergePreviewDialog : public QDialog
{
    Q_OBJECT
public:
    // `lastStored`: new draws before it are marked as filling gaps.
    MergePreviewDialog(const DrawText::Reading &reading, const HistoryWriter::Merge &plan, const QString &source,
                       std::optional<qint32> lastStored, QWidget *parent = nullptr);

    // The draws the merge button adds.
    const std::vector<TextDraw> &draws() const { return m_draws; }

private:
    std::vector<TextDraw> m_draws;
};

// Draws from anywhere into the stored history: the clipboard (menu, Ctrl+V on the history grid)
// and files dropped on the window go through the preview; the merge button adds the new draws.
class MergeCommand : public QObject
{
    Q_OBJECT
public:
    // Ctrl+V on `historyGrid` pastes too.
    MergeCommand(QWidget *window, QWidget *historyGrid, HistoryCommands &commands);

    void pasteFromClipboard();
    void openFile(const QString &path);
    // The preview of `content` (text, HTML or CSV bytes) from `source`, shown without waiting.
    void preview(const QByteArray &content, const QString &source);

signals:
    void finished(const CommandOutcome &outcome);

protected:
    // Files dropped on the window.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    CommandOutcome merge(const std::vector<TextDraw> &draws);

    QWidget *m_window;
    HistoryCommands &m_commands;
    std::vector<DrawTimes::Timed> m_readTimes; // the times printed beside the draws being merged
};
