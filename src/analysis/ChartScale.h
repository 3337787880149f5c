#pragma once

// An axis a reader can take in at a glance: whole-number ticks at a "nice" step (1, 2 or 5 times
// a power of ten), starting and ending on a tick, every tick labelled.
struct ChartScale
{
    double min = 0;
    double max = 1;
    double step = 1;
    int ticks = 2; // min, max and every step between them

    // The smallest such axis around [low, high] with at most `maxTicks` ticks.
    static ChartScale around(double low, double high, int maxTicks = 9);
};
