#include "TestDoubles.h"

#include <QDir>
#include <QSettings>

bool ScriptedDialogs::question(QWidget *, const QString &title, const QString &text, const QString &okText)
{
    shown.append({QStringLiteral("question"), title, text, okText});
    if (questionAnswers.empty())
        return true;
    const bool answer = questionAnswers.front();
    questionAnswers.pop_front();
    return answer;
}

std::optional<bool> ScriptedDialogs::yesNo(QWidget *, const QString &title, const QString &text)
{
    shown.append({QStringLiteral("yesNo"), title, text, {}});
    if (yesNoAnswers.empty())
        return true;
    const std::optional<bool> answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
}

void ScriptedDialogs::message(QWidget *, const QString &title, const QString &text)
{
    shown.append({QStringLiteral("message"), title, text, {}});
}

std::optional<QString> ScriptedDialogs::input(QWidget *, const QString &title, const QString &prompt,
                                              const QString &defaultAnswer)
{
    shown.append({QStringLiteral("input"), title, prompt, defaultAnswer});
    if (whileInputOpen)
        std::exchange(whileInputOpen, {})();
    if (inputAnswers.empty())
        return std::nullopt;
    const std::optional<QString> answer = inputAnswers.front();
    inputAnswers.pop_front();
    return answer;
}

std::optional<int> ScriptedDialogs::choose(QWidget *, const QString &title, const QString &prompt,
                                           const QStringList &items)
{
    shown.append({QStringLiteral("choose"), title, prompt, QString()});
    lastChoices = items;
    if (chooseAnswers.empty())
        return std::nullopt;
    const std::optional<int> answer = chooseAnswers.front();
    chooseAnswers.pop_front();
    return answer;
}

QString ScriptedDialogs::openFile(QWidget *, const QString &title, const QString &folder, const QString &)
{
    shown.append({QStringLiteral("openFile"), title, folder, {}});
    if (fileAnswers.empty())
        return {};
    const QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

int ScriptedDialogs::count(const QString &kind) const
{
    return int(std::count_if(shown.begin(), shown.end(), [&](const Shown &s) { return s.kind == kind; }));
}

TestFolder::TestFolder()
{
    QDir().mkpath(m_dir.filePath(QStringLiteral("config")));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.filePath(QStringLiteral("config")));
}

QString TestFolder::settingsFile() const
{
    return m_dir.filePath(QStringLiteral("config/Pelomarix.ini"));
}

void TestFolder::writeSetting(const QString &key, const QString &text) const
{
    QSettings store(settingsFile(), QSettings::IniFormat);
    store.setValue(QStringLiteral("IniSetting/") + key, text);
}

QString TestFolder::readSetting(const QString &key) const
{
    QSettings store(settingsFile(), QSettings::IniFormat);
    return store.value(QStringLiteral("IniSetting/") + key).toString();
}
