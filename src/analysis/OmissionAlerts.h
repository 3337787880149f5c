#pragma once

#include "TrendOmission.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// Alerts the player sets on values of the omission table (形态 三同号 遗漏 ≥ 200, 和值 4 遗漏 ≥ 150):
// each fires once when the value's current omission reaches its mark, and is armed again after
// the omission falls below it (the value came).
namespace OmissionAlerts {

struct Alert
{
    QString group; // the omission table's group ("形态")
    QString value; // and value ("三同号")
    qint64 at = 0; // fires when the current omission is at least this
    bool fired = false;
    bool operator==(const Alert &) const = default;
};

// As the settings keep them: [{"group":"形态","value":"三同号","at":200,"fired":false}]. Entries
// that do not read are left out.
std::vector<Alert> fromJson(const QByteArray &json);
QByteArray toJson(const std::vector<Alert> &alerts);

// The value's current omission in the table; nothing when the table has no such value.
std::optional<qint64> current(const TrendOmission::Omission &omission, const QString &group, const QString &value);

// Fires the alerts that reached their mark and were armed ("形态 三同号 已遗漏 200 期（提醒：≥ 200）"),
// and arms again those below it; `alerts` keeps the new states.
QStringList check(std::vector<Alert> &alerts, const TrendOmission::Omission &omission);

// "形态 三同号 ≥ 200（已提醒）；和值 4 ≥ 150", for the omission table's notes.
QString describe(const std::vector<Alert> &alerts);

} // namespace OmissionAlerts
