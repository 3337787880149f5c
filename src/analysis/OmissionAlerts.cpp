#include "OmissionAlerts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace OmissionAlerts {

std::vector<Alert> fromJson(const QByteArray &json)
{
    std::vector<Alert> alerts;
    for (const QJsonValue &entry : QJsonDocument::fromJson(json).array()) {
        const QJsonObject o = entry.toObject();
        const Alert alert{o.value(QLatin1String("group")).toString(), o.value(QLatin1String("value")).toString(),
                          o.value(QLatin1String("at")).toInteger(), o.value(QLatin1String("fired")).toBool()};
        if (!alert.group.isEmpty() && !alert.value.isEmpty() && alert.at > 0)
            alerts.push_back(alert);
    }
    return alerts;
}

QByteArray toJson(const std::vector<Alert> &alerts)
{
    QJsonArray array;
    for (const Alert &a : alerts)
        array.append(QJsonObject{{QStringLiteral("group"), a.group},
                                 {QStringLiteral("value"), a.value},
                                 {QStringLiteral("at"), a.at},
                                 {QStringLiteral("fired"), a.fired}});
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<qint64> current(const TrendOmission::Omission &omission, const QString &group, const QString &value)
{
    for (const TrendOmission::Group &g : omission.groups)
        if (g.name == group)
            for (const TrendOmission::ValueStats &v : g.values)
                if (v.value == value)
                    return v.current;
    return std::nullopt;
}

QStringList check(std::vector<Alert> &alerts, const TrendOmission::Omission &omission)
{
    QStringList reached;
    for (Alert &alert : alerts) {
        const std::optional<qint64> now = current(omission, alert.group, alert.value);
        if (!now)
            continue;
        if (*now < alert.at) {
            alert.fired = false;
        } else if (!alert.fired) {
            alert.fired = true;
            reached << QStringLiteral("%1 %2 已遗漏 %3 期（提醒：≥ %4）").arg(alert.group, alert.value).arg(*now).arg(alert.at);
        }
    }
    return reached;
}

QString describe(const std::vector<Alert> &alerts)
{
    QStringList parts;
    for (const Alert &a : alerts)
        parts << QStringLiteral("%1 %2 ≥ %3%4")
                     .arg(a.group, a.value)
                     .arg(a.at)
                     .arg(a.fired ? QStringLiteral("（已提醒）") : QString());
    return parts.join(QStringLiteral("；"));
}

} // namespace OmissionAlerts
