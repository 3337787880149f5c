#include "HistorySnapshot.h"

#include "Derivation.h"

#include <algorithm>

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

HistorySnapshot::HistorySnapshot(std::vector<DrawCore> rows)
    : m_rows(std::move(rows))
{
    for (const DrawCore &row : m_rows) {
        const Numbers n = row.numbers();
        m_unsorted += n[0] <= n[1] && n[1] <= n[2] ? 0 : 1;
    }
}

void HistorySnapshot::append(const DrawCore &row)
{
    m_rows.push_back(row);
    const Numbers n = row.numbers();
    m_unsorted += n[0] <= n[1] && n[1] <= n[2] ? 0 : 1;
    for (int k = 0; k < KindCount; ++k)
        if (m_coded[size_t(k)])
            addCodes(row, k);
}

void HistorySnapshot::makeCodes(int kind) const
{
    if (m_coded[size_t(kind)])
        return;
    m_valueCodes[size_t(kind)].reserve(m_rows.size());
    m_prevCodes[size_t(kind)].reserve(m_rows.size());
    for (const DrawCore &row : m_rows)
        addCodes(row, kind);
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
    return int(std::partition_point(m_rows.begin(), m_rows.end(),
                                    [issue](const DrawCore &row) { return row.sqqh < issue; }) -
               m_rows.begin());
}

int HistorySnapshot::upperBound(qint64 issue) const
{
    return int(std::partition_point(m_rows.begin(), m_rows.end(),
                                    [issue](const DrawCore &row) { return row.sqqh <= issue; }) -
               m_rows.begin());
}
