#include "Cli.h"

#include <QCoreApplication>
#include <QFile>
#include <QNetworkProxyFactory>
#include <QTextStream>
#include <csignal>
#include <cstdio>

int main(int argc, char *argv[])
{
    // A full disk or a file size limit makes writes fail, which is reported, instead of ending
    // the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("VendrixK3"));
    QCoreApplication::setOrganizationName(QStringLiteral("Pelomarix"));
    // http_proxy and friends apply to the results page.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    // Standard output as a device: `list` writes its bytes to it directly.
    QFile standardOutput;
    standardOutput.open(stdout, QIODevice::WriteOnly);
    QTextStream out(&standardOutput);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    return runCli(QCoreApplication::arguments().mid(1), out, err);
}
