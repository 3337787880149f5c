#include "DrawText.h"


#include "HtmlText.h"
#include "IssueForms.h"
#include "IssueNumbers.h"

#include <QRegularExpression>
#include <unordered_map>
#include <unordered_set>

namespace DrawText {

namespace {

struct Token
{
    enum Kind { Number, Word, Mark } kind;
    qsizetype begin;
    qsizetype end;
    QChar mark; // the separator of a Mark
    bool ignored = false;
    // An issue read whole from this number on (a date-based game's forms): its place in the line's
    // claims, -1 for none. Kept apart so that the many plain tokens stay small.
    int claim = -1;
    bool isIssue() const { return claim >= 0; }
};

QChar normal(QChar c)
{
    // Full-width digits and marks as their ASCII forms.
    if (c.unicode() >= 0xFF10 && c.unicode() <= 0xFF19)
        return QChar(u'0' + (c.unicode() - 0xFF10));
    switch (c.unicode()) {
    case 0xFF1A:
        return u':';
    case 0xFF0C:
        return u',';
    case 0xFF0D:
        return u'-';
    case 0xFF0B:
        return u'+';
    case 0xFF0F:
        return u'/';
    default:
        return c;
    }
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

class Line
{
public:
    Line(QStringView raw, IssueStyle style)
    {
        m_text.reserve(raw.size());
        for (QChar c : raw)
            m_text += normal(c);
        qsizetype i = 0;
        const qsizetype n = m_text.size();
        while (i < n) {
            const QChar c = m_text[i];
            qsizetype j = i + 1;
            if (isDigit(c)) {
                while (j < n && isDigit(m_text[j]))
                    ++j;
                m_tokens.push_back({Token::Number, i, j, {}});
            } else if (c.isLetter()) {
                while (j < n && m_text[j].isLetter() && !isDigit(m_text[j]))
                    ++j;
                m_tokens.push_back({Token::Word, i, j, {}});
            } else if (!c.isSpace()) {
                m_tokens.push_back({Token::Mark, i, j, c});
            }
            i = j;
        }
        if (style == IssueStyle::Dated)
            claimIssues();
        passOverNoDraws();
    }

    const QString &text() const { return m_text; }
    const std::vector<Token> &tokens() const { return m_tokens; }
    QStringView view(const Token &t) const { return QStringView(m_text).sliced(t.begin, t.end - t.begin); }
    // Whether nothing but blanks stands between two tokens.
    bool adjacent(size_t a, size_t b) const { return m_tokens[a].end == m_tokens[b].begin; }

private:
    bool isNumber(size_t i) const { return i < m_tokens.size() && m_tokens[i].kind == Token::Number; }
    bool isMark(size_t i, QStringView marks) const
    {
        return i < m_tokens.size() && m_tokens[i].kind == Token::Mark && marks.contains(m_tokens[i].mark);
    }
    int value(size_t i) const { return view(m_tokens[i]).size() <= 4 ? view(m_tokens[i]).toInt() : 99999; }
    void ignore(size_t from, size_t to)
    {
        for (size_t i = from; i <= to && i < m_tokens.size(); ++i)
            m_tokens[i].ignored = true;
    }

    // Issues in their printed forms take the numbers they are made of (20130801-02: three tokens).
    void claimIssues()
    {
        for (size_t i = 0; i < m_tokens.size(); ++i) {
            if (!isNumber(i))
                continue;
            const std::optional<IssueForms::Issue> found = IssueForms::readAt(QStringView(m_text).sliced(m_tokens[i].begin));
            if (!found)
                continue;
            Token &t = m_tokens[i];
            t.claim = int(m_claims.size());
            m_claims.push_back(*found);
            const qsizetype end = t.begin + found->length;
            while (i + 1 < m_tokens.size() && m_tokens[i + 1].begin < end)
                m_tokens[++i].ignored = true;
        }
    }

    // Dates, times and the numbers that labels and units claim are no part of a draw.
    void passOverNoDraws()
    {
        for (size_t i = 0; i < m_tokens.size(); ++i) {
            if (!isNumber(i) || m_tokens[i].ignored || m_tokens[i].isIssue())
                continue;
            const qsizetype digits = view(m_tokens[i]).size();
            // 2013-05-29, 2013/5/29, 2013.05.29
            if (digits == 4 && isMark(i + 1, u"-/.") && isNumber(i + 2) && isMark(i + 3, u"-/.") && isNumber(i + 4) &&
                value(i + 2) >= 1 && value(i + 2) <= 12 && value(i + 4) >= 1 && value(i + 4) <= 31) {
                ignore(i, i + 4);
                continue;
            }
            // 09:10, 09:10:00
            if (digits <= 2 && isMark(i + 1, u":") && isNumber(i + 2)) {
                ignore(i, i + 2);
                if (isMark(i + 3, u":") && isNumber(i + 4))
                    ignore(i + 3, i + 4);
                continue;
            }
            // 05-29, 5/29: a part of two digits (single digits are a draw's: "1-3-5").
            if (digits <= 2 && isMark(i + 1, u"-/") && isNumber(i + 2) && view(m_tokens[i + 2]).size() <= 2 &&
                value(i) >= 1 && value(i) <= 12 && value(i + 2) >= 1 && value(i + 2) <= 31 &&
                (digits == 2 || view(m_tokens[i + 2]).size() == 2)) {
                ignore(i, i + 2);
                continue;
            }
            // A unit right after the number: 5月29日, 2013年, 29号, 9点, 3个.
            if (i + 1 < m_tokens.size() && m_tokens[i + 1].kind == Token::Word && adjacent(i, i + 1)) {
                const QChar unit = m_text[m_tokens[i + 1].begin];
                if (QStringView(u"年月日号时点分秒个次元").contains(unit)) {
                    m_tokens[i].ignored = true;
                    continue;
                }
            }
            // A sum after its label: 和值 9, 和值：9, 和:9.
            if (i > 0) {
                size_t label = i - 1;
                if (isMark(label, u":=") && label > 0)
                    --label;
                if (m_tokens[label].kind == Token::Word && view(m_tokens[label]).endsWith(u"和值"))
                    m_tokens[i].ignored = true;
                else if (m_tokens[label].kind == Token::Word && view(m_tokens[label]).endsWith(u"和"))
                    m_tokens[i].ignored = true;
            }
            // 20130529: a date written as one number.
            if (digits == 8 && view(m_tokens[i]).startsWith(u"20") &&
                IssueNumbers::dateOf(view(m_tokens[i]).sliced(2).toString()))
                m_tokens[i].ignored = true;
        }
    }

    QString m_text;
    std::vector<Token> m_tokens;
    std::vector<IssueForms::Issue> m_claims;

public:
    const IssueForms::Issue &claim(const Token &t) const { return m_claims[size_t(t.claim)]; }
};

bool isIssueLike(QStringView digits)
{
    return digits.size() >= 5 && digits.size() <= 11;
}

struct Reading1
{
    std::optional<Numbers> numbers;
    QString reason;
};

// The draw after an issue: the numbers of tokens [from, to) that nothing else claimed.
Reading1 drawAfter(const Line &line, size_t from, size_t to)
{
    std::vector<size_t> numbers;
    for (size_t i = from; i < to; ++i)
        if (line.tokens()[i].kind == Token::Number && !line.tokens()[i].ignored)
            numbers.push_back(i);
    if (numbers.empty())
        return {}; // nothing that could be a draw: no draw row (a phone number, a pending draw)
    auto digitAt = [&](size_t k, qsizetype d) { return line.view(line.tokens()[numbers[k]])[d].unicode() - u'0'; };
    auto size = [&](size_t k) { return line.view(line.tokens()[numbers[k]]).size(); };
    auto die = [](int v) { return v >= 1 && v <= 6; };
    struct Candidate
    {
        size_t first; // index into `numbers`
        size_t count; // tokens it takes, the sum after it included
        Numbers draw;
    };
    std::vector<Candidate> candidates;
    for (size_t k = 0; k < numbers.size(); ++k) {
        if (size(k) == 3 && die(digitAt(k, 0)) && die(digitAt(k, 1)) && die(digitAt(k, 2))) {
            candidates.push_back({k, 1, {qint16(digitAt(k, 0)), qint16(digitAt(k, 1)), qint16(digitAt(k, 2))}});
            continue;
        }
        if (k + 2 < numbers.size() && size(k) == 1 && size(k + 1) == 1 && size(k + 2) == 1 && die(digitAt(k, 0)) &&
            die(digitAt(k + 1, 0)) && die(digitAt(k + 2, 0)))
            candidates.push_back({k, 3, {qint16(digitAt(k, 0)), qint16(digitAt(k + 1, 0)), qint16(digitAt(k + 2, 0))}});
    }
    if (candidates.empty()) {
        for (size_t k = 0; k < numbers.size(); ++k)
            for (qsizetype d = 0; d < size(k) && size(k) <= 3; ++d)
                if (!die(digitAt(k, d)))
                    return {std::nullopt, QStringLiteral("号码“%1”不是 1~6").arg(line.view(line.tokens()[numbers[k]]))};
        return {std::nullopt, QStringLiteral("期号后面没有三个 1~6 的号码")};
    }
    // A sum right after the first reading confirms it.
    Candidate chosen = candidates.front();
    const size_t after = chosen.first + chosen.count;
    const bool summed = after < numbers.size() && size(after) <= 2 &&
                        line.view(line.tokens()[numbers[after]]).toInt() == chosen.draw[0] + chosen.draw[1] + chosen.draw[2];
    // What follows a confirmed reading is the row's figures about it (span, counts of odd numbers).
    if (summed)
        return {chosen.draw, {}};
    for (const Candidate &other : candidates) {
        if (other.first < chosen.first + chosen.count)
            continue; // within the chosen reading
        if (other.draw != chosen.draw)
            return {std::nullopt, QStringLiteral("有不止一种读法（%1%2%3 或 %4%5%6）")
                                      .arg(chosen.draw[0]).arg(chosen.draw[1]).arg(chosen.draw[2])
                                      .arg(other.draw[0]).arg(other.draw[1]).arg(other.draw[2])};
    }
    // Overlapping readings of one run of single digits ("1 3 5 2") with no sum to tell them apart.
    for (const Candidate &other : candidates)
        if (other.first > chosen.first && other.first < chosen.first + chosen.count && other.draw != chosen.draw)
            return {std::nullopt, QStringLiteral("有不止一种读法（%1%2%3 或 %4%5%6）")
                                      .arg(chosen.draw[0]).arg(chosen.draw[1]).arg(chosen.draw[2])
                                      .arg(other.draw[0]).arg(other.draw[1]).arg(other.draw[2])};
    return {chosen.draw, {}};
}

std::optional<TextDraw> runTogether(QStringView digits)
{
    if (digits.size() != 12)
        return std::nullopt;
    Numbers numbers{};
    for (int p = 0; p < 3; ++p) {
        const int die = digits[9 + p].unicode() - u'0';
        if (die < 1 || die > 6)
            return std::nullopt;
        numbers[size_t(p)] = qint16(die);
    }
    bool ok = false;
    const qint32 issue = digits.first(9).toInt(&ok);
    return ok && issue > 0 ? std::optional<TextDraw>(TextDraw{issue, numbers}) : std::nullopt;
}

bool looksLikeHtml(const QString &text)
{
    static const QRegularExpression tags(QStringLiteral("<(td|tr|br|p|div|li|html|body|table|img)[\\s>/]"),
                                         QRegularExpression::CaseInsensitiveOption);
    return tags.match(QStringView(text).first(std::min<qsizetype>(text.size(), 1 << 20))).hasMatch();
}

QString shortened(const QString &line)
{
    const QString simple = line.simplified();
    return simple.size() > 80 ? simple.left(79) + QChar(0x2026) : simple;
}

} // namespace

std::optional<qint32> issueOf(QStringView digits)
{
    if (digits.size() == 11 && digits.startsWith(u"20"))
        digits = digits.sliced(2);
    if (digits.size() == 10 && digits.startsWith(u"20") && IssueNumbers::dateOf(digits.sliced(2, 6).toString()))
        return digits.sliced(2, 6).toInt() * 1000 + digits.sliced(8).toInt();
    if (digits.size() < 5 || digits.size() > 10)
        return std::nullopt;
    bool ok = false;
    const qint64 value = digits.toLongLong(&ok);
    if (!ok || value < 1 || value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(value);
}

namespace {

void skip(Reading &reading, Skipped skipped)
{
    // A page full of numbers that are no draws must not fill the memory with reasons.
    ++reading.skippedCount;
    if (reading.skipped.size() < Reading::MaxSkipped)
        reading.skipped.push_back(std::move(skipped));
}

} // namespace

Reading read(const QString &input, IssueStyle style)
{
    const QString text = looksLikeHtml(input) ? HtmlText::visibleText(input) : input;
    Reading reading;
    std::unordered_map<qint32, size_t> seen; // issue -> its place in reading.draws
    std::vector<bool> dropped;               // draws given up for another reading of their issue
    int number = 0;
    for (QStringView raw : QStringView(text).tokenize(u'\n')) {
        ++number;
        if (raw.size() > 4096)
            raw = raw.first(4096); // no draw row is that long; the rest is not read
        const Line line(raw, style);
        const std::vector<Token> &tokens = line.tokens();
        // Each issue-like number starts a draw that runs to the next one.
        std::vector<size_t> issues;
        for (size_t i = 0; i < tokens.size(); ++i)
            if (tokens[i].kind == Token::Number && !tokens[i].ignored &&
                (tokens[i].isIssue() || isIssueLike(line.view(tokens[i])) || runTogether(line.view(tokens[i]))))
                issues.push_back(i);
        for (size_t k = 0; k < issues.size(); ++k) {
            const Token &token = tokens[issues[k]];
            const size_t end = k + 1 < issues.size() ? issues[k + 1] : tokens.size();
            // The history text format's "161212001135": the issue and the draw in one number.
            const std::optional<TextDraw> together = token.isIssue() ? std::nullopt : runTogether(line.view(token));
            std::optional<qint32> issue;
            QString refusal = QStringLiteral("期号无效");
            if (together)
                issue = together->issue;
            else if (token.isIssue() && line.claim(token).refusal.isEmpty())
                issue = line.claim(token).issue;
            else if (token.isIssue())
                refusal = line.claim(token).refusal;
            else if (style == IssueStyle::Running)
                issue = issueOf(line.view(token));
            else
                refusal = IssueForms::notUnderstood(line.view(token)); // never a part read as a shorter issue
            const Reading1 found = together ? Reading1{together->numbers, {}} : drawAfter(line, issues[k] + 1, end);
            if (!issue || !found.numbers) {
                if (!found.numbers && found.reason.isEmpty())
                    continue;
                skip(reading, {number, shortened(raw.toString()), issue ? found.reason : refusal});
                continue;
            }
            const auto [it, fresh] = seen.try_emplace(*issue, reading.draws.size());
            if (fresh) {
                // A time on a row of one draw is that draw's.
                reading.draws.push_back({number, {*issue, *found.numbers},
                                         issues.size() == 1 ? DrawTimes::onLine(raw, *issue) : std::nullopt});
                dropped.push_back(false);
                continue;
            }
            const Found &first = reading.draws[it->second];
            if (first.draw.numbers == *found.numbers)
                continue; // the same draw shown again (a headline, a second table)
            const auto text = [](const Numbers &n) { return QStringLiteral("%1%2%3").arg(n[0]).arg(n[1]).arg(n[2]); };
            skip(reading, {number, shortened(raw.toString()),
                                       QStringLiteral("第 %1 期在第 %2 行是 %3，这里是 %4：两处不同，都不采用")
                                           .arg(*issue)
                                           .arg(first.line)
                                           .arg(text(first.draw.numbers), text(*found.numbers))});
            dropped[it->second] = true;
        }
    }
    // An issue read two ways is given up on both lines.
    std::vector<Found> kept;
    kept.reserve(reading.draws.size());
    for (size_t i = 0; i < reading.draws.size(); ++i) {
        if (!dropped[i])
            kept.push_back(reading.draws[i]);
        else
            skip(reading, {reading.draws[i].line,
                           QStringLiteral("%1 %2%3%4")
                               .arg(reading.draws[i].draw.issue)
                               .arg(reading.draws[i].draw.numbers[0])
                               .arg(reading.draws[i].draw.numbers[1])
                               .arg(reading.draws[i].draw.numbers[2]),
                           QStringLiteral("同一期有两种号码，不采用")});
    }
    reading.draws = std::move(kept);
    std::stable_sort(reading.skipped.begin(), reading.skipped.end(),
                     [](const Skipped &a, const Skipped &b) { return a.line < b.line; });
    return reading;
}

void dropUnsound(Reading &reading, int drawsPerDay)
{
    std::vector<Found> sound;
    sound.reserve(reading.draws.size());
    for (Found &found : reading.draws) {
        const QString why = IssueNumbers::unsoundSequence(found.draw.issue, drawsPerDay);
        if (why.isEmpty())
            sound.push_back(found);
        else
            skip(reading, {found.line, QString::number(found.draw.issue), why});
    }
    reading.draws = std::move(sound);
    std::stable_sort(reading.skipped.begin(), reading.skipped.end(),
                     [](const Skipped &a, const Skipped &b) { return a.line < b.line; });
}

std::vector<DrawTimes::Timed> timesOf(const Reading &reading, const std::vector<TextDraw> &stored)
{
    std::unordered_set<qint32> issues;
    for (const TextDraw &draw : stored)
        issues.insert(draw.issue);
    std::vector<DrawTimes::Timed> times;
    for (const Found &found : reading.draws)
        if (found.time && issues.count(found.draw.issue))
            times.push_back({found.draw.issue, *found.time});
    return times;
}

Reading readBytes(const QByteArray &bytes, IssueStyle style)
{
    return read(HtmlText::decode(bytes, {}), style);
}

} // namespace DrawText
