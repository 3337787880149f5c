#pragma once

#include <QDate>
#include <QDateTime>

// Today's date; tests replace it with a fixed one.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDate today() const = 0;
    // Today in Beijing (UTC+8), whatever the computer's zone: the date issues are numbered by.
    virtual QDate beijingToday() const { return today(); }
    // The computer's local time now (bets are stamped with it).
    virtual QDateTime now() const { return QDateTime(today(), QTime(12, 0)); }
};

class SystemClock : public Clock
{
public:
    QDate today() const override { return QDate::currentDate(); }
    QDate beijingToday() const override { return QDateTime::currentDateTimeUtc().addSecs(8 * 3600).date(); }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};
