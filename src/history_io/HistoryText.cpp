#include "HistoryText.h"

#include "DrawClock.h"
#include "DrawTimes.h"

#include "IssueForms.h"
#include "IssueNumbers.h"

#include <QFile>
#include <QStringList>
#include <filesystem>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>
#include <QStringDecoder>
#include <algorithm>
#include <limits>
#include <numeric>

namespace HistoryText {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

QByteArrayView trimmed(QByteArrayView text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t'))
        ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    return text.sliced(begin, end - begin);
}

// The line's own issue, if it carries one.
std::optional<qint32> issueField(QByteArrayView line)
{
    if (line.size() <= 10)
        return std::nullopt;
    qint32 issue = 0;
    for (int i = 0; i < 9; ++i) {
        if (!isDigit(line[i]))
            return std::nullopt;
        issue = issue * 10 + (line[i] - '0');
    }
    return issue;
}

std::optional<Numbers> numberField(QByteArrayView field)
{
    field = trimmed(field);
    if (field.size() != 3)
        return std::nullopt;
    Numbers numbers{};
    for (int p = 0; p < 3; ++p) {
        if (field[p] < '1' || field[p] > '6')
            return std::nullopt;
        numbers[size_t(p)] = qint16(field[p] - '0');
    }
    return numbers;
}

// The other issue forms (北京快3's plain numbers, years 2000-2009 written with 8 digits, the
// placeholder 2007001): 1 to 10 digits, one or two blanks, three digits.
std::optional<TextDraw> shortForm(QByteArrayView line)
{
    qsizetype digits = 0;
    while (digits < line.size() && isDigit(line[digits]))
        ++digits;
    const qsizetype blanks = line.size() - digits - 3;
    if (digits < 1 || digits > 10 || blanks < 1 || blanks > 2)
        return std::nullopt;
    for (qsizetype i = digits; i < digits + blanks; ++i)
        if (line[i] != ' ')
            return std::nullopt;
    const std::optional<Numbers> numbers = numberField(line.sliced(digits + blanks));
    qint64 issue = 0;
    for (qsizetype i = 0; i < digits; ++i)
        issue = issue * 10 + (line[i] - '0');
    if (!numbers || issue < 1 || issue > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return TextDraw{qint32(issue), *numbers};
}

// A line in one of a date-based game's other issue forms: its draw, or why it gives none.
// Nothing when the line starts with no such form.
std::optional<std::pair<std::optional<TextDraw>, QString>> datedForm(QByteArrayView line, int drawsPerDay)
{
    const QString text = QString::fromUtf8(trimmed(line));
    // Only ASCII digits start an issue (a wider character must not pass as its low byte).
    const auto digit = [&text](qsizetype i) { return text[i] >= u'0' && text[i] <= u'9'; };
    if (text.isEmpty() || !digit(0))
        return std::nullopt;
    const std::optional<IssueForms::Issue> issue = IssueForms::readAt(text);
    if (!issue) {
        // Digits and a draw, but no issue of this game: never taken as a shorter issue. Seven
        // digits stay the placeholder issue older files carry.
        qsizetype run = 0;
        while (run < text.size() && digit(run))
            ++run;
        if (run == 7 || !IssueForms::numbersOf(QStringView(text).sliced(run)))
            return std::nullopt;
        return std::pair{std::nullopt, IssueForms::notUnderstood(QStringView(text).first(run))};
    }
    if (!issue->refusal.isEmpty())
        return std::pair{std::nullopt, issue->refusal};
    const std::optional<Numbers> numbers = IssueForms::numbersOf(QStringView(text).sliced(issue->length));
    if (!numbers)
        return std::pair{std::nullopt, QStringLiteral("期号 %1 后面不是三个 1~6 的号码").arg(issue->issue)};
    if (const QString why = IssueNumbers::unsoundSequence(issue->issue, drawsPerDay); !why.isEmpty())
        return std::pair{std::nullopt, why};
    return std::pair{std::optional(TextDraw{issue->issue, *numbers}), QString()};
}

} // namespace

QString firstNotes(const Reading &reading, size_t count)
{
    QStringList notes;
    for (size_t i = 0; i < reading.notes.size() && i < count; ++i)
        notes << QStringLiteral("第 %1 行：%2").arg(reading.notes[i].line).arg(reading.notes[i].reason);
    return notes.join(QStringLiteral("；"));
}

Reading read(QByteArrayView content, qint32 currentIssue, bool trimLines, int datedDrawsPerDay)
{
    // A file saved as UTF-16 (by Notepad, say) is read as the single-byte text it stands for.
    const bool littleEndian = content.startsWith("\xFF\xFE");
    if (littleEndian || content.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(littleEndian ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        const QString text = decoder.decode(content.sliced(2));
        return read(text.toLatin1(), currentIssue, trimLines);
    }
    if (content.startsWith("\xEF\xBB\xBF"))
        content = content.sliced(3);
    Reading reading;
    // A long file of other text must not reserve room for draws it does not hold.
    reading.draws.reserve(size_t(std::min<qsizetype>(content.size() / 14 + 1, 1 << 20)));
    reading.lines.reserve(reading.draws.capacity());
    qsizetype at = 0;
    int lineNumber = 0;
    while (at < content.size()) {
        if (reading.draws.size() >= maxDraws) {
            reading.tooMany = true;
            break;
        }
        ++lineNumber;
        // Lines end with CR LF, LF or a lone CR.
        qsizetype end = at;
        while (end < content.size() && content[end] != '\n' && content[end] != '\r')
            ++end;
        QByteArrayView line = content.sliced(at, end - at);
        at = end < content.size() && content[end] == '\r' && end + 1 < content.size() &&
                     content[end + 1] == '\n'
                 ? end + 2
                 : end + 1;
        if (trimLines)
            line = trimmed(line);

        QByteArrayView field = line;
        std::optional<qint32> ownIssue = issueField(line);
        // In a date-based game's history ten or eleven digits are a longer form (2013080102,
        // 20130801002), never a nine-digit issue and the start of a draw.
        if (datedDrawsPerDay > 0 && ownIssue) {
            qsizetype run = 9;
            while (run < line.size() && isDigit(line[run]))
                ++run;
            if (run == 10 || run == 11)
                ownIssue.reset();
        }
        if (ownIssue) {
            currentIssue = *ownIssue;
            field = line.sliced(9, std::min<qsizetype>(5, line.size() - 9));
        }
        const std::optional<Numbers> numbers = numberField(field);
        if (!numbers || currentIssue < 1) {
            const auto dated = datedDrawsPerDay > 0 ? datedForm(line, datedDrawsPerDay) : std::nullopt;
            if (dated && dated->first) {
                currentIssue = dated->first->issue;
                reading.draws.push_back(*dated->first);
                reading.lines.push_back(lineNumber);
            } else if (dated) {
                reading.skip(lineNumber, dated->second);
            } else if (const std::optional<TextDraw> draw = shortForm(line)) {
                currentIssue = draw->issue;
                reading.draws.push_back(*draw);
                reading.lines.push_back(lineNumber);
            } else if (trimmed(line).isEmpty()) {
                ++reading.skipped;
            } else {
                reading.skip(lineNumber, QStringLiteral("不是“期号 三个号码”"));
            }
            continue;
        }
        reading.draws.push_back({currentIssue, *numbers});
        reading.lines.push_back(lineNumber);
        // "161212001 135 2016-12-12 08:30:00": the draw's time as a tail of its line.
        if (ownIssue && line.size() > 14)
            if (const auto time = DrawTimes::onLine(QString::fromLatin1(line.sliced(14)), currentIssue))
                reading.times.push_back({currentIssue, *time});
    }
    reading.currentIssue = currentIssue;
    return reading;
}

void Reading::skip(int line, const QString &reason)
{
    ++skipped;
    if (notes.size() < MaxNotes)
        notes.push_back({line, reason});
}

bool toIssueOrder(Reading &reading, QString *conflict)
{
    const std::vector<TextDraw> &draws = reading.draws;
    const auto storable = [](const TextDraw &d) { return d.issue < std::numeric_limits<qint32>::max(); };
    bool ordered = std::all_of(draws.begin(), draws.end(), storable);
    for (size_t i = 1; ordered && i < draws.size(); ++i)
        ordered = draws[i - 1].issue < draws[i].issue;
    if (ordered)
        return true; // the common case: a file written by the export
    // The other common case, a results page copied newest first: the lines reversed.
    bool descending = std::all_of(draws.begin(), draws.end(), storable);
    for (size_t i = 1; descending && i < draws.size(); ++i)
        descending = draws[i - 1].issue > draws[i].issue;
    if (descending) {
        std::reverse(reading.draws.begin(), reading.draws.end());
        std::reverse(reading.lines.begin(), reading.lines.end());
        reading.currentIssue = reading.draws.back().issue;
        return true;
    }

    std::vector<size_t> order(draws.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return draws[a].issue < draws[b].issue; });
    std::vector<TextDraw> sorted;
    std::vector<int> lines;
    sorted.reserve(draws.size());
    lines.reserve(draws.size());
    std::vector<SkippedLine> dropped;
    for (size_t i = 0; i < order.size(); ++i) {
        const TextDraw &draw = draws[order[i]];
        const int line = reading.lines[order[i]];
        if (!storable(draw)) {
            dropped.push_back({line, QStringLiteral("期号 %1 太大").arg(draw.issue)});
            continue;
        }
        if (!sorted.empty() && sorted.back().issue == draw.issue) {
            if (sorted.back().numbers != draw.numbers) {
                if (conflict)
                    *conflict = QStringLiteral("第 %1 行与第 %2 行的期号都是 %3，号码不同：没有导入任何号码")
                                    .arg(lines.back())
                                    .arg(line)
                                    .arg(draw.issue);
                return false;
            }
            dropped.push_back({line, QStringLiteral("与第 %1 行重复").arg(lines.back())});
            continue;
        }
        sorted.push_back(draw);
        lines.push_back(line);
    }
    std::sort(dropped.begin(), dropped.end(), [](const SkippedLine &a, const SkippedLine &b) { return a.line < b.line; });
    for (const SkippedLine &note : dropped)
        reading.skip(note.line, note.reason);
    std::sort(reading.notes.begin(), reading.notes.end(),
              [](const SkippedLine &a, const SkippedLine &b) { return a.line < b.line; });
    reading.draws = std::move(sorted);
    reading.lines = std::move(lines);
    if (!reading.draws.empty())
        reading.currentIssue = reading.draws.back().issue; // as if the lines had come in issue order
    return true;
}

std::optional<QByteArray> loadFile(const QString &path, QString *error)
{
    auto refuse = [error](const QString &why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    // Only a regular file: a pipe or a device could hang the program or never end.
    std::error_code code;
    const std::filesystem::path where(path.toStdString());
    if (!std::filesystem::exists(where, code))
        return refuse(QStringLiteral("文件不存在"));
    if (!std::filesystem::is_regular_file(where, code))
        return refuse(QStringLiteral("不是普通文件（文件夹、管道或设备不能读入）"));
    QFile file(path);
    if (file.size() > maxFileBytes)
        return refuse(QStringLiteral("文件太大（超过 %1 MB）").arg(maxFileBytes / (1024 * 1024)));
    if (!file.open(QIODevice::ReadOnly))
        return refuse(file.permissions() & QFileDevice::ReadUser ? file.errorString()
                                                                  : QStringLiteral("没有读取这个文件的权限"));
    // The file may grow while it is read: never more than the cap.
    QByteArray content = file.read(maxFileBytes + 1);
    if (content.size() > maxFileBytes)
        return refuse(QStringLiteral("文件太大（超过 %1 MB）").arg(maxFileBytes / (1024 * 1024)));
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    return content;
}

std::optional<Reading> readFile(const QString &path, qint32 currentIssue, bool trimLines, QString *error)
{
    const std::optional<QByteArray> content = loadFile(path, error);
    if (!content)
        return std::nullopt;
    return read(*content, currentIssue, trimLines);
}

int outOfOrder(const std::vector<TextDraw> &draws)
{
    return int(std::count_if(draws.begin(), draws.end(),
                             [](const TextDraw &d) { return !std::is_sorted(d.numbers.begin(), d.numbers.end()); }));
}

QByteArray format(const std::vector<TextDraw> &draws)
{
    QByteArray text;
    text.reserve(qsizetype(draws.size()) * 15);
    for (const TextDraw &d : draws) {
        text += QByteArray::number(d.issue);
        text += ' ';
        for (qint16 n : d.numbers)
            text += QByteArray::number(n);
        text += "\r\n";
    }
    return text;
}

QByteArray format(const std::vector<TextDraw> &draws, const std::unordered_map<qint32, QDateTime> &times)
{
    if (times.empty())
        return format(draws);
    QByteArray text;
    text.reserve(qsizetype(draws.size()) * 35);
    for (const TextDraw &d : draws) {
        text += QByteArray::number(d.issue);
        text += ' ';
        for (qint16 n : d.numbers)
            text += QByteArray::number(n);
        if (const auto time = times.find(d.issue); time != times.end())
            text += timeTail(time->second);
        text += "\r\n";
    }
    return text;
}

QByteArray timeTail(const QDateTime &time)
{
    return ' ' + DrawClock::inBeijing(time).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1();
}

bool writeFile(const QString &path, const QByteArray &content, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        if (!error)
            return false;
        *error = fileError(file.error(), file.errorString());
        // A full disk does not always say so in the error (a failed flush or close reads as a
        // plain write error): the free space does.
        const QStorageInfo disk(QFileInfo(path).absolutePath());
        if (disk.isValid() && disk.bytesAvailable() < content.size() + 64 * 1024)
            *error = QStringLiteral("磁盘已满，请先腾出空间");
        return false;
    }
    return true;
}

QString fileError(QFileDevice::FileError error, const QString &detail)
{
    const QString lower = detail.toLower();
    if (lower.contains(QLatin1String("no space")) || lower.contains(QLatin1String("quota")) ||
        lower.contains(QLatin1String("file too large")))
        return QStringLiteral("磁盘已满，请先腾出空间");
    if (lower.contains(QLatin1String("permission")) || lower.contains(QLatin1String("read-only")) ||
        error == QFileDevice::PermissionsError)
        return QStringLiteral("没有写入权限（文件夹只读，或文件属于另一个用户）");
    if (error == QFileDevice::ResourceError || error == QFileDevice::WriteError)
        return QStringLiteral("写入出错（磁盘可能已满）");
    return QStringLiteral("无法写入文件");
}

} // namespace HistoryText
