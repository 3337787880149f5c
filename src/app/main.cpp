#include "AppPaths.h"
#include "Clock.h"
#include "Dialogs.h"
#include "Launcher.h"
#include "MainWindow.h"
#include "PageLoader.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QNetworkProxyFactory>
#include <QTranslator>
#include <csignal>

int main(int argc, char *argv[])
{
    // A full disk or a file size limit makes writes fail, which is reported, instead of ending
    // the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VendrixK3"));
    QApplication::setOrganizationName(QStringLiteral("Pelomarix"));
    // Qt's own texts (the open-file dialog, the text boxes' menus, standard buttons) in Chinese.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

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
