#pragma once

#include <QString>
#include <optional>

class QWidget;

// Message, question and input boxes and the open-file dialog. Tests script the answers.
class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // True when the user answered 确定.
    virtual bool question(QWidget *parent, const QString &title, const QString &text) = 0;
    virtual void message(QWidget *parent, const QString &title, const QString &text) = 0;
    // The answer, or nothing when the user cancelled.
    virtual std::optional<QString> input(QWidget *parent, const QString &title, const QString &prompt,
                                         const QString &defaultAnswer) = 0;
    // The chosen file, or an empty text when the user cancelled.
    virtual QString openFile(QWidget *parent, const QString &title, const QString &folder,
                             const QString &filter) = 0;
};

class QtDialogs : public Dialogs
{
public:
    bool question(QWidget *parent, const QString &title, const QString &text) override;
    void message(QWidget *parent, const QString &title, const QString &text) override;
    std::optional<QString> input(QWidget *parent, const QString &title, const QString &prompt,
                                 const QString &defaultAnswer) override;
    QString openFile(QWidget *parent, const QString &title, const QString &folder,
                     const QString &filter) override;
};
