#include "UpdateCommand.h"

#include "BusyCursor.h"
#include "Clock.h"
#include "Dialogs.h"
#include "OnlineUpdate.h"

#include <QCursor>
#include <QDir>
#include <QWidget>
#include <QRegularExpression>

namespace {
const QString updateTitle = QStringLiteral("历史号在线更新");
}

UpdateCommand::UpdateCommand(const AppServices &services, HistoryCommands &commands, QWidget *dialogParent)
    : QObject(dialogParent)
    , m_services(services)
    , m_commands(commands)
    , m_parent(dialogParent)
    , m_daysToKeep(m_settings.iniSerchDay())
{}

CommandOutcome UpdateCommand::run()
{
    // The default host never resolves: a first-time user is asked for the real one before any
    // other question, and told where it is kept.
    if (m_settings.updateHost() == OnlineUpdate::defaultHost()) {
        if (!m_services.dialogs->question(m_parent, updateTitle,
                                          QStringLiteral("还没有设置开奖网址，无法在线更新。\n开奖网址在菜单“设置 → 开奖网址”中设置。现在设置吗？")) ||
            !askUpdateHost()) {
            CommandOutcome none;
            none.status = QStringLiteral("没有设置开奖网址，历史号码没有改变。");
            return none;
        }
    }
    HistoryDb &db = m_commands.history();
    const GameChoice &choice = m_commands.game();
    const OnlineUpdate::Game game{choice.index, choice.code, choice.drawsPerDay};
    const std::optional<int> stored = db.storedGame();
    const bool otherGame = stored && *stored != choice.index;
    const HistorySnapshot &history = m_commands.snapshot();
    QString question = QStringLiteral("确实要在线更新最新历史号码吗？更新可能要花费一段时间，网络不通或者我方服务器"
                                      "更新不及时可能都造成更新失败！");
    // Say before replacing: the stored draws are discarded when they are too old or another game's.
    if (!history.isEmpty() &&
        (otherGame || OnlineUpdate::plan(history, game, m_services.clock->today(), m_daysToKeep).replaceHistory))
        question += QStringLiteral("\n\n现有的 %1 期历史号码%2，更新得到新的开奖号码后将被替换（只保留最近 %3 天）；"
                                   "替换前会备份在“%4”文件夹中，可用“恢复备份”找回。")
                        .arg(history.count())
                        .arg(otherGame ? QStringLiteral("属于另一彩种") : QStringLiteral("早于要保留的天数"))
                        .arg(m_daysToKeep)
                        .arg(Backups::folderName());
    if (!m_services.dialogs->question(m_parent, updateTitle, question))
        return {};
    OnlineUpdate::Outcome result;
    const QStringList hosts = m_settings.updateHosts();
    {
        // The window keeps painting while the page loads.
        const BusyCursor busy;
        emit loading(true);
        emit statusMessage(QStringLiteral("正在读取开奖网页……"));
        result = OnlineUpdate::runHosts(db, history, *m_services.pageLoader, game, hosts,
                                   m_services.clock->today(), m_daysToKeep, m_commands.segmentBase(), otherGame,
                                   m_services.programFolder);
        emit loading(false);
    }
    CommandOutcome outcome;
    if (result.added == 0) {
        QString why = result.error;
        if (why.isEmpty() && result.lastStoredOnPage)
            why = QStringLiteral("开奖网页上还没有第 %1 期之后的开奖号码。").arg(m_commands.snapshot().last().sqqh);
        else if (why.isEmpty())
            why = QStringLiteral("开奖网页上没有找到开奖号码，请检查开奖网址（菜单“设置 → 开奖网址”）。");
        outcome.status = QStringLiteral("在线更新没有得到新的开奖号码，历史号码没有改变。");
        outcome.title = updateTitle;
        outcome.message = QStringLiteral("在线更新没有得到新的开奖号码，历史号码保持不变。\n%1%2")
                              .arg(why, OnlineUpdate::hostsNote(result, game.code, int(hosts.size())));
        return outcome;
    }
    m_commands.reload();
    outcome.changed = true;
    outcome.status = QStringLiteral("在线更新：新增 %1 期开奖号码%2。")
                         .arg(result.added)
                         .arg(result.replaced ? QStringLiteral("（旧的历史号码已超过保留天数或属于另一彩种，已替换）")
                                              : QString()) +
                     OnlineUpdate::hostsNote(result, game.code, int(hosts.size()));
    if (result.outOfOrder > 0)
        outcome.status += QStringLiteral("其中 %1 期号码不是从小到大，按网页存放。").arg(result.outOfOrder);
    if (result.backup)
        outcome.status += QStringLiteral("被替换的历史号码已备份：%1").arg(QDir::toNativeSeparators(result.backup->path));
    return outcome;
}

bool UpdateCommand::askUpdateHost()
{
    const std::optional<QString> answer = m_services.dialogs->input(
        m_parent, QStringLiteral("开奖网址"),
        QStringLiteral("请输入开奖网页的主机名，即网址中跟在彩种代码之后的部分，例如 .results.example.com；"
                       "有几个来源时用逗号分开，按顺序尝试，直到有一个已有新的一期"),
        m_settings.updateHosts().join(QStringLiteral(", ")));
    if (!answer)
        return false;
    static const QRegularExpression hostName(QStringLiteral("^[A-Za-z0-9.-]{1,200}(:[0-9]{1,5})?$"));
    QStringList hosts;
    for (const QString &typed : answer->split(QRegularExpression(QStringLiteral("[,，]")), Qt::SkipEmptyParts)) {
        // A pasted address is taken apart: the host the page is asked on is what follows the game code.
        const QString host = OnlineUpdate::hostFrom(typed.trimmed(), m_commands.game().code);
        if (!hostName.match(host).hasMatch()) {
            m_services.dialogs->message(m_parent, QStringLiteral("开奖网址"),
                                        QStringLiteral("“%1”不是主机名，开奖网址没有改变。").arg(host));
            return false;
        }
        if (!hosts.contains(host))
            hosts << host;
    }
    if (hosts.isEmpty())
        return false;
    m_settings.setUpdateHosts(hosts);
    emit statusMessage(QStringLiteral("开奖网址已设为 %1").arg(hosts.join(QStringLiteral("、"))));
    return true;
}

void UpdateCommand::askDaysToKeep()
{
    m_daysToKeep = m_settings.intValue(Settings::Key::IniSerchDay, 6);
    for (;;) {
        const std::optional<QString> answer = m_services.dialogs->input(
            m_parent, QStringLiteral("设置天数"),
            QStringLiteral("请输入更新需要保留的历史号码的天数（2~"
                           "16中的任意自然数），如果超过天数将删除最早的一天的历史号码"),
            QString::number(m_daysToKeep));
        if (!answer || answer->isEmpty())
            return;
        bool ok = false;
        const int days = answer->trimmed().toInt(&ok);
        if (ok && days >= 2 && days <= 16) {
            m_daysToKeep = days;
            m_settings.setInt(Settings::Key::IniSerchDay, days);
            return;
        }
        m_services.dialogs->message(m_parent, QStringLiteral("输入有误"),
                                    QStringLiteral("为了保证时效性和提高计算效率，软件只能统计16天以内的数据，"
                                                   "请输入2到16中的自然数。"));
    }
}
