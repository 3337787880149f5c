#include "HistorySnapshot.h"

#include "Derivation.h"

#include <QStringList>
#include <QtEndian>

#include <algorithm>

namespace {

// 大小 and 单双 follow from the number, as when the rows are read.
Classes classesOf(qint16 number, qint16 segment)
{
    Classes c{};
    c[KindA] = number;
    c[KindB] = qint16(number > 2 ? 1 : 0);
    c[KindE] = qint16(number % 2);
    c[KindF] = segment;
    return c;
}

// A whole row from its issues and the bytes of its numbers and segments.
DrawCore rowOf(qint32 sqqh, qint32 qqh, const std::array<qint8, 6> &numbers, const std::array<qint8, 6> &segments)
{
    DrawCore row;
    row.sqqh = sqqh;
    row.qqh = qqh;
    for (size_t p = 0; p < PositionCount; ++p) {
        row.value[p] = classesOf(numbers[p], segments[p]);
        row.prev[p] = classesOf(numbers[p + 3], segments[p + 3]);
    }
    return row;
}

bool fitsByte(qint16 v)
{
    return v > -128 && v <= 127;
}

} // namespace

quint16 HistorySnapshot::code(const std::array<qint16, 3> &values)
{
    int code = 0;
    for (qint16 v : values) {
        if (v < 0 || v > 6)
            return OtherCode;
        code = code * 7 + v;
    }
    return quint16(code);
}

std::array<qint16, 3> HistorySnapshot::values(int code)
{
    if (code < 0 || code >= OtherCode)
        return {};
    return {qint16(code / 49), qint16(code / 7 % 7), qint16(code % 7)};
}

HistorySnapshot::HistorySnapshot(const std::vector<DrawCore> &rows, std::vector<qint32> unreadable)
    : m_unreadable(std::move(unreadable))
{
    reserve(rows.size());
    for (const DrawCore &row : rows)
        append(row);
}

void HistorySnapshot::reserve(size_t rows)
{
    m_sqqh.reserve(rows);
    m_qqh.reserve(rows);
    m_numbers.reserve(rows);
    m_segments.reserve(rows);
}

void HistorySnapshot::appendPacked(qint32 sqqh, qint32 qqh, const char *own, const char *previous)
{
    // Bytes as the pack keeps them: three numbers, then three segments.
    // A row whose dice are no dice (NULL read as 0, say) is named, never shown or searched.
    if ((unsigned(own[0] - 1) > 5u) | (unsigned(own[1] - 1) > 5u) | (unsigned(own[2] - 1) > 5u)) {
        m_unreadable.push_back(sqqh);
        return;
    }
    Bytes numbers{qint8(own[0]), qint8(own[1]), qint8(own[2]), qint8(previous[0]), qint8(previous[1]), qint8(previous[2])};
    Bytes segments{qint8(own[3]), qint8(own[4]), qint8(own[5]), qint8(previous[3]), qint8(previous[4]), qint8(previous[5])};
    if (std::find(numbers.begin(), numbers.end(), Wide) != numbers.end() ||
        std::find(segments.begin(), segments.end(), Wide) != segments.end()) {
        append(rowOf(sqqh, qqh, numbers, segments));
        return;
    }
    m_sqqh.push_back(sqqh);
    m_qqh.push_back(qqh);
    m_numbers.push_back(numbers);
    m_segments.push_back(segments);
    noteOrder(numbers[0], numbers[1], numbers[2]);
    if (std::find(m_coded.begin(), m_coded.end(), true) != m_coded.end()) {
        const DrawCore row = at(count() - 1);
        for (int k = 0; k < KindCount; ++k)
            if (m_coded[size_t(k)])
                addCodes(row, k);
    }
}

void HistorySnapshot::appendPackedRows(const char *records, qsizetype rows, int recordBytes)
{
    const auto issueAt = [](const char *at) { return qFromLittleEndian<qint32>(at); };
    const bool coded = std::find(m_coded.begin(), m_coded.end(), true) != m_coded.end();
    qsizetype done = 0;
    if (!coded) {
        const size_t start = m_sqqh.size();
        m_sqqh.resize(start + size_t(rows));
        m_qqh.resize(start + size_t(rows));
        m_numbers.resize(start + size_t(rows));
        m_segments.resize(start + size_t(rows));
        for (; done < rows; ++done) {
            const char *at = records + done * recordBytes;
            const char *own = at + 8, *previous = at + 14;
            // A row without dice goes the slow way with the rest (it is named there). With dice 1..6
            // the first number byte never holds the wide mark, and any other byte is its value.
            if ((unsigned(own[0] - 1) > 5u) | (unsigned(own[1] - 1) > 5u) | (unsigned(own[2] - 1) > 5u))
                break;
            const size_t i = start + size_t(done);
            m_sqqh[i] = issueAt(at);
            m_qqh[i] = issueAt(at + 4);
            m_numbers[i] = {qint8(own[0]), qint8(own[1]), qint8(own[2]), qint8(previous[0]), qint8(previous[1]), qint8(previous[2])};
            m_segments[i] = {qint8(own[3]), qint8(own[4]), qint8(own[5]), qint8(previous[3]), qint8(previous[4]), qint8(previous[5])};
            noteOrder(own[0], own[1], own[2]);
        }
        const size_t kept = start + size_t(done);
        m_sqqh.resize(kept);
        m_qqh.resize(kept);
        m_numbers.resize(kept);
        m_segments.resize(kept);
    }
    for (; done < rows; ++done) {
        const char *at = records + done * recordBytes;
        appendPacked(issueAt(at), issueAt(at + 4), at + 8, at + 14);
    }
}

