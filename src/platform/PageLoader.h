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
    // Waits for the page while the application's events go on being handled.
    virtual Page load(const QUrl &address) = 0;
    // Gives up the page being loaded (from an event handled meanwhile); load() then says so.
    virtual void cancel() {}
};

// HTTP GET through Qt Network, with a time limit for the whole transfer.
class HttpPageLoader : public PageLoader
{
public:
    explicit HttpPageLoader(int timeoutMs = 30000)
        : m_timeoutMs(timeoutMs)
    {}
    Page load(const QUrl &address) override;
    void cancel() override;

private:
    int m_timeoutMs;
    class QNetworkReply *m_reply = nullptr;
    bool m_cancelled = false;
};
