#include "AppPaths.h"
#include "Clock.h"
#include "Dialogs.h"
#include "Launcher.h"
#include "MainWindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VendrixK3"));
    QApplication::setOrganizationName(QStringLiteral("Pelomarix"));

    QtDialogs dialogs;
    DesktopLauncher launcher;
    SystemClock clock;
    AppServices services{&dialogs, &launcher, &clock, AppPaths::programFolder(), AppPaths::helpFolder()};

    MainWindow window(services);
    window.show();
    return app.exec();
}
