#include "PageLoader.h"

#include "HtmlText.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

PageLoader::Page HttpPageLoader::load(const QUrl &address)
{
    Page page;
    if (!address.isValid() || address.host().isEmpty()) {
        page.error = QStringLiteral("网址无效：%1").arg(address.toString());
        return page;
    }
    QNetworkAccessManager network;
    QNetworkRequest request(address);
    request.setTransferTimeout(m_timeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply *reply = network.get(request);
    m_reply = reply;
    m_cancelled = false;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    // The transfer timeout covers a stalled transfer; this one covers the whole wait.
    QTimer::singleShot(m_timeoutMs + 1000, &loop, [reply] { reply->abort(); });
    if (!reply->isFinished())
        loop.exec();
    m_reply = nullptr;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (m_cancelled) {
        page.error = QStringLiteral("已取消");
    } else if (reply->error() != QNetworkReply::NoError) {
        page.error = reply->error() == QNetworkReply::OperationCanceledError ||
                             reply->error() == QNetworkReply::TimeoutError
                         ? QStringLiteral("开奖网页 %1 秒内没有响应").arg((m_timeoutMs + 999) / 1000)
                         : QStringLiteral("无法打开开奖网页（%1）").arg(reply->errorString());
    } else if (status != 200) {
        page.error = QStringLiteral("开奖网页返回错误（HTTP %1）").arg(status);
    } else {
        page.loaded = true;
        page.text = HtmlText::visibleText(HtmlText::decode(
            reply->readAll(), reply->header(QNetworkRequest::ContentTypeHeader).toByteArray()));
    }
    return page;
}

void HttpPageLoader::cancel()
{
    m_cancelled = true;
    if (m_reply)
        m_reply->abort();
}
