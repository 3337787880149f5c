#include "AppPaths.h"
#include "Notifier.h"
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
#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    // A full disk or a file size limit makes writes fail, which is reported, instead of ending
    // the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // Answered before any window exists, so that they work without a desktop too.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("vendrix-k3 %s\n", VK3_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("用法：vendrix-k3 [--help] [--version]\n"
                        "快3跟号分析（Vendrix K3）的主窗口：\n"
                        "保存所选省份快3的历史号码，做跟号检索、统计和回测。\n"
                        "历史数据库和程序写出的文件放在用户数据文件夹（安装后）\n"
                        "或程序所在的文件夹。\n"
                        "命令行工具见 vendrix-k3-cli --help。\n");
            return 0;
        }
    }
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
    DesktopNotifier notifier;
    AppServices services{&dialogs,
                         &launcher,
                         &clock,
                         &pageLoader,
                         AppPaths::programFolder(),
                         AppPaths::helpFolder(),
                         AppPaths::documentsFolder(),
                         &notifier};

    MainWindow window(services);
    window.show();
    return app.exec();
}
