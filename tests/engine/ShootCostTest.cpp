// What a shoot cost, without an agent: durations, requests, medians and texts.
#include "engine/ShootCost.h"

#include <gtest/gtest.h>

TEST(ShootCost, MeterTakesTheRunningShootOnly)
{
    const struct {
        std::vector<double> walk, values;
        double walkMedian, valueMedian;
    } cases[] = {
        {{}, {4, 1, 3}, -1, 3},
        {{2, 8}, {5}, 5, 5},  // an even count: the mean of the middle two
        {{1, 1, 9, 1}, {}, 1, -1},
    };
    for (const auto& c : cases) {
        TShootMeter meter;
        meter.Answered(true, 99);  // before any shoot: not counted
        meter.Begin(1000);
        for (const double ms : c.walk) {
            meter.Sent();
            meter.Answered(true, ms);
        }
        for (const double ms : c.values) {
            meter.Sent();
            meter.Answered(false, ms);
        }
        EXPECT_EQ(meter.ElapsedMs(1500), 500);
        meter.Finish(3400);
        meter.Finish(9999);  // a second end changes nothing
        const TShootCost& cost = meter.Last();
        EXPECT_EQ(cost.durationMs, 2400);
        EXPECT_EQ(cost.requests, static_cast<int>(c.walk.size() + c.values.size()));
        EXPECT_EQ(cost.walk.medianMs, c.walkMedian);
        EXPECT_EQ(cost.values.medianMs, c.valueMedian);
    }
    TShootCost cost;
    cost.durationMs = 2400;
    cost.requests = 312;
    EXPECT_EQ(ShootCostText(cost), QStringLiteral("Shoot 2.4 s, 312 requests"));
    EXPECT_EQ(IntervalTooShortText(2, 3140), QStringLiteral("Interval 2 s is shorter than a shoot (3.1 s)"));
}