DrawCore HistorySnapshot::at(int index) const
{
    const Bytes &n = m_numbers[size_t(index)];
    if (n[0] == Wide)
        return std::lower_bound(m_wide.begin(), m_wide.end(), index,
                                [](const auto &wide, int i) { return wide.first < i; })
            ->second;
    const Bytes &s = m_segments[size_t(index)];
    return rowOf(m_sqqh[size_t(index)], m_qqh[size_t(index)], n, s);
}

HistorySnapshot HistorySnapshot::prefix(int rows) const
{
    HistorySnapshot part;
    const auto end = [rows](const auto &column) { return column.begin() + rows; };
    part.m_sqqh.assign(m_sqqh.begin(), end(m_sqqh));
    part.m_qqh.assign(m_qqh.begin(), end(m_qqh));
    part.m_numbers.assign(m_numbers.begin(), end(m_numbers));
    part.m_segments.assign(m_segments.begin(), end(m_segments));
    for (const auto &wide : m_wide)
        if (wide.first < rows)
            part.m_wide.push_back(wide);
    for (int i = 0; i < rows; ++i) {
        const Numbers n = part.numbers(i);
        part.noteOrder(n[0], n[1], n[2]);
    }
    return part;
}

void HistorySnapshot::append(const DrawCore &row)
{
    Bytes numbers{}, segments{};
    bool exact = true;
    for (size_t p = 0; p < PositionCount; ++p) {
        const Classes &v = row.value[p], &s = row.prev[p];
        exact = exact && fitsByte(v[KindA]) && fitsByte(v[KindF]) && fitsByte(s[KindA]) && fitsByte(s[KindF]) &&
                v == classesOf(v[KindA], v[KindF]) && s == classesOf(s[KindA], s[KindF]);
        numbers[p] = qint8(v[KindA]);
        numbers[p + 3] = qint8(s[KindA]);
        segments[p] = qint8(v[KindF]);
        segments[p + 3] = qint8(s[KindF]);
    }
    if (!exact) {
        m_wide.emplace_back(count(), row);
        numbers[0] = Wide;
    }
    m_sqqh.push_back(row.sqqh);
    m_qqh.push_back(row.qqh);
    m_numbers.push_back(numbers);
    m_segments.push_back(segments);
    noteOrder(row.value[0][KindA], row.value[1][KindA], row.value[2][KindA]);
    for (int k = 0; k < KindCount; ++k)
        if (m_coded[size_t(k)])
            addCodes(row, k);
}

int HistorySnapshot::lastOutOfOrder() const
{
    if (m_unsorted == 0)
        return -1;
    for (int i = count() - 1; i >= 0; --i) {
        const Numbers n = numbers(i);
        if (n[0] > n[1] || n[1] > n[2])
            return i;
    }
    return -1;
}

void HistorySnapshot::makeCodes(int kind) const
{
    if (m_coded[size_t(kind)])
        return;
    m_valueCodes[size_t(kind)].reserve(m_sqqh.size());
    m_prevCodes[size_t(kind)].reserve(m_sqqh.size());
    for (int i = 0; i < count(); ++i)
        addCodes(at(i), kind);
    m_coded[size_t(kind)] = true;
}

void HistorySnapshot::addCodes(const DrawCore &row, int kind) const
{
    const bool hasPrevious = row.prev[0][KindA] != 0;
    m_valueCodes[size_t(kind)].push_back(code(Derivation::kindValues(row.value, kind)));
    m_prevCodes[size_t(kind)].push_back(hasPrevious ? code(Derivation::kindValues(row.prev, kind)) : NoPreviousCode);
}

int HistorySnapshot::lowerBound(qint64 issue) const
{
    return int(std::lower_bound(m_sqqh.begin(), m_sqqh.end(), issue,
                                [](qint32 stored, qint64 i) { return stored < i; }) -
               m_sqqh.begin());
}

int HistorySnapshot::upperBound(qint64 issue) const
{
    return int(std::upper_bound(m_sqqh.begin(), m_sqqh.end(), issue,
                                [](qint64 i, qint32 stored) { return i < stored; }) -
               m_sqqh.begin());
}

QString HistorySnapshot::unreadableNote() const
{
    if (m_unreadable.empty())
        return {};
    QStringList issues;
    for (size_t i = 0; i < m_unreadable.size() && i < 3; ++i)
        issues << QString::number(m_unreadable[i]);
    return QStringLiteral("第 %1 期%2存的号码无法读取（不是三个 1～6 的数字），没有列出，也不参加检索")
        .arg(issues.join(QStringLiteral("、")),
             m_unreadable.size() > 3 ? QStringLiteral("等 %1 期").arg(m_unreadable.size()) : QString());
}
