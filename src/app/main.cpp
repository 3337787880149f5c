#include "AppPaths.h"
#include "Clock.h"
#include "Dialogs.h"
#include "Launcher.h"
#include "MainWindow.h"
#include "PageLoader.h"

#include <QApplication>
#include <QNetworkProxyFactory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VendrixK3"));
    QApplication::setOrganizationName(QStringLiteral("Pelomarix"));

    QtDialogs dialogs;
    DesktopLauncher launcher;
    SystemClock clock;
    HttpPageLoader pageLoader;
    // The desktop's proxy settings apply to the results page.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    AppServices services{
        &dialogs, &launcher, &clock, &pageLoader, AppPaths::programFolder(), AppPaths::helpFolder()};

    MainWindow window(services);
    window.show();
    return app.exec();
}
