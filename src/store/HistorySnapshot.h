#pragma once

#include "DrawRecord.h"

#include <array>
#include <optional>
#include <vector>

// The history in memory: every stored draw in ascending issue order (of equal issues, in the
// order they were stored), as one consistent read of the database left it. It is kept as
// columns: the issues, and each draw's numbers and segments with those of its stored previous
// draw as bytes (20 bytes a draw instead of a 56-byte record). Besides, it keeps per kind each
// draw's three values and those of its previous draw as one small code, so that a search is a
// pass over two-byte columns.
class HistorySnapshot
{
public:
    // Three values 0..6 make a code v1·49 + v2·7 + v3; any other value gives `OtherCode`, and a
    // row with no previous draw has `NoPreviousCode` as its previous-draw code.
    static constexpr int OtherCode = 343;
    static constexpr int NoPreviousCode = 344;
    static constexpr int CodeCount = 345;
    static quint16 code(const std::array<qint16, 3> &values);
    // The values a code stands for (zeros for the two special codes).
    static std::array<qint16, 3> values(int code);

    HistorySnapshot() = default;
    // `unreadable`: the issues of stored rows left out (see unreadable()).
    explicit HistorySnapshot(const std::vector<DrawCore> &rows, std::vector<qint32> unreadable = {});

    bool isEmpty() const { return m_sqqh.empty(); }
    int count() const { return int(m_sqqh.size()); }
    // A row put together from the columns (大小 and 单双 follow from the numbers).
    DrawCore at(int index) const;
    DrawCore first() const { return at(0); }
    DrawCore last() const { return at(count() - 1); }
    qint32 issue(int index) const { return m_sqqh[size_t(index)]; }
    Numbers numbers(int index) const
    {
        const Bytes &n = m_numbers[size_t(index)];
        return n[0] == Wide ? at(index).numbers() : Numbers{n[0], n[1], n[2]};
    }
    // The row `back` rows before the last one, if there is one.
    std::optional<DrawCore> fromLast(int back) const
    {
        return back >= 0 && back < count() ? std::optional(at(count() - 1 - back)) : std::nullopt;
    }
    // The first `rows` rows, as a history of their own.
    HistorySnapshot prefix(int rows) const;

    void reserve(size_t rows);
    // Adds a draw stored after every other one from its issues and the numbers and segments of
    // positions 1–3 and of the previous draw, one byte each, as the database keeps them: a row
    // whose dice are not 1..6 is left out and named.
    void appendPacked(qint32 sqqh, qint32 qqh, const char *numbers, const char *previousNumbers);
    // The same for `rows` records of the packed copy (issue, next issue as 32-bit little-endian,
    // then the twelve bytes above) laid end to end, `recordBytes` apart: one pass, no per-row
    // growth of the columns.
    void appendPackedRows(const char *records, qsizetype rows, int recordBytes);
    // Adds a draw stored after every other one (a higher or equal issue).
    void append(const DrawCore &row);

    // Whether the row has a stored previous draw (stored numbers are 1..6: a previous number of 0
    // means none).
    bool hasPrevious(int index) const
    {
        const Bytes &n = m_numbers[size_t(index)];
        return n[0] == Wide ? at(index).prev[0][KindA] != 0 : n[3] != 0;
    }
    // The codes of each row's own values, and of its stored previous draw, in kind `kind`; made
    // the first time a kind is asked for (a command that searches one kind makes one).
    const std::vector<quint16> &valueCodes(int kind) const
    {
        makeCodes(kind);
        return m_valueCodes[size_t(kind)];
    }
    const std::vector<quint16> &previousCodes(int kind) const
    {
        makeCodes(kind);
        return m_prevCodes[size_t(kind)];
    }

    // The draws whose numbers are not in ascending order (counted as rows come, not scanned), and
    // the index of the newest of them (-1 when there is none; found from the end when asked).
    int outOfOrder() const { return m_unsorted; }
    int lastOutOfOrder() const;

    // The issues of stored rows left out because their dice are not three numbers 1..6.
    const std::vector<qint32> &unreadable() const { return m_unreadable; }
    // "第 130801002 期存的号码无法读取（不是三个 1～6 的数字），没有列出，也不参加检索" (and how many more).
    QString unreadableNote() const;

    // The index of the first row whose issue is at least `issue`, and of the first above it.
    int lowerBound(qint64 issue) const;
    int upperBound(qint64 issue) const;

private:
    // Numbers (or segments) of positions 1–3, then those of the previous draw.
    using Bytes = std::array<qint8, 6>;
    // Marks a row whose values do not fit a byte (only a hand-edited database has them); the
    // row is kept whole in m_wide.
    static constexpr qint8 Wide = -128;

    void makeCodes(int kind) const;
    void addCodes(const DrawCore &row, int kind) const;

    std::vector<qint32> m_sqqh;
    std::vector<qint32> m_qqh;
    std::vector<Bytes> m_numbers;
    std::vector<Bytes> m_segments;
    std::vector<std::pair<int, DrawCore>> m_wide; // by row index
    mutable std::array<std::vector<quint16>, KindCount> m_valueCodes;
    mutable std::array<std::vector<quint16>, KindCount> m_prevCodes;
    mutable std::array<bool, KindCount> m_coded{};
    // Without a branch: nearly every draw is in order, and the odd one is unpredictable.
    void noteOrder(qint16 a, qint16 b, qint16 c) { m_unsorted += int((a > b) | (b > c)); }

    std::vector<qint32> m_unreadable;
    int m_unsorted = 0; // rows whose numbers are not in ascending order
};
