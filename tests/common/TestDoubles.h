#pragma once

#include "Clock.h"
#include "Dialogs.h"
#include "Launcher.h"

#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>

// Answers dialogs from a script and records every one shown.
class ScriptedDialogs : public Dialogs
{
public:
    struct Shown
    {
        QString kind; // "question", "yesNo", "message", "input", "openFile"
        QString title;
        QString text;
        QString defaultAnswer; // an input's; a question's button
    };

    bool question(QWidget *parent, const QString &title, const QString &text, const QString &okText) override;
    std::optional<bool> yesNo(QWidget *parent, const QString &title, const QString &text) override;
    void message(QWidget *parent, const QString &title, const QString &text) override;
    std::optional<QString> input(QWidget *parent, const QString &title, const QString &prompt,
                                 const QString &defaultAnswer) override;
    QString openFile(QWidget *parent, const QString &title, const QString &folder,
                     const QString &filter) override;
    std::optional<int> choose(QWidget *parent, const QString &title, const QString &prompt,
                              const QStringList &items) override;

    std::deque<bool> questionAnswers;                // default: 确定
    std::deque<std::optional<bool>> yesNoAnswers;    // default: 是; nothing: Esc
    std::deque<std::optional<int>> chooseAnswers;    // default: cancel
    QStringList lastChoices;                         // the items of the last list shown
    std::deque<std::optional<QString>> inputAnswers; // default: cancel
    // Runs while the next input box is open (another program writing, say), then is dropped.
    std::function<void()> whileInputOpen;
    std::deque<QString> fileAnswers;                 // default: cancel
    QList<Shown> shown;

    int count(const QString &kind) const;
};

class RecordingLauncher : public Launcher
{
public:
    bool openFile(const QString &path) override
    {
        opened << path;
        return answer;
    }
    QStringList opened;
    bool answer = true; // false: the desktop has no application for the file
};

class FixedClock : public Clock
{
public:
    explicit FixedClock(QDate date = QDate(2016, 12, 12))
        : date(date)
    {}
    QDate today() const override { return date; }
    // The moment now: `moment` when set, else noon of `date`.
    QDateTime now() const override { return moment.isValid() ? moment : Clock::now(); }
    QDate date;
    QDateTime moment;
};

// A temporary folder that also holds this test's settings store.
class TestFolder
{
public:
    TestFolder();
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    // Writes the settings store directly, as another run of the program would have left it.
    void writeSetting(const QString &key, const QString &text) const;
    QString readSetting(const QString &key) const;
    QString settingsFile() const;

private:
    QTemporaryDir m_dir;
};
