#pragma once

#include <QString>

// Desktop notifications in the desktop's own look. Tests hand in their own.
class Notifier
{
public:
    virtual ~Notifier() = default;
    // Shows the notice; false when no notification service runs (the caller says it otherwise).
    virtual bool notify(const QString &title, const QString &body) = 0;
};

// The freedesktop notification service on the session bus (org.freedesktop.Notifications).
class DesktopNotifier : public Notifier
{
public:
    bool notify(const QString &title, const QString &body) override;
};
