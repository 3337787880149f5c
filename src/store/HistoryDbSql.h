#pragma once

#include "Database.h"
#include "DrawRecord.h"

#include <QString>

// The statement pieces the history database's files share.
namespace HistoryDbSql {

// The columns the in-memory copy is made of, in the order readCore() takes them.
QString snapshotColumns();
void readCore(const FastStatement &q, DrawCore &row);
// Binds a text; a null text binds NULL.
void bindString(FastStatement &statement, int index, const QString &text);

} // namespace HistoryDbSql
