#include "ChartScale.h"

#include <algorithm>
#include <cmath>

ChartScale ChartScale::around(double low, double high, int maxTicks)
{
    if (!std::isfinite(low) || !std::isfinite(high))
        return {};
    if (low > high)
        std::swap(low, high);
    maxTicks = std::max(maxTicks, 3);
    // Whole numbers only: never a step below 1.
    double step = 1;
    for (double decade = 1;; decade *= 10) {
        bool found = false;
        for (double m : {1.0, 2.0, 5.0}) {
            step = m * decade;
            if (std::ceil(high / step) - std::floor(low / step) + 1 <= maxTicks) {
                found = true;
                break;
            }
        }
        if (found)
            break;
    }
    ChartScale scale;
    scale.step = step;
    scale.min = std::floor(low / step) * step;
    scale.max = std::ceil(high / step) * step;
    if (scale.max == scale.min)
        scale.max = scale.min + step;
    scale.ticks = int(std::lround((scale.max - scale.min) / step)) + 1;
    return scale;
}
