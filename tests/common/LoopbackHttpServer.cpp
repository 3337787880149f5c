#include "LoopbackHttpServer.h"

#include <QNetworkProxy>
#include <QTcpSocket>

LoopbackHttpServer::LoopbackHttpServer()
{
    listen(QHostAddress::LocalHost, 0);
    connect(this, &QTcpServer::newConnection, this, &LoopbackHttpServer::serve);
}

void LoopbackHttpServer::becomeApplicationProxy() const
{
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), port()));
}

void LoopbackHttpServer::serve()
{
    while (QTcpSocket *socket = nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            const QByteArray request = socket->property("seen").toByteArray() + socket->readAll();
            socket->setProperty("seen", request);
            if (!request.contains("\r\n\r\n"))
                return;
            requests << QString::fromLatin1(request.left(request.indexOf("\r\n")));
            if (silent)
                return;
            const QByteArray reason = status == 200 ? "OK" : "Not Found";
            QByteArray response = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n";
            response += "Content-Type: " + contentType + "\r\n";
            response += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
            response += "Connection: close\r\n\r\n";
            response += body;
            socket->write(response);
            socket->disconnectFromHost();
        });
    }
}
