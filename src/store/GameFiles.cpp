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

Record readRecord(Database &db)
{
    Record record;
    if (!db.hasTable(QStringLiteral("Caizhong")))
        return record;
    QSqlQuery q = db.select(QStringLiteral("SELECT CAST(GsZl AS TEXT), typeof(GsZl) FROM Caizhong"));
    if (!q.isActive()) {
        record.state = Record::State::Damaged;
        record.text = db.lastError();
        return record;
    }
    // One row naming a game; rows that disagree, or anything else, cannot say whose it is.
    while (q.next()) {
        const QString text = q.value(0).toString();
        bool whole = false;
        const qint64 value = text.toLongLong(&whole);
        const bool game = q.value(1).toString() == QLatin1String("integer") && whole && value >= 0 &&
                          value < ProvinceTable::Count;
        if (!game || (record.state == Record::State::Game && record.game != int(value))) {
            record.state = Record::State::Damaged;
            record.text = q.value(1).toString() == QLatin1String("null") ? QStringLiteral("NULL") : text;
            return record;
        }
        record.state = Record::State::Game;
        record.game = int(value);
    }
    return record;
}

QString damagedMessage(const QString &file, const Record &record)
{
    return QStringLiteral("%1 记录的彩种 %2 无法识别，不知道它是哪个彩种的历史号码：只能查看，不能写入。"
                          "请用 set-game 序号 记下它的彩种（窗口里会询问）")
        .arg(QFileInfo(file).fileName(), record.text);
}

QString openError(const QString &path, const QString &detail)
{
    return QStringLiteral("无法打开历史数据库 %1：%2").arg(path, Database::userMessage(detail));
}

QString Facts::problem(const QString &path) const
{
    if (!exists)
        return {};
    if (!readable)
        return error.isEmpty() ? openError(path, QString()) : error;
    if (record.state == Record::State::Damaged)
        return damagedMessage(path, record);
    return {};
}

Facts read(const QString &path, bool count)
{
    Facts facts;
    const QFileInfo file(path);
    facts.exists = file.exists();
    if (!facts.exists)
        return facts;
    Database db;
    // Opened as a history is: read-only where the user may not write.
    const bool readOnly = !file.isWritable() || !QFileInfo(file.absolutePath()).isWritable();
    if (!db.open(path, readOnly)) {
        const bool unreadableLog = readOnly && QFileInfo(path + QStringLiteral("-wal")).size() > 0 &&
                                   !QFileInfo::exists(path + QStringLiteral("-shm"));
        facts.error = unreadableLog ? HistoryDb::unreadableLogMessage(file.fileName()) : openError(path, db.lastError());
        return facts;
    }
    return readOpen(db, count);
}

