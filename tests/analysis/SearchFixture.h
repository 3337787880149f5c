#pragma once

#include "HistoryDb.h"
#include "SearchResult.h"
#include "TestDoubles.h"
#include "TestHistory.h"

#include <QTest>

// A history in a temporary folder, opened as the window opens it.
struct History
{
    explicit History(const std::vector<TestDraw> &draws)
        : draws(draws)
    {
        QVERIFY(TestHistory::createIn(folder.path(), draws));
        QCOMPARE(db.open(folder.filePath(HistoryDb::fileName())), HistoryDb::OpenStatus::Ok);
    }
    IssueRange all() const { return {draws.front().issue, draws.back().issue}; }
    // The history as the searches see it: read from the file now.
    HistorySnapshot snapshot() { return db.snapshot().value_or(HistorySnapshot()); }

    TestFolder folder;
    std::vector<TestDraw> draws;
    HistoryDb db;
};

using Issues = std::vector<qint32>;

inline Issues issuesOf(const SearchResult &result)
{
    Issues issues;
    for (const ResultRow &row : result.rows)
        issues.push_back(row.sqqh);
    return issues;
}
