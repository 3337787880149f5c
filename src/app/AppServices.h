#pragma once

#include <QString>

class Clock;
class Dialogs;
class Launcher;
class Notifier;
class PageLoader;

// What the window needs from outside; tests hand in doubles.
struct AppServices
{
    Dialogs *dialogs = nullptr;
    Launcher *launcher = nullptr;
    Clock *clock = nullptr;
    PageLoader *pageLoader = nullptr;
    QString programFolder; // holds the database and every file the program writes
    QString helpFolder;    // the help pages shipped beside the executable
    QString documentsFolder; // exports and the import folder; the program folder when empty
    Notifier *notifier = nullptr; // desktop notifications; none: the status bar says it all

    QString userFolder() const { return documentsFolder.isEmpty() ? programFolder : documentsFolder; }
};
