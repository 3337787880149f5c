#include "Plays.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

namespace Plays {

namespace {

const char *const playNames[playCount] = {"和值",     "三同号通选", "三同号单选", "二同号复选",
                                          "二同号单选", "三不同号",   "二不同号",   "三连号通选"};

// The national fixed prizes: of each sum 3..18, and of each other play.
constexpr std::array<int, 19> nationalSum{0, 0, 0, 240, 80, 40, 25, 16, 12, 10, 9, 9, 10, 12, 16, 25, 40, 80, 240};
constexpr std::array<int, playCount> nationalPlay{0, 40, 240, 15, 80, 40, 8, 10};

std::array<int, 3> digitsOf(const QString &numbers)
{
    std::array<int, 3> d{};
    for (qsizetype i = 0; i < numbers.size() && i < 3; ++i)
        d[size_t(i)] = numbers[i].digitValue();
    return d;
}

} // namespace

QString name(Play play)
{
    return QString::fromUtf8(playNames[int(play)]);
}

std::optional<Play> byName(const QString &text)
{
    static const QStringList all = names();
    const qsizetype at = all.indexOf(text);
    return at >= 0 ? std::optional(Play(at)) : std::nullopt;
}

QStringList names()
{
    QStringList all;
    for (int p = 0; p < playCount; ++p)
        all << name(Play(p));
    return all;
}

QString choiceHint(Play play)
{
    switch (play) {
    case Play::Sum:
        return QStringLiteral("一个和值 3~18，如 10");
    case Play::TripleAny:
    case Play::RunAny:
        return QStringLiteral("不选号码");
    case Play::TripleOne:
        return QStringLiteral("三个相同的号码，如 333");
    case Play::PairAny:
        return QStringLiteral("两个相同的号码，如 11");
    case Play::PairOne:
        return QStringLiteral("两个相同的号码和一个不同的号码，如 112");
    case Play::ThreeDifferent:
        return QStringLiteral("三个不同的号码，如 124");
    case Play::TwoDifferent:
        return QStringLiteral("两个不同的号码，如 25");
    }
    return {};
}

bool Choice::wins(const Numbers &draw) const
{
    std::array<int, 3> d{draw[0], draw[1], draw[2]};
    std::sort(d.begin(), d.end());
    const std::array<int, 3> c = digitsOf(numbers);
    const auto holds = [&d](int n) { return std::find(d.begin(), d.end(), n) != d.end(); };
    switch (play) {
    case Play::Sum:
        return d[0] + d[1] + d[2] == numbers.toInt();
    case Play::TripleAny:
        return d[0] == d[2];
    case Play::TripleOne:
        return d[0] == c[0] && d[2] == c[0];
    case Play::PairAny:
        return std::count(d.begin(), d.end(), c[0]) >= 2;
    case Play::PairOne:
        return std::count(d.begin(), d.end(), c[0]) == 2 && holds(c[2]);
    case Play::ThreeDifferent:
        return d == c; // kept in ascending order
    case Play::TwoDifferent:
        return holds(c[0]) && holds(c[1]);
    case Play::RunAny:
        return d[1] == d[0] + 1 && d[2] == d[1] + 1;
    }
    return false;
}

int Choice::winningOutcomes() const
{
    int wins = 0;
    for (qint16 a = 1; a <= 6; ++a)
        for (qint16 b = 1; b <= 6; ++b)
            for (qint16 c = 1; c <= 6; ++c)
                wins += this->wins({a, b, c}) ? 1 : 0;
    return wins;
}

std::optional<Choice> choice(Play play, const QString &typed, QString *why)
{
    const auto refuse = [&](const QString &text) -> std::optional<Choice> {
        if (why)
            *why = text;
        return std::nullopt;
    };
    const QString numbers = typed.trimmed();
    for (const QChar c : numbers)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return refuse(QStringLiteral("号码只能是数字：%1").arg(numbers));
    if (play == Play::Sum) {
        const int sum = numbers.toInt();
        if (numbers.isEmpty() || numbers.size() > 2 || sum < 3 || sum > 18)
            return refuse(QStringLiteral("和值只能是 3~18 之间的一个数：%1").arg(numbers));
        return Choice{play, QString::number(sum)};
    }
    if (play == Play::TripleAny || play == Play::RunAny) {
        if (!numbers.isEmpty())
            return refuse(QStringLiteral("%1不选号码：%2").arg(name(play), numbers));
        return Choice{play, {}};
    }
    std::array<int, 3> d{};
    const qsizetype wanted = play == Play::PairAny || play == Play::TwoDifferent ? 2 : 3;
    bool fits = numbers.size() == wanted;
    for (qsizetype i = 0; fits && i < wanted; ++i) {
        d[size_t(i)] = numbers[i].digitValue();
        fits = d[size_t(i)] >= 1 && d[size_t(i)] <= 6;
    }
    std::sort(d.begin(), d.begin() + wanted);
    const auto distinct = std::unique(d.begin(), d.begin() + wanted) - d.begin();
    QString canonical;
    switch (play) {
    case Play::TripleOne:
    case Play::PairAny:
        fits = fits && distinct == 1;
        canonical = QString(wanted, QChar(u'0' + d[0]));
        break;
    case Play::PairOne: {
        fits = fits && distinct == 2;
        std::array<int, 3> s = digitsOf(numbers);
        std::sort(s.begin(), s.end());
        const int pair = s[1], single = s[0] == s[1] ? s[2] : s[0];
        canonical = QStringLiteral("%1%1%2").arg(pair).arg(single);
        break;
    }
    case Play::ThreeDifferent:
    case Play::TwoDifferent:
        fits = fits && distinct == wanted;
        for (qsizetype i = 0; i < wanted; ++i)
            canonical += QChar(u'0' + d[size_t(i)]);
        break;
    default:
        break;
    }
    if (!fits)
        return refuse(QStringLiteral("%1要选%2：%3")
                          .arg(name(play), choiceHint(play), numbers.isEmpty() ? QStringLiteral("（没有号码）") : numbers));
    return Choice{play, canonical};
}

PrizeTable::PrizeTable()
    : m_sum(nationalSum)
    , m_play(nationalPlay)
{}

int PrizeTable::prize(const Choice &choice) const
{
    return choice.play == Play::Sum ? m_sum[size_t(std::clamp(choice.numbers.toInt(), 0, 18))] : m_play[size_t(choice.play)];
}

std::pair<double, double> PrizeTable::returnRange() const
{
    std::vector<Choice> every;
    for (int s = 3; s <= 18; ++s)
        every.push_back({Play::Sum, QString::number(s)});
    every.insert(every.end(), {{Play::TripleAny, {}}, {Play::TripleOne, "111"}, {Play::PairAny, "11"}, {Play::PairOne, "112"},
                               {Play::ThreeDifferent, "123"}, {Play::TwoDifferent, "12"}, {Play::RunAny, {}}});
    double low = 1e9, high = 0;
    for (const Choice &c : every) {
        low = std::min(low, fairReturn(c));
        high = std::max(high, fairReturn(c));
    }
    return {low, high};
}

QByteArray PrizeTable::toJson() const
{
    QJsonObject sums, all;
    for (int s = 3; s <= 18; ++s)
        sums.insert(QString::number(s), m_sum[size_t(s)]);
    all.insert(name(Play::Sum), sums);
    for (int p = 1; p < playCount; ++p)
        all.insert(name(Play(p)), m_play[size_t(p)]);
    return QJsonDocument(all).toJson(QJsonDocument::Compact);
}

std::optional<PrizeTable> PrizeTable::fromJson(const QByteArray &json, QString *why)
{
    const auto refuse = [&](const QString &text) -> std::optional<PrizeTable> {
        if (why)
            *why = text;
        return std::nullopt;
    };
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (!document.isObject())
        return refuse(QStringLiteral("奖金表不是 JSON 对象（玩法 → 奖金）"));
    const auto prizeOf = [](const QJsonValue &v) -> std::optional<int> {
        const double d = v.toDouble(-1);
        if (!v.isDouble() || d < 1 || d > 100'000'000 || d != std::floor(d))
            return std::nullopt;
        return int(d);
    };
    PrizeTable table;
    const QJsonObject all = document.object();
    for (auto it = all.begin(); it != all.end(); ++it) {
        const std::optional<Play> play = byName(it.key());
        if (!play)
            return refuse(QStringLiteral("奖金表中有不认识的玩法：%1").arg(it.key()));
        if (*play != Play::Sum) {
            const std::optional<int> prize = prizeOf(it.value());
            if (!prize)
                return refuse(QStringLiteral("%1的奖金应是 1 到 100000000 之间的整数").arg(it.key()));
            table.m_play[size_t(*play)] = *prize;
            continue;
        }
        if (!it.value().isObject())
            return refuse(QStringLiteral("和值的奖金应是对象（和值 → 奖金）"));
        const QJsonObject sums = it.value().toObject();
        for (auto s = sums.begin(); s != sums.end(); ++s) {
            bool ok = false;
            const int sum = s.key().toInt(&ok);
            const std::optional<int> prize = prizeOf(s.value());
            if (!ok || sum < 3 || sum > 18)
                return refuse(QStringLiteral("和值 %1 不对：和值是 3~18").arg(s.key()));
            if (!prize)
                return refuse(QStringLiteral("和值 %1 的奖金应是 1 到 100000000 之间的整数").arg(sum));
            table.m_sum[size_t(sum)] = *prize;
        }
    }
    return table;
}

} // namespace Plays
