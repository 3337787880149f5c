#pragma once

#include <QString>
#include <QUrl>

// Loads a results page and gives its visible text.
class PageLoader
{
public:
    struct Page
    {
        bool loaded = false;
        QString text;  // the page's visible text
        QString error; // why it did not load
    };
    virtual ~PageLoader() = default;
    // Waits for the page while the application's events go on being handled; with `limitMs` above
    // 0, gives up after that long if the loader's own limit is longer.
    virtual Page load(const QUrl &address, int limitMs) = 0;
    // Gives up the page being loaded (from an event handled meanwhile); load() then says so.
    virtual void cancel() {}
};

// HTTP GET through Qt Network, with a time limit for the whole transfer and a cap on the page's
// size: a page that never ends or is too large is given up, and said so.
class HttpPageLoader : public PageLoader
{
public:
    static constexpr qint64 maxPageBytes = 32 * 1024 * 1024;

    explicit HttpPageLoader(int timeoutMs = 30000, qint64 maxBytes = maxPageBytes)
        : m_timeoutMs(timeoutMs)
        , m_maxBytes(maxBytes)
    {}
    // An HTTP status in words: "HTTP 404 网页不存在".
    static QString statusText(int status);
    Page load(const QUrl &address, int limitMs) override;
    void cancel() override;

private:
    int m_timeoutMs;
    qint64 m_maxBytes;
    class QNetworkReply *m_reply = nullptr;
    bool m_cancelled = false;
};
