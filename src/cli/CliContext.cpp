#include "CliContext.h"

#include <QFile>
#include <QRegularExpression>
#include <QSettings>

#include "HistoryMaintenance.h"
#include "SavedPrizes.h"
#include "DrawTimes.h"
#include "Ledger.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace Cli {

namespace {
const QStringList kindNames{QStringLiteral("number"), QStringLiteral("size"), QStringLiteral("parity"),
                            QStringLiteral("segment")};
} // namespace

qint64 wholeNumber(const QString &text, const QString &what, qint64 low, qint64 high)
{
    // Digits and nothing else: " 5", "+5" and "5x" are no whole numbers here.
    static const QRegularExpression digits(QStringLiteral("^-?[0-9]{1,18}$"));
    bool ok = digits.match(text).hasMatch();
    const qint64 value = ok ? text.toLongLong(&ok) : 0;
    if (!ok || value < low || value > high)
        throw UsageError{
            QStringLiteral("%1 必须是 %2 到 %3 之间的整数：%4").arg(what).arg(low).arg(high).arg(text)};
    return value;
}

qint32 issueNumber(const QString &text, const QString &what)
{
    return qint32(wholeNumber(text, what, 1, std::numeric_limits<qint32>::max()));
}

int kindIndex(const QString &text, const QString &option)
{
    const qsizetype index = kindNames.indexOf(text);
    if (index < 0)
        throw UsageError{QStringLiteral("%1 只能是 number、size、parity 或 segment：%2").arg(option, text)};
    return int(index);
}

QString jsonValue(const QJsonValue &value)
{
    // A one-element array serializes any value with JSON's own escaping; its brackets go.
    const QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(text.mid(1, text.size() - 2));
}

QString jsonText(const QString &text)
{
    return jsonValue(QJsonValue(text));
}

QString jsonNumber(double value)
{
    return jsonValue(QJsonValue(value));
}

int Context::drawsPerDayOf(int index) const
{
    if (drawsPerDayGiven && index == game)
        return *drawsPerDayGiven;
    // The setting the window saves (设置 → 每天期数), read only.
    const QSettings saved(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Pelomarix"));
    return ProvinceTable::drawsPerDayFrom(saved.value(QStringLiteral("IniSetting/DrawsPerDay")).toString())
        [size_t(std::clamp(index, 0, ProvinceTable::Count - 1))];
}

void Context::chooseGame(bool anyGame)
{
    // The main file is read over the history's own connection: it is nearly always the history.
    const QString mainPath = QDir(folder).filePath(GameFiles::mainFileName());
    if (QFileInfo::exists(mainPath) && db.open(mainPath) == HistoryDb::OpenStatus::Ok)
        mainFile = GameFiles::readOpen(db.database(), false);
    else
        mainFile = GameFiles::read(mainPath);
    const GameFiles::MainFile &main = mainFile;
    if (!gameGiven && main.game)
        game = *main.game;
    else if (!gameGiven && !anyGame && main.record.state == GameFiles::Record::State::Damaged)
        throw UsageError{GameFiles::damagedMessage(GameFiles::mainFileName(), main.record) +
                         QStringLiteral("；查看时请用 --game 指明彩种")};
    historyPath = GameFiles::pathFor(folder, game, main, unrecordedGame);
}

Plays::PrizeTable Context::prizesOf(int index) const
{
    if (prizesFile.isEmpty()) {
        // The tables the window saves (设置 → 奖金表…), read only.
        const QSettings saved(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Pelomarix"));
        return SavedPrizes::read(saved, index);
    }
    QFile file(prizesFile);
    if (!file.open(QIODevice::ReadOnly))
        throw UsageError{QStringLiteral("无法读取奖金表 %1：%2").arg(prizesFile, file.errorString())};
    constexpr qint64 largest = 1 << 20;
    if (file.size() > largest)
        throw UsageError{QStringLiteral("奖金表 %1 太大（超过 1 MB），没有读取").arg(prizesFile)};
    QString why;
    const std::optional<Plays::PrizeTable> table = Plays::PrizeTable::fromJson(file.read(largest), &why);
    if (!table)
        throw UsageError{QStringLiteral("奖金表 %1 不对：%2").arg(prizesFile, why)};
    return *table;
}

std::optional<DrawClock::Schedule> Context::schedule()
{
    if (firstDrawGiven || intervalGiven) {
        if (!firstDrawGiven || !intervalGiven)
            throw UsageError{QStringLiteral("--first-draw 和 --interval 要一起给")};
        return DrawClock::Schedule{*firstDrawGiven, *intervalGiven};
    }
    // The schedule the window saves (设置 → 开奖时间…), read only.
    const QSettings saved(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Pelomarix"));
    if (const auto set = DrawClock::fromText(saved.value(QStringLiteral("Kaijiang/%1").arg(game)).toString()))
        return set;
    return DrawClock::infer(DrawTimes::recent(db));
}

std::optional<qint64> Context::dailyLimit() const
{
    const qint64 limit = dailyLimitGiven ? *dailyLimitGiven : [] {
        // The setting the window saves (设置 → 每日投注限额), read only.
        const QSettings saved(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Pelomarix"));
        return saved.value(QStringLiteral("IniSetting/Xiane")).toString().toLongLong();
    }();
    return limit > 0 ? std::optional(limit) : std::nullopt;
}

void Context::checkDailyLimit(qint64 adding) const
{
    const std::optional<qint64> limit = dailyLimit();
    if (!limit)
        return;
    const qint64 today = Ledger::placedOn(folder, mainFile, unrecordedGame, QDate::currentDate());
    if (const QString why = Ledger::overDailyLimit(today, adding, limit); !why.isEmpty())
        throw UsageError{why};
}

QString Context::placedNow()
{
    return Ledger::placedText(QDateTime::currentDateTime());
}

std::vector<TextDraw> storedDraws(const HistorySnapshot &snapshot)
{
    return HistoryMaintenance::allButLast(snapshot, 0);
}

} // namespace Cli
