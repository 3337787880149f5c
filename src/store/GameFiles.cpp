#include "GameFiles.h"

#include "Database.h"
#include "HistoryDb.h"
#include "ProvinceTable.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>

namespace GameFiles {

QString mainFileName()
{
    return HistoryDb::fileName();
}

bool isMainFile(const QString &path)
{
    return QFileInfo(path).fileName() == mainFileName();
}

QString ownFileName(int game)
{
    return QStringLiteral("vendrixK3_%1.db").arg(ProvinceTable::at(game).code);
}

Facts read(const QString &path, bool count)
{
    Facts facts;
    facts.exists = QFileInfo::exists(path);
    Database db;
    if (!facts.exists || !db.open(path, true) || !db.hasTable(QStringLiteral("Lishi")))
        return facts;
    // Counting a long history's rows takes a while; whether there are any takes no time.
    QSqlQuery rows = db.select(count ? QStringLiteral("SELECT count(*), max(SQQH) FROM Lishi")
                                     : QStringLiteral("SELECT EXISTS (SELECT 1 FROM Lishi), max(SQQH) FROM Lishi"));
    if (!rows.next())
        return facts;
    facts.readable = true;
    facts.draws = rows.value(0).toLongLong();
    if (!rows.value(1).isNull())
        facts.last = rows.value(1).toInt();
    if (db.hasTable(QStringLiteral("Caizhong"))) {
        QSqlQuery game = db.select(QStringLiteral("SELECT GsZl FROM Caizhong LIMIT 1"));
        if (game.next())
            facts.game = game.value(0).toInt();
    }
    return facts;
}

MainFile readMain(const QString &folder)
{
    return read(QDir(folder).filePath(mainFileName()));
}

QString pathFor(const QString &folder, int game, const MainFile &main, int unrecordedGame)
{
    const QDir dir(folder);
    const QString own = dir.filePath(ownFileName(game));
    if (main.game == game)
        return dir.filePath(mainFileName());
    if (QFileInfo::exists(own))
        return own;
    // The main file is taken by the first game that writes to it; one of an older release that
    // holds draws but says no game belongs to the game selected then.
    if (!main.exists || (!main.game && (main.empty() || game == unrecordedGame)))
        return dir.filePath(mainFileName());
    return own;
}

} // namespace GameFiles
