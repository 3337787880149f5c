// libFuzzer target: the tolerant reader of draws, from any bytes (text, HTML or CSV).
#include "DrawText.h"

#include <cstdint>
#include <cstdlib>
#include <unordered_set>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const DrawText::Reading reading = DrawText::readBytes(bytes);
    // One draw an issue, three dice each, every line counted from 1 and in order.
    std::unordered_set<qint32> issues;
    int previous = 0;
    for (const DrawText::Found &found : reading.draws) {
        if (!issues.insert(found.draw.issue).second || found.draw.issue < 1 || found.line < previous || found.line < 1)
            std::abort();
        previous = found.line;
        for (qint16 n : found.draw.numbers)
            if (n < 1 || n > 6)
                std::abort();
    }
    for (const DrawText::Skipped &skipped : reading.skipped)
        if (skipped.line < 1 || skipped.reason.isEmpty())
            std::abort();
    return 0;
}
