#include "Cli.h"

#include <QCoreApplication>
#include <QNetworkProxyFactory>
#include <QTextStream>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("VendrixK3"));
    QCoreApplication::setOrganizationName(QStringLiteral("Pelomarix"));
    // http_proxy and friends apply to the results page.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    return runCli(QCoreApplication::arguments().mid(1), out, err);
}
