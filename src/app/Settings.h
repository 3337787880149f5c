#pragma once

#include "DrawClock.h"
#include "OmissionAlerts.h"
#include "Plays.h"

#include <QString>
#include <array>
#include <memory>
#include <optional>
#include <vector>

class QSettings;

// Every user choice that survives a restart, in the per-user store of application "Pelomarix",
// section "IniSetting". Values are text: integers in decimal, booleans "True"/"False". A missing
// key, or one whose text does not convert to its type and range, reads as its default.
class Settings
{
public:
    enum class Key {
        GsZl,
        bolZyw,
        bolSq,
        intPreQi,
        intLei,
        intXianshiLei,
        intConsqSort,
        bolZuxuan,
        DsIni,
        bolZhpm,
        intZhWSetup,
        IniSerchDay,
    };

    Settings();
    ~Settings();

    static QString keyName(Key key);
    static std::optional<Key> keyByName(const QString &name);
    static bool isBool(Key key);

    qint16 intValue(Key key) const;
    qint16 intValue(Key key, qint16 fallback) const;
    bool boolValue(Key key) const;
    void setInt(Key key, int value);
    void setBool(Key key, bool value);

    qint16 gsZl() const { return intValue(Key::GsZl); }
    bool bolZyw() const { return boolValue(Key::bolZyw); }
    bool bolSq() const { return boolValue(Key::bolSq); }
    qint16 intPreQi() const { return intValue(Key::intPreQi); }
    qint16 intLei() const { return intValue(Key::intLei); }
    qint16 intXianshiLei() const { return intValue(Key::intXianshiLei); }
    qint16 intConsqSort() const { return intValue(Key::intConsqSort); }
    bool bolZuxuan() const { return boolValue(Key::bolZuxuan); }
    qint16 dsIni() const { return intValue(Key::DsIni); }
    bool bolZhpm() const { return boolValue(Key::bolZhpm); }
    qint16 intZhWSetup() const { return intValue(Key::intZhWSetup); }
    qint16 iniSerchDay() const { return intValue(Key::IniSerchDay); }

    // DrawsPerDay: each game's draws a day, "78,78,…" (the table's where missing or wrong).
    std::array<int, 15> drawsPerDay() const;
    void setDrawsPerDay(const std::array<int, 15> &perDay);
    static QString drawsPerDayKey() { return QStringLiteral("IniSetting/DrawsPerDay"); }

    // AutoUpdate: minutes between automatic updates (0 off; 5, 10, 20 or 30); AutoUpdateSeconds, a
    // wait in seconds that tests set instead.
    int autoUpdateMinutes() const;
    void setAutoUpdateMinutes(int minutes);
    int autoUpdateTestSeconds() const;

    // Jiangjin/<game>: each game's prize table as JSON; a game without one pays the national
    // prizes (or the one table an older release saved for every game).
    Plays::PrizeTable prizes(int game) const;
    // Each game's own table, or nothing where it is the same as the national one.
    using PrizeTables = std::array<std::optional<Plays::PrizeTable>, 15>;
    PrizeTables ownPrizes() const;
    // Saves every game's choice; the older release's one table then has no more say.
    void setPrizes(const PrizeTables &tables);

    // Kaijiang/<game>: the game's draw schedule, "09:10,20" (first draw in Beijing time, minutes
    // between draws); none when unknown.
    std::optional<DrawClock::Schedule> schedule(int game) const;
    void setSchedule(int game, const std::optional<DrawClock::Schedule> &schedule);

    // Tongzhi/Kaijiang, Tongzhi/Jiesuan: desktop notices of new draws and of bets they settled
    // (on unless turned off in 设置 → 通知).
    bool notifyDraws() const;
    bool notifyBets() const;
    void setNotifyDraws(bool on);
    void setNotifyBets(bool on);
    // Tongzhi/Yilou: notices of omission alerts.
    bool notifyOmission() const;
    void setNotifyOmission(bool on);

    // Yilou/<game>: the game's omission alerts (JSON).
    std::vector<OmissionAlerts::Alert> omissionAlerts(int game) const;
    void setOmissionAlerts(int game, const std::vector<OmissionAlerts::Alert> &alerts);

    // Xiane: the daily limit on bets in 元 over every game (none: off).
    std::optional<qint64> dailyLimit() const;
    void setDailyLimit(std::optional<qint64> yuan);

    // UpdateHost: the results host name that follows the game code ("fj" + ".example.com").
    QString updateHost() const;
    void setUpdateHost(const QString &host);
    // UpdateHosts: every results host, tried in order ("…,…"); the first is UpdateHost, which an
    // older release reads alone.
    QStringList updateHosts() const;
    void setUpdateHosts(const QStringList &hosts);

    // Guanzhu: the followed games' indices ("1,3"); nothing until the player chose.
    std::optional<std::vector<int>> followedGames() const;
    void setFollowedGames(const std::vector<int> &games);

    // WindowGeometry/<name>: where the user last left a window beside the main one.
    QByteArray windowGeometry(const QString &name) const;
    void setWindowGeometry(const QString &name, const QByteArray &geometry);

    // ExportGame/<file>: the game an export file (lishi.xlsx…) was last written for.
    std::optional<int> exportGame(const QString &fileName) const;
    void setExportGame(const QString &fileName, int game);

private:
    QString raw(Key key) const;
    bool notifies(const QString &kind) const;
    void setNotifies(const QString &kind, bool on);

    std::unique_ptr<QSettings> m_store;
};
