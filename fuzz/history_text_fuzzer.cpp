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
    }
    return 0;
}
