#include "SavedPrizes.h"

#include <QSettings>

namespace SavedPrizes {

QString key(int game)
{
    return QStringLiteral("Jiangjin/%1").arg(game);
}

QString sharedKey()
{
    return QStringLiteral("IniSetting/Jiangjin");
}

Plays::PrizeTable read(const QSettings &store, int game, bool *own)
{
    // A table that does not read (edited by hand, cut short) is as good as none.
    const auto table = [&store](const QString &name) {
        return Plays::PrizeTable::fromJson(store.value(name).toString().toUtf8(), nullptr);
    };
    const std::optional<Plays::PrizeTable> mine = table(key(game));
    if (own)
        *own = mine.has_value();
    if (mine)
        return *mine;
    return table(sharedKey()).value_or(Plays::PrizeTable());
}

} // namespace SavedPrizes
