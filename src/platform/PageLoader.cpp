#include "PageLoader.h"

#include "HtmlText.h"

#include <QEventLoop>
#include <algorithm>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

namespace {

// Qt's network errors in a player's words; Qt's own text is English.
QString networkError(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("连接被拒绝，请检查开奖网址");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("服务器中途关闭了连接");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("找不到开奖网址的主机，请检查开奖网址和网络连接");
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("无法建立安全连接");
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return QStringLiteral("网络暂时不通");
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return QStringLiteral("代理服务器出错，请检查代理设置");
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError:
        return QStringLiteral("开奖网页的转向不安全或太多");
    default:
        return QStringLiteral("网络错误（代码 %1）").arg(int(error));
    }
}

} // namespace

QString HttpPageLoader::statusText(int status)
{
    static const std::pair<int, const char *> phrases[] = {
        {400, "请求有误"},     {401, "需要登录"},     {403, "禁止访问"},       {404, "网页不存在"},
        {408, "请求超时"},     {410, "网页已删除"},   {429, "请求太频繁"},     {500, "服务器内部错误"},
        {502, "网关错误"},     {503, "服务暂时不可用"}, {504, "网关超时"}};
    for (const auto &[code, phrase] : phrases)
        if (code == status)
            return QStringLiteral("HTTP %1 %2").arg(status).arg(QString::fromUtf8(phrase));
    return QStringLiteral("HTTP %1 %2").arg(status).arg(status >= 500 ? QStringLiteral("服务器出错")
                                                                      : QStringLiteral("请求没有成功"));
}

PageLoader::Page HttpPageLoader::load(const QUrl &address, int limitMs)
{
    Page page;
    if (!address.isValid() || address.host().isEmpty()) {
        page.error = QStringLiteral("网址无效：%1").arg(address.toString());
        return page;
    }
    // One page at a time: a second load while the first waits (the automatic update's, say)
    // would take its reply away.
    if (m_reply) {
        page.error = QStringLiteral("正在读取另一个开奖网页，请稍后再试");
        return page;
    }
    const int timeoutMs = limitMs > 0 ? std::min(limitMs, m_timeoutMs) : m_timeoutMs;
    QNetworkAccessManager network;
    QNetworkRequest request(address);
    request.setTransferTimeout(timeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply *reply = network.get(request);
    // Qt stops taking data from the network while this much waits to be read.
    reply->setReadBufferSize(1024 * 1024);
    m_reply = reply;
    m_cancelled = false;
    // The page is taken as it comes, never more than the cap: a page that never ends cannot
    // fill the memory.
    QByteArray body;
    bool tooLarge = false, timedOut = false;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        body += reply->read(m_maxBytes + 1 - body.size());
        if (body.size() > m_maxBytes) {
            tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    // The transfer timeout covers a stalled transfer; this one covers the whole wait.
    QTimer::singleShot(timeoutMs + 1000, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    if (!reply->isFinished())
        loop.exec();
    m_reply = nullptr;
    if (!tooLarge && reply->isOpen())
        body += reply->read(m_maxBytes + 1 - body.size());
    tooLarge = tooLarge || body.size() > m_maxBytes;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const int seconds = (timeoutMs + 999) / 1000;
    if (m_cancelled) {
        page.error = QStringLiteral("已取消");
    } else if (tooLarge) {
        page.error = QStringLiteral("开奖网页太大（超过 %1 MB），已停止读取").arg(m_maxBytes / (1024 * 1024));
    } else if (status >= 400) {
        page.error = QStringLiteral("开奖网页返回错误（%1）").arg(statusText(status));
    } else if (timedOut && !body.isEmpty()) {
        page.error = QStringLiteral("开奖网页 %1 秒内没有发送完（一直在发送数据），已停止读取").arg(seconds);
    } else if (reply->error() == QNetworkReply::OperationCanceledError || reply->error() == QNetworkReply::TimeoutError) {
        page.error = QStringLiteral("开奖网页 %1 秒内没有响应").arg(seconds);
    } else if (reply->error() != QNetworkReply::NoError) {
        page.error = QStringLiteral("无法打开开奖网页（%1）").arg(networkError(reply->error()));
    } else if (status != 200) {
        page.error = QStringLiteral("开奖网页返回错误（%1）").arg(statusText(status));
    } else {
        page.loaded = true;
        page.text = HtmlText::visibleText(
            HtmlText::decode(body, reply->header(QNetworkRequest::ContentTypeHeader).toByteArray()));
    }
    return page;
}

void HttpPageLoader::cancel()
{
    m_cancelled = true;
    if (m_reply)
        m_reply->abort();
}