Facts readOpen(Database &db, bool count)
{
    Facts facts;
    const QString path = db.path();
    facts.exists = true;
    facts.readable = true;
    facts.record = readRecord(db);
    facts.game = facts.record.known();
    if (db.hasTable(QStringLiteral("Lishi"))) {
        // Counting a long history's rows takes a while; whether there are any takes no time.
        QSqlQuery rows = db.select(count ? QStringLiteral("SELECT count(*), max(SQQH) FROM Lishi")
                                         : QStringLiteral("SELECT EXISTS (SELECT 1 FROM Lishi), max(SQQH) FROM Lishi"));
        if (!rows.next()) {
            facts.readable = false;
            facts.error = openError(path, db.lastError());
            return facts;
        }
        facts.draws = rows.value(0).toLongLong();
        if (!rows.value(1).isNull())
            facts.last = rows.value(1).toInt();
    }
    if (db.hasTable(QStringLiteral("Touzhu"))) {
        QSqlQuery bets = db.select(QStringLiteral("SELECT EXISTS (SELECT 1 FROM Touzhu)"));
        facts.bets = bets.next() && bets.value(0).toBool();
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
    // A main file whose record is damaged may be any game's; one that cannot be read at all is
    // the selected game's, and its reason is shown there.
    if (main.unknown())
        return main.readable || game == unrecordedGame ? dir.filePath(mainFileName()) : own;
    // The main file is taken by the first game that writes to it; one of an older release that
    // holds draws but says no game belongs to the game selected then.
    if (!main.exists || (main.record.state == Record::State::None && (main.empty() || game == unrecordedGame)))
        return dir.filePath(mainFileName());
    return own;
}

QString otherGameMessage(const QString &path, int recorded, int game)
{
    return QStringLiteral("历史号码属于%1（%3），不能写入%2的开奖号码或投注")
        .arg(ProvinceTable::at(recorded).caption, ProvinceTable::at(game).caption, QFileInfo(path).fileName());
}

bool writeRecord(Database &db, int game)
{
    return db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS Caizhong (GsZl INTEGER)")) &&
           db.exec(QStringLiteral("DELETE FROM Caizhong")) &&
           db.exec(QStringLiteral("INSERT INTO Caizhong (GsZl) VALUES (?)"), {game});
}

namespace {

// Whether the open main file holds nothing of anyone's yet.
bool holdsNothing(Database &db)
{
    for (const QString &table : {QStringLiteral("Lishi"), QStringLiteral("Touzhu")}) {
        if (!db.hasTable(table))
            continue;
        QSqlQuery q = db.select(QStringLiteral("SELECT EXISTS (SELECT 1 FROM %1)").arg(table));
        if (!q.next() || q.value(0).toBool())
            return false;
    }
    return true;
}

// A game's own file as it stands: its path unless it records another game or a damaged record.
Claim ownIfFree(const QString &path, int game, const Record &record)
{
    switch (record.state) {
    case Record::State::Game:
        return record.game == game ? Claim{path, {}} : Claim{{}, otherGameMessage(path, record.game, game)};
    case Record::State::Damaged:
        return {{}, damagedMessage(path, record)};
    case Record::State::None:
        break;
    }
    return {path, {}};
}

} // namespace

Claim claim(const QString &folder, int game, int unrecordedGame)
{
    const QDir dir(folder);
    const QString own = dir.filePath(ownFileName(game)), mainPath = dir.filePath(mainFileName());
    // The common case takes no lock: the game's file exists (only this game ever takes it), or
    // the main file says it is the game's.
    if (QFileInfo::exists(own)) {
        Database db;
        if (!db.open(own))
            return {{}, openError(own, db.lastError())};
        return ownIfFree(own, game, readRecord(db));
    }
    if (QFileInfo::exists(mainPath)) {
        Database db;
        if (db.open(mainPath, true) && readRecord(db).is(game))
            return {mainPath, {}};
    }
    // The folder's lock: whichever process holds it decides alone. The file chosen is recorded
    // by the write itself, in its own transaction, which checks again that nobody else took it.
    Database main, made;
    if (!main.open(mainPath)) {
        // A main file that is no database is nobody's to take: the other games take their own.
        if (!QFileInfo::exists(mainPath) || game == unrecordedGame || !made.open(own))
            return {{}, openError(mainPath, main.lastError())};
        return ownIfFree(own, game, readRecord(made));
    }
    Transaction lock(main);
    if (!lock.isActive())
        return {{}, Database::userMessage(main.lastError())};
    const Record record = readRecord(main);
    if (record.state == Record::State::Damaged)
        return {{}, damagedMessage(mainPath, record)};
    if (record.is(game) || (record.state == Record::State::None && (game == unrecordedGame || holdsNothing(main))))
        return {mainPath, {}};
    // The game's own file, made now (empty: the write records its game).
    if (!made.open(own))
        return {{}, openError(own, made.lastError())};
    return ownIfFree(own, game, readRecord(made));
}

bool record(Database &db, int game)
{
    Transaction transaction(db);
    return transaction.isActive() && writeRecord(db, game) && transaction.commit();
}

} // namespace GameFiles
