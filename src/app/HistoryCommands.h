#pragma once

#include "AppServices.h"
#include "Backups.h"
#include "HistoryDb.h"
#include "HistorySnapshot.h"
#include "HistoryWriter.h"
#include "Settings.h"

#include <QElapsedTimer>
#include <QObject>

class GridModel;
class QWidget;

// What a command did, for the window to show: whether the history changed (then every panel
// follows it), a line for the status bar, and a message box when the user must read something.
struct CommandOutcome
{
    bool changed = false;
    std::optional<DrawRecord> typed; // the typed draw, as stored
    bool appended = false;           // only `typed` was added, after every other draw
    bool external = false;           // another program changed the history
    QString status;
    QString written; // a file the command wrote, for the window to open
    QString title; // of the message box; empty: none
    QString message;

    // A command that changed nothing and must say why in a message box.
    static CommandOutcome failure(const QString &title, const QString &message)
    {
        CommandOutcome outcome;
        outcome.title = title;
        outcome.message = message;
        return outcome;
    }
};

// The selected game: what the next issue and the update follow.
struct GameChoice
{
    int index = 0;
    QString code;
    int drawsPerDay = 78;
};

// The commands that add to the stored history or read it out: typed draws, import, the text
// export. It keeps the history database and the in-memory copy every panel is shown from, and
// says when it took in another program's change.
class HistoryCommands : public QObject
{
    Q_OBJECT
public:
    HistoryCommands(const AppServices &services, QWidget *dialogParent);

    // Opens the selected game's history in the program's folder and reads it into memory.
    CommandOutcome open();
    HistoryDb &history() { return m_history; }
    const HistorySnapshot &snapshot() const { return m_snapshot; }
    // The history could not be read into memory: nothing may be searched.
    bool copyFailed() const { return m_copyFailed; }
    // Why the selected game's history cannot be read (the file cannot be opened, or its copy not
    // read); empty when it can.
    QString unreadableReason() const;
    // What the status bar should keep saying of the open history: its game record is damaged,
    // rows without dice were left out, issues are missing; empty when nothing is wrong.
    QString historyNote();
    // 历史管理 → 缺期…: the missing issues of the stored days, listed.
    void showMissing();
    // "缺 N 期（历史管理 → 缺期…）"; empty when none is missing.
    QString missingNote() const;
    // The issue after the last stored one, as the writers of rows continue it.
    qint32 currentIssue() const { return m_currentIssue; }
    const GameChoice &game() const { return m_game; }
    int unrecordedGame() const { return m_unrecordedGame; }
    // Selects a game (again, after its draws a day changed): once the history is open, the
    // game's own history is opened and read (the outcome says it changed).
    CommandOutcome setGame(int index);
    // Whose backups the selected game's history lists and restores.
    Backups::Owner backupOwner() const;
    // The caption of the game whose draws the history holds, when it is not the selected one.
    QString otherGameCaption();
    void setSegmentBase(int base) { m_segmentBase = base; }
    int segmentBase() const { return m_segmentBase; }

    // Takes in what another program changed (then historyReloaded); true when it did.
    bool syncWithDisk();
    void reload();
    void setCurrentIssue(qint32 issue) { m_currentIssue = issue; }

    CommandOutcome storeDraw(const QString &issueText, const Numbers &numbers);
    // The same for digits typed in the window: into a history kept in ascending order, digits
    // out of order are asked about first (是 ascending, 否 as typed, Esc nothing).
    // Nothing when a box is empty.
    CommandOutcome storeTypedDraw(const QString &issueText, const std::optional<Numbers> &typed);
    CommandOutcome chooseAndImport();
    CommandOutcome importFile(const QString &path);
    CommandOutcome exportText(GridModel &historyGrid);
    QString programFile(const QString &name) const;
    // What a command that removes draws writes first.
    HistoryWriter::Backup backupFor(const QString &reason) const;

    // While a large write runs, its progress once it takes longer than half a second.
    class Progress
    {
    public:
        explicit Progress(HistoryCommands &commands);
        ~Progress();

    private:
        HistoryCommands &m_commands;
        QElapsedTimer m_clock;
    };

signals:
    // A large write's progress; done < 0 when it has ended.
    void progress(qint64 done, qint64 total);
    // The copy was read again because another program changed the history; `what` says so.
    void historyReloaded(const QString &what);
    // The copy changed, whatever changed it (the draw clock follows its last draw).
    void snapshotChanged();

private:
    CommandOutcome openHistory();
    // A file whose record of its game is damaged: the user may say it is the selected game's.
    CommandOutcome mendGameRecord();

    AppServices m_services;
    QWidget *m_parent;
    Settings m_settings;
    HistoryDb m_history;
    HistorySnapshot m_snapshot;
    GameChoice m_game;
    bool m_opened = false;
    int m_unrecordedGame = 0; // whose a main file that records no game is: the game selected at open
    int m_segmentBase = 1;
    qint32 m_currentIssue = 0;
    bool m_copyFailed = false;
    QString m_openProblem; // why the file could not be opened
};
