#include "LoopbackHttpServer.h"

#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTimer>

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
            const QByteArray line = request.left(request.indexOf("\r\n"));
            const QByteArray host = line.mid(line.indexOf("//") + 2);
            LoopbackHttpServer *answering = this;
            for (auto route = routes.cbegin(); route != routes.cend(); ++route)
                if (host.startsWith(route.key()))
                    answering = route.value();
            answering->requests << QString::fromLatin1(line);
            if (answering->silent)
                return;
            if (answering->endless) {
                socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nTransfer-Encoding: chunked\r\n\r\n");
                auto *timer = new QTimer(socket);
                connect(timer, &QTimer::timeout, socket, [socket, timer] {
                    static const QByteArray chunk = QByteArray::number(256 * 1024, 16) + "\r\n" +
                                                    QByteArray(256 * 1024, 'x') + "\r\n";
                    if (socket->state() != QAbstractSocket::ConnectedState) {
                        timer->stop();
                        return;
                    }
                    while (socket->bytesToWrite() < 4 * 1024 * 1024 && socket->write(chunk) > 0) {
                    }
                });
                timer->start(1);
                return;
            }
            const int status = answering->status;
            const QByteArray reason = status == 200 ? "OK" : status == 500 ? "Internal Server Error" : "Not Found";
            QByteArray response = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n";
            response += "Content-Type: " + answering->contentType + "\r\n";
            response += "Content-Length: " + QByteArray::number(answering->body.size()) + "\r\n";
            response += "Connection: close\r\n\r\n";
            response += answering->body;
            socket->write(response);
            socket->disconnectFromHost();
        });
    }
}
