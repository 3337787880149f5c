#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

// Message, question and input boxes and the open-file dialog. Tests script the answers.
class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // True when the user answered 确定 (or `okText`, when the question names its button otherwise).
    virtual bool question(QWidget *parent, const QString &title, const QString &text,
                          const QString &okText = QStringLiteral("确定")) = 0;
    // 是 (true), 否 (false), or nothing when the user pressed Esc or 取消.
    virtual std::optional<bool> yesNo(QWidget *parent, const QString &title, const QString &text) = 0;
    virtual void message(QWidget *parent, const QString &title, const QString &text) = 0;
    // The answer, or nothing when the user cancelled.
    virtual std::optional<QString> input(QWidget *parent, const QString &title, const QString &prompt,
                                         const QString &defaultAnswer) = 0;
    // The chosen file, or an empty text when the user cancelled.
    virtual QString openFile(QWidget *parent, const QString &title, const QString &folder,
                             const QString &filter) = 0;
    // The index of the item chosen from a list, or nothing when the user cancelled.
    virtual std::optional<int> choose(QWidget *parent, const QString &title, const QString &prompt,
                                      const QStringList &items) = 0;
};

class QtDialogs : public Dialogs
{
public:
    bool question(QWidget *parent, const QString &title, const QString &text, const QString &okText) override;
    std::optional<bool> yesNo(QWidget *parent, const QString &title, const QString &text) override;
    void message(QWidget *parent, const QString &title, const QString &text) override;
    std::optional<QString> input(QWidget *parent, const QString &title, const QString &prompt,
                                 const QString &defaultAnswer) override;
    QString openFile(QWidget *parent, const QString &title, const QString &folder,
                     const QString &filter) override;
    std::optional<int> choose(QWidget *parent, const QString &title, const QString &prompt,
                              const QStringList &items) override;
};
