// libFuzzer target: the history text reader (reading rules, issue and number fields).
#include "HistoryText.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    for (bool trimLines : {false, true}) {
        const HistoryText::Reading reading = HistoryText::read(bytes, 161212001, trimLines);
        for (const TextDraw &draw : reading.draws) {
            if (draw.issue < 1)
                std::abort();
            for (qint16 n : draw.numbers)
                if (n < 1 || n > 6)
                    std::abort();
        }
        // What the export writes of draws with nine-digit issues reads back the same.
        std::vector<TextDraw> canonical;
        for (const TextDraw &draw : reading.draws)
            if (draw.issue >= 100000000)
                canonical.push_back(draw);
        const HistoryText::Reading again = HistoryText::read(HistoryText::format(canonical), 1, false);
        if (again.skipped != 0 || again.draws != canonical)
            std::abort();
        // In issue order: ascending, one draw per issue, each line stored or skipped.
        HistoryText::Reading ordered = reading;
        QString conflict;
        if (HistoryText::toIssueOrder(ordered, &conflict)) {
            for (size_t i = 1; i < ordered.draws.size(); ++i)
                if (ordered.draws[i - 1].issue >= ordered.draws[i].issue)
                    std::abort();
            if (ordered.lines.size() != ordered.draws.size() ||
                qint64(ordered.draws.size()) + ordered.skipped != qint64(reading.draws.size()) + reading.skipped)
                std::abort();
        } else if (conflict.isEmpty()) {
            std::abort();
        }
    }
    return 0;
}
