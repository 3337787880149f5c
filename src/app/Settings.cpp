#include "Settings.h"

#include "SavedPrizes.h"

#include "OnlineUpdate.h"
#include "ProvinceTable.h"

#include <QRegularExpression>
#include <QSettings>
#include <algorithm>
#include <limits>
#include <optional>

namespace {

struct KeyInfo
{
    const char *name;
    bool isBool;
    int defaultValue;
    int min;
    int max;
};

constexpr int i16min = std::numeric_limits<qint16>::min();
constexpr int i16max = std::numeric_limits<qint16>::max();

// Ranges are those the controls can produce; anything else stored there reads as the default.
const KeyInfo &info(Settings::Key key)
{
    static const KeyInfo table[] = {
        {"GsZl", false, 0, 0, 14},
        {"bolZyw", true, 1, 0, 1},
        {"bolSq", true, 1, 0, 1},
        {"intPreQi", false, 2, 1, 9},
        {"intLei", false, 0, 0, 3},
        {"intXianshiLei", false, 0, 0, 3},
        {"intConsqSort", false, 3, 1, 3},
        {"bolZuxuan", true, 1, 0, 1},
        {"DsIni", false, 1, 0, 1},
        {"bolZhpm", true, 0, 0, 1},
        {"intZhWSetup", false, 2, i16min, i16max},
        {"IniSerchDay", false, 3, 2, 16},
    };
    return table[int(key)];
}

std::optional<bool> toBool(const QString &text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const int n = t.toInt(&ok);
    if (ok)
        return n != 0;
    return std::nullopt;
}

} // namespace

Settings::Settings()
    : m_store(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                          QStringLiteral("Pelomarix")))
{
    m_store->setFallbacksEnabled(false);
}

Settings::~Settings() = default;

QString Settings::keyName(Key key)
{
    return QLatin1String(info(key).name);
}

QString Settings::updateHost() const
{
    // Only what can stand in a host name (and a port) after the game code.
    static const QRegularExpression hostText(QStringLiteral("^[A-Za-z0-9.:-]{1,200}$"));
    const QString host = m_store->value(QStringLiteral("IniSetting/UpdateHost")).toString().trimmed();
    return hostText.match(host).hasMatch() ? host : OnlineUpdate::defaultHost();
}

void Settings::setUpdateHost(const QString &host)
{
    m_store->setValue(QStringLiteral("IniSetting/UpdateHost"), host);
    m_store->sync();
}

QStringList Settings::updateHosts() const
{
    static const QRegularExpression hostText(QStringLiteral("^[A-Za-z0-9.:-]{1,200}$"));
    const QString first = updateHost();
    QStringList hosts{first};
    // The list counts only while its first is the host an older release may have set since.
    const QStringList saved = m_store->value(QStringLiteral("IniSetting/UpdateHosts")).toString().split(QLatin1Char(','));
    if (saved.value(0).trimmed() != first)
        return hosts;
    for (qsizetype i = 1; i < saved.size(); ++i)
        if (const QString host = saved[i].trimmed(); hostText.match(host).hasMatch() && !hosts.contains(host))
            hosts << host;
    return hosts;
}

void Settings::setUpdateHosts(const QStringList &hosts)
{
    m_store->setValue(QStringLiteral("IniSetting/UpdateHost"), hosts.value(0));
    m_store->setValue(QStringLiteral("IniSetting/UpdateHosts"), hosts.join(QLatin1Char(',')));
    m_store->sync();
}

std::optional<std::vector<int>> Settings::followedGames() const
{
    const QVariant saved = m_store->value(QStringLiteral("IniSetting/Guanzhu"));
    if (!saved.isValid())
        return std::nullopt;
    std::vector<int> games;
    for (const QString &part : saved.toString().split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int game = part.trimmed().toInt(&ok);
        if (ok && game >= 0 && game < ProvinceTable::Count && std::find(games.begin(), games.end(), game) == games.end())
            games.push_back(game);
    }
    std::sort(games.begin(), games.end());
    return games;
}

void Settings::setFollowedGames(const std::vector<int> &games)
{
    QStringList parts;
    for (const int game : games)
        parts << QString::number(game);
    m_store->setValue(QStringLiteral("IniSetting/Guanzhu"), parts.join(QLatin1Char(',')));
    m_store->sync();
}

QByteArray Settings::windowGeometry(const QString &name) const
{
    return m_store->value(QStringLiteral("WindowGeometry/") + name).toByteArray();
}

void Settings::setWindowGeometry(const QString &name, const QByteArray &geometry)
{
    m_store->setValue(QStringLiteral("WindowGeometry/") + name, geometry);
    m_store->sync();
}

std::optional<int> Settings::exportGame(const QString &fileName) const
{
    bool ok = false;
    const int game = m_store->value(QStringLiteral("ExportGame/") + fileName).toInt(&ok);
    return ok && game >= 0 && game < ProvinceTable::Count ? std::optional(game) : std::nullopt;
}

void Settings::setExportGame(const QString &fileName, int game)
{
    m_store->setValue(QStringLiteral("ExportGame/") + fileName, game);
    m_store->sync();
}

std::array<int, 15> Settings::drawsPerDay() const
{
    return ProvinceTable::drawsPerDayFrom(m_store->value(drawsPerDayKey()).toString());
}

void Settings::setDrawsPerDay(const std::array<int, 15> &perDay)
{
    m_store->setValue(drawsPerDayKey(), ProvinceTable::drawsPerDayText(perDay));
    m_store->sync();
}

int Settings::autoUpdateMinutes() const
{
    const int minutes = m_store->value(QStringLiteral("IniSetting/AutoUpdate")).toString().toInt();
    return minutes == 5 || minutes == 10 || minutes == 20 || minutes == 30 ? minutes : 0;
}

