#pragma once

#include <QString>

// Opens a file or an address with the desktop's default application.
class Launcher
{
public:
    virtual ~Launcher() = default;
    virtual bool openFile(const QString &path) = 0;
};

class DesktopLauncher : public Launcher
{
public:
    bool openFile(const QString &path) override;
};
