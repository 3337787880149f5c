// libFuzzer target: the results page, from HTML to visible text to the draws found in it.
#include "HtmlText.h"
#include "OnlineUpdate.h"

#include <cstdint>
#include <cstdlib>

namespace {

void check(const std::vector<TextDraw> &draws, qint64 low, qint64 high)
{
    qint64 previous = low - 1;
    for (const TextDraw &draw : draws) {
        if (draw.issue < low || draw.issue > high || draw.issue <= previous)
            std::abort();
        previous = draw.issue;
        for (qint16 n : draw.numbers)
            if (n < 1 || n > 6)
                std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QDate today(2016, 12, 12);
    const OnlineUpdate::Game fujian{0, QStringLiteral("fj"), 78};
    const OnlineUpdate::Game beijing{9, QStringLiteral("bj"), 78};
    OnlineUpdate::Plan recent;
    recent.startIssue = 161211070;
    recent.daysToFetch = 1;
    OnlineUpdate::Plan fresh;
    fresh.daysToFetch = 3;

    const QString page = HtmlText::visibleText(HtmlText::decode(bytes, bytes.left(40)));
    for (const QString &text : {page, QString::fromUtf8(bytes)}) {
        check(OnlineUpdate::findDraws(text, recent, fujian, today), 161211070, 161212078);
        check(OnlineUpdate::findDraws(text, fresh, beijing, today), 1, std::numeric_limits<qint32>::max());
    }
    return 0;
}