void Settings::setAutoUpdateMinutes(int minutes)
{
    m_store->setValue(QStringLiteral("IniSetting/AutoUpdate"), QString::number(minutes));
    m_store->sync();
}

int Settings::autoUpdateTestSeconds() const
{
    return std::clamp(m_store->value(QStringLiteral("IniSetting/AutoUpdateSeconds")).toString().toInt(), 0, 3600);
}

std::optional<DrawClock::Schedule> Settings::schedule(int game) const
{
    return DrawClock::fromText(m_store->value(QStringLiteral("Kaijiang/%1").arg(game)).toString());
}

void Settings::setSchedule(int game, const std::optional<DrawClock::Schedule> &schedule)
{
    if (schedule)
        m_store->setValue(QStringLiteral("Kaijiang/%1").arg(game), DrawClock::toText(*schedule));
    else
        m_store->remove(QStringLiteral("Kaijiang/%1").arg(game));
    m_store->sync();
}

// Each kind of notice is on unless turned off.
bool Settings::notifies(const QString &kind) const
{
    return m_store->value(QStringLiteral("Tongzhi/") + kind).toString() != QLatin1String("False");
}

void Settings::setNotifies(const QString &kind, bool on)
{
    m_store->setValue(QStringLiteral("Tongzhi/") + kind, on ? QStringLiteral("True") : QStringLiteral("False"));
    m_store->sync();
}

bool Settings::notifyDraws() const
{
    return notifies(QStringLiteral("Kaijiang"));
}

bool Settings::notifyBets() const
{
    return notifies(QStringLiteral("Jiesuan"));
}

bool Settings::notifyOmission() const
{
    return notifies(QStringLiteral("Yilou"));
}

void Settings::setNotifyDraws(bool on)
{
    setNotifies(QStringLiteral("Kaijiang"), on);
}

void Settings::setNotifyBets(bool on)
{
    setNotifies(QStringLiteral("Jiesuan"), on);
}

void Settings::setNotifyOmission(bool on)
{
    setNotifies(QStringLiteral("Yilou"), on);
}

std::vector<OmissionAlerts::Alert> Settings::omissionAlerts(int game) const
{
    return OmissionAlerts::fromJson(m_store->value(QStringLiteral("Yilou/%1").arg(game)).toString().toUtf8());
}

void Settings::setOmissionAlerts(int game, const std::vector<OmissionAlerts::Alert> &alerts)
{
    if (alerts.empty())
        m_store->remove(QStringLiteral("Yilou/%1").arg(game));
    else
        m_store->setValue(QStringLiteral("Yilou/%1").arg(game), QString::fromUtf8(OmissionAlerts::toJson(alerts)));
    m_store->sync();
}

std::optional<qint64> Settings::dailyLimit() const
{
    const qint64 limit = m_store->value(QStringLiteral("IniSetting/Xiane")).toString().toLongLong();
    return limit > 0 ? std::optional(limit) : std::nullopt;
}

void Settings::setDailyLimit(std::optional<qint64> yuan)
{
    m_store->setValue(QStringLiteral("IniSetting/Xiane"), QString::number(yuan.value_or(0)));
    m_store->sync();
}

Plays::PrizeTable Settings::prizes(int game) const
{
    return SavedPrizes::read(*m_store, game);
}

Settings::PrizeTables Settings::ownPrizes() const
{
    PrizeTables tables;
    for (int game = 0; game < int(tables.size()); ++game) {
        bool own = false;
        const Plays::PrizeTable table = SavedPrizes::read(*m_store, game, &own);
        // The older release's one table counts as every game's own: the player chose it.
        if (own || m_store->contains(SavedPrizes::sharedKey()))
            tables[size_t(game)] = table;
    }
    return tables;
}

void Settings::setPrizes(const PrizeTables &tables)
{
    for (int game = 0; game < int(tables.size()); ++game) {
        if (const std::optional<Plays::PrizeTable> &table = tables[size_t(game)])
            m_store->setValue(SavedPrizes::key(game), QString::fromUtf8(table->toJson()));
        else
            m_store->remove(SavedPrizes::key(game));
    }
    m_store->remove(SavedPrizes::sharedKey());
    m_store->sync();
}

std::optional<Settings::Key> Settings::keyByName(const QString &name)
{
    for (int k = 0; k <= int(Key::IniSerchDay); ++k) {
        if (keyName(Key(k)) == name)
            return Key(k);
    }
    return std::nullopt;
}

bool Settings::isBool(Key key)
{
    return info(key).isBool;
}

QString Settings::raw(Key key) const
{
    const QVariant v = m_store->value(QStringLiteral("IniSetting/") + keyName(key));
    // An INI value with a comma comes back as a list; it is no valid value of ours.
    if (!v.isValid() || v.typeId() != QMetaType::QString)
        return {};
    return v.toString();
}

qint16 Settings::intValue(Key key) const
{
    return intValue(key, qint16(info(key).defaultValue));
}

qint16 Settings::intValue(Key key, qint16 fallback) const
{
    const KeyInfo &k = info(key);
    bool ok = false;
    const int value = raw(key).trimmed().toInt(&ok);
    if (!ok || value < k.min || value > k.max)
        return fallback;
    return qint16(value);
}

bool Settings::boolValue(Key key) const
{
    return toBool(raw(key)).value_or(info(key).defaultValue != 0);
}

void Settings::setInt(Key key, int value)
{
    m_store->setValue(QStringLiteral("IniSetting/") + keyName(key), QString::number(value));
    m_store->sync();
}

void Settings::setBool(Key key, bool value)
{
    m_store->setValue(QStringLiteral("IniSetting/") + keyName(key),
                      value ? QStringLiteral("True") : QStringLiteral("False"));
    m_store->sync();
}
