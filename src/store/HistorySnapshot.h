#pragma once

#include "DrawRecord.h"

#include <vector>

// The ordered snapshot: the history in ascending SQQH order as it was when it was opened.
// Rows added later are not in it until it is opened again.
class HistorySnapshot
{
public:
    HistorySnapshot() = default;
    explicit HistorySnapshot(std::vector<DrawCore> rows)
        : m_rows(std::move(rows))
    {}

    bool isEmpty() const { return m_rows.empty(); }
    int count() const { return int(m_rows.size()); }
    const DrawCore &at(int index) const { return m_rows[size_t(index)]; }
    const DrawCore &first() const { return m_rows.front(); }
    const DrawCore &last() const { return m_rows.back(); }
    // The row `back` rows before the last one, if there is one.
    const DrawCore *fromLast(int back) const
    {
        return back >= 0 && back < count() ? &m_rows[m_rows.size() - 1 - size_t(back)] : nullptr;
    }
    const std::vector<DrawCore> &rows() const { return m_rows; }

private:
    std::vector<DrawCore> m_rows;
};
