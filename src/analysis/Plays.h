#pragma once

#include "DrawRecord.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// The K3 plays, their fixed prizes and what each returns for fair dice. One bet costs 2 元.
namespace Plays {

enum class Play {
    Sum,            // 和值: one sum 3..18
    TripleAny,      // 三同号通选
    TripleOne,      // 三同号单选: "aaa"
    PairAny,        // 二同号复选: "aa"
    PairOne,        // 二同号单选: "aab"
    ThreeDifferent, // 三不同号: "abc"
    TwoDifferent,   // 二不同号: "ab"
    RunAny,         // 三连号通选
};
constexpr int playCount = 8;
constexpr int betCost = 2;

QString name(Play play);
std::optional<Play> byName(const QString &name);
QStringList names();
// What the player chooses, in words for a form ("两个不同的号码，如 25").
QString choiceHint(Play play);

// A play and its chosen numbers, checked: digits 1..6 in the play's form, sorted ascending
// (a sum as its number).
struct Choice
{
    Play play = Play::Sum;
    QString numbers; // "10", "124", "25", "11", "112", "333", or empty for the 通选 plays

    bool operator==(const Choice &) const = default;
    // Whether the draw wins this choice (its numbers in any order).
    bool wins(const Numbers &draw) const;
    // How many of the 216 outcomes of three fair dice win it.
    int winningOutcomes() const;
    double chance() const { return winningOutcomes() / 216.0; }
};

// A choice from what the player typed; nothing, with `why` in one Chinese line, when the
// numbers do not fit the play.
std::optional<Choice> choice(Play play, const QString &numbers, QString *why);

// The prize of one bet for each play (of each sum for 和值), in 元.
class PrizeTable
{
public:
    // The national fixed prizes.
    PrizeTable();
    int prize(const Choice &choice) const;
    int sumPrize(int sum) const { return m_sum[size_t(sum)]; }
    int playPrize(Play play) const { return m_play[size_t(play)]; }
    void setSumPrize(int sum, int prize) { m_sum[size_t(sum)] = prize; }
    void setPlayPrize(Play play, int prize) { m_play[size_t(play)] = prize; }
    // The return of one bet for fair dice: chance × prize ÷ 2 元.
    double fairReturn(const Choice &choice) const { return choice.chance() * prize(choice) / betCost; }
    // The lowest and highest fair return over every play and choice.
    std::pair<double, double> returnRange() const;

    // {"和值": {"3": 240, …}, "三同号通选": 40, …}: every play and sum.
    QByteArray toJson() const;
    // The national table with what `json` gives instead (any plays or sums); nothing, with
    // `why`, when it is no such object or a value is not a positive whole number.
    static std::optional<PrizeTable> fromJson(const QByteArray &json, QString *why);

    bool operator==(const PrizeTable &) const = default;

private:
    std::array<int, 19> m_sum{};
    std::array<int, playCount> m_play{};
};

} // namespace Plays
