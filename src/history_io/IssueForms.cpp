#include "IssueForms.h"

#include <QDate>
#include <algorithm>

namespace IssueForms {

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == QChar(0x3000);
}

qsizetype digitsAt(QStringView t, qsizetype at)
{
    qsizetype end = at;
    while (end < t.size() && isDigit(t[end]))
        ++end;
    return end - at;
}

int number(QStringView t, qsizetype at, qsizetype length)
{
    return t.sliced(at, length).toInt();
}

Issue refused(QStringView t, qsizetype length, const QString &why)
{
    return {0, length, QStringLiteral("期号“%1”%2").arg(t.first(length), why)};
}

// The issue of a date (20YY-MM-DD given as numbers) and a sequence read as digits.
Issue issueOf(QStringView t, int year, int month, int day, int sequence, qsizetype length)
{
    const QDate date(year, month, day);
    if (!date.isValid() || year < 2000 || year > 2099)
        return refused(t, length, QStringLiteral("的日期不对"));
    return {qint32((year - 2000) * 10000000 + month * 100000 + day * 1000 + sequence), length, {}};
}

struct Sequence
{
    int value = 0;
    qsizetype end = 0;
};

// The sequence after a date ending at `at`: a mark (-, _, /) right before two or three digits, or
// blanks before them when more digits follow (else the number after a plain date is its draw).
// A mark without such digits refuses the issue.
std::optional<Sequence> sequenceAfter(QStringView t, qsizetype at, QString *refusal)
{
    if (at >= t.size())
        return std::nullopt;
    const bool mark = t[at] == u'-' || t[at] == u'_' || t[at] == u'/';
    qsizetype from = at;
    if (mark) {
        ++from;
    } else {
        while (from < t.size() && isBlank(t[from]))
            ++from;
        if (from == at)
            return std::nullopt;
    }
    const qsizetype run = digitsAt(t, from);
    if (run < 2 || run > 3) {
        if (mark)
            *refusal = QStringLiteral("看不懂：日期后面应是两位或三位序号");
        return std::nullopt;
    }
    if (!mark && std::none_of(t.begin() + from + run, t.end(), isDigit))
        return std::nullopt;
    return Sequence{number(t, from, run), from + run};
}

// 2013-08-01 第002期, 2013/8/1 002期.
std::optional<Issue> dashedDate(QStringView t)
{
    const QChar mark = t[4];
    qsizetype at = 5;
    const qsizetype monthRun = digitsAt(t, at);
    if (monthRun < 1 || monthRun > 2 || at + monthRun >= t.size() || t[at + monthRun] != mark)
        return std::nullopt;
    const int month = number(t, at, monthRun);
    at += monthRun + 1;
    const qsizetype dayRun = digitsAt(t, at);
    if (dayRun < 1 || dayRun > 2)
        return std::nullopt;
    const int day = number(t, at, dayRun);
    at += dayRun;
    while (at < t.size() && isBlank(t[at]))
        ++at;
    if (at < t.size() && t[at] == u'第')
        ++at;
    while (at < t.size() && isBlank(t[at]))
        ++at;
    const qsizetype run = digitsAt(t, at);
    qsizetype end = at + run;
    while (end < t.size() && isBlank(t[end]))
        ++end;
    if (run == 0 || end >= t.size() || t[end] != u'期')
        return std::nullopt; // a plain date
    if (run > 3)
        return refused(t, end + 1, QStringLiteral("看不懂：序号应为三位"));
    return issueOf(t, number(t, 0, 4), month, day, number(t, at, run), end + 1);
}

} // namespace

std::optional<Issue> readAt(QStringView t)
{
    const qsizetype run = digitsAt(t, 0);
    const bool century = t.startsWith(u"20");
    if (run == 4 && t.size() > 4 && (t[4] == u'-' || t[4] == u'/' || t[4] == u'.'))
        return dashedDate(t);
    if ((run == 11 || run == 10) && century)
        return issueOf(t, number(t, 0, 4), number(t, 4, 2), number(t, 6, 2), number(t, 8, run - 8), run);
    if (run == 9)
        return issueOf(t, 2000 + number(t, 0, 2), number(t, 2, 2), number(t, 4, 2), number(t, 6, 3), run);
    if ((run == 8 && century) || run == 6) {
        QString refusal;
        const std::optional<Sequence> sequence = sequenceAfter(t, run, &refusal);
        if (!refusal.isEmpty())
            return refused(t, std::min(t.size(), run + 1 + digitsAt(t, run + 1)), refusal);
        if (!sequence)
            return std::nullopt; // a plain date, or a number that is no issue
        const int year = run == 8 ? number(t, 0, 4) : 2000 + number(t, 0, 2);
        return issueOf(t, year, number(t, run - 4, 2), number(t, run - 2, 2), sequence->value, sequence->end);
    }
    if (run == 8 && QDate::fromString(QStringLiteral("200") + t.first(5).toString(), QStringLiteral("yyyyMMdd")).isValid())
        return Issue{number(t, 0, 8), 8, {}}; // 2000–2009 with the leading 0 dropped, as stored
    return std::nullopt;
}

std::optional<Numbers> numbersOf(QStringView text)
{
    qsizetype at = 0;
    while (at < text.size() && (isBlank(text[at]) || text[at] == u',' || text[at] == u':'))
        ++at;
    Numbers numbers{};
    size_t count = 0;
    for (; at < text.size(); ++at) {
        const QChar c = text[at];
        if (isDigit(c)) {
            if (count == 3 || c < u'1' || c > u'6')
                return std::nullopt;
            numbers[count++] = qint16(c.unicode() - u'0');
        } else if (!isBlank(c) && c != u',' && c != u'+' && c != u'|') {
            return std::nullopt;
        }
    }
    return count == 3 ? std::optional<Numbers>(numbers) : std::nullopt;
}

QString notUnderstood(QStringView digits)
{
    return QStringLiteral("期号“%1”看不懂：应为日期加序号，如 130801001 或 20130801-001").arg(digits);
}

} // namespace IssueForms
