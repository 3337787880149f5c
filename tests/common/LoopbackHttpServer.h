#pragma once

#include <QByteArray>
#include <QHash>
#include <QStringList>
#include <QTcpServer>

// A small HTTP server on 127.0.0.1 for the update tests. It also serves as an HTTP proxy, so
// that requests for any host name reach it; it answers every request with `status` and `body`,
// or not at all when `silent` is set, and records each request line.
class LoopbackHttpServer : public QTcpServer
{
    Q_OBJECT
public:
    LoopbackHttpServer();
    quint16 port() const { return serverPort(); }
    // Routes the application's requests through this server.
    void becomeApplicationProxy() const;

    int status = 200;
    QByteArray body;
    QByteArray contentType = "text/html; charset=utf-8";
    bool silent = false;
    // Sends a chunked page that never ends, as fast as the client reads it.
    bool endless = false;
    QStringList requests; // "GET http://fj.example/?n=234 HTTP/1.1"
    // Requests for a host that starts with a key ("js.") are answered (and recorded) by that
    // server instead, as if each game's results came from a server of its own.
    QHash<QByteArray, LoopbackHttpServer *> routes;

private:
    void serve();
};
