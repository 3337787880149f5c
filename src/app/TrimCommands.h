#pragma once

#include "AppServices.h"
#include "HistoryCommands.h"

#include <QObject>
#include <map>

// The commands that remove draws: delete the last one, delete the last N, keep up to an issue,
// clear; and the way back: undo the last removal, restore a backup. Each works from the history
// the user saw when it started: when another program changed it meanwhile, nothing is removed,
// the window shows the new history and the command asks again. Everything removed is backed up
// first.
class TrimCommands : public QObject
{
    Q_OBJECT
public:
    TrimCommands(const AppServices &services, HistoryCommands &commands, QWidget *dialogParent);

    CommandOutcome deleteLast();
    CommandOutcome deleteLastCount();
    // `selected`: the issue of the history grid's selected row, offered as the answer.
    CommandOutcome keepUpTo(std::optional<qint32> selected);
    CommandOutcome clear();
    CommandOutcome undoRemoval();
    CommandOutcome restoreBackup();

private:
    // Dqzd: the draws `keep` selects go through the backup file and replace the history, then the
    // file is compacted. Nothing (ask again) when the stored history is no longer the one shown.
    std::optional<CommandOutcome> rebuild(const QString &reason, const std::function<std::vector<TextDraw>(
                                                      const HistorySnapshot &, QString *)> &keep);
    // After a removal: what it backed up, for 撤销上次删除, and the status that says so; with
    // `compact`, the database is compacted and a failure of that said after it.
    void removed(CommandOutcome &outcome, const HistoryWriter::Backup &backup, const QString &what,
                 bool compact = false);
    // The history changed while a box was open: it is read again and the user told.
    bool changedWhileAsking();
    std::optional<qint64> askNumber(const QString &prompt, const QString &defaultAnswer, const QString &what);

    struct Undo
    {
        Backups::Entry backup;
        quint64 after = 0; // the history right after the removal
    };

    AppServices m_services;
    HistoryCommands &m_commands;
    QWidget *m_parent;
    // Each game's history keeps its own last removal, by its file.
    std::map<QString, Undo> m_undo;
};
