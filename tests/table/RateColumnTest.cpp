// Counter rates between two readings of one cell: wraps, restarts, the
// agent's clock against the arrival times, and Counter64 precision.
#include "table/RateColumn.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

struct TReadingCase {
    int type;
    const char* counter;
    std::int64_t atMs;    // arrival
    std::int64_t upTime;  // ticks; -1 unknown
};

TCellValue Reading(const TReadingCase& r)
{
    TCellValue value;
    value.type = r.type;
    value.text = QLatin1String(r.counter);
    value.arrivedMs = r.atMs;
    value.upTime = r.upTime;
    return value;
}

constexpr int kC32 = snmptype::kCounter32;
constexpr int kC64 = snmptype::kCounter64;

}  // namespace

TEST(CounterRates, RestartsWrapsAndClocks)
{
    const struct {
        const char* why;
        TReadingCase before;
        TReadingCase now;
        std::optional<double> rate;
    } cases[] = {
        {"agent clock: 10 s of uptime, arrivals 10.2 s apart",
         {kC32, "1000", 0, 1000},
         {kC32, "2000", 10200, 2000},
         100.0},
        {"arrival times when the uptime is unknown", {kC32, "1000", 0, -1}, {kC32, "2000", 4000, -1}, 250.0},
        {"arrival times when only one reading has an uptime",
         {kC32, "0", 0, 500},
         {kC32, "500", 5000, -1},
         100.0},
        {"a Counter32 that went down wrapped once",
         {kC32, "4294967000", 0, 1000},
         {kC32, "500", 10000, 2000},
         79.6},
        {"uptime went down: restart", {kC32, "100", 0, 900000}, {kC32, "200", 10000, 300}, std::nullopt},
        // Restarted 0.3 s after a reading; the next one, 7.8 s later, finds
        // 7.5 s of uptime, above the 1.3 s before.
        {"uptime advanced clearly less than the gap: restart",
         {kC32, "4000000000", 0, 130},
         {kC32, "75", 7800, 750},
         std::nullopt},
        {"uptime a little behind the arrivals is jitter",
         {kC32, "0", 0, 1000},
         {kC32, "950", 10000, 1950},
         100.0},
        {"a Counter64 that went down has no rate",
         {kC64, "5000", 0, 1000},
         {kC64, "4000", 10000, 2000},
         std::nullopt},
        {"Counter64 near 2^63 differs in integers",
         {kC64, "9223372036854775000", 0, 1000},
         {kC64, "9223372036854795000", 10000, 2000},
         2000.0},
        {"Counter64 near 2^64 keeps every unit",
         {kC64, "18446744073709500000", 0, 0},
         {kC64, "18446744073709510235", 1000, 100},
         10235.0},
        {"no time between the readings", {kC32, "1", 5000, 100}, {kC32, "2", 5000, 100}, std::nullopt},
        {"a text that is no number", {kC32, "1", 0, 100}, {kC32, "2x", 5000, 600}, std::nullopt},
        {"types differ", {kC32, "1", 0, 100}, {kC64, "2", 1000, 200}, std::nullopt},
        {"no counter", {snmptype::kGauge32, "1", 0, 100}, {snmptype::kGauge32, "2", 1000, 200}, std::nullopt},
        {"no number", {kC32, "Null", 0, 100}, {kC32, "2", 1000, 200}, std::nullopt},
    };
    for (const auto& c : cases) {
        const std::optional<double> rate = CounterRate(Reading(c.before), Reading(c.now));
        ASSERT_EQ(rate.has_value(), c.rate.has_value()) << c.why;
        if (rate) {
            EXPECT_NEAR(*rate, *c.rate, 0.05) << c.why;
        }
    }
}

namespace {

// A cell read twice: `before`, then `now` ten seconds later.
TResultCell ReadTwice(const char* oid, int type, const char* before, const char* now)
{
    TResultCell cell;
    cell.Take(QLatin1String(oid), Reading({type, before, 0, 1000}), 1);
    cell.Take(QLatin1String(oid), Reading({type, now, 10000, 2000}), 2);
    return cell;
}

}  // namespace

TEST(CounterRates, RowsTellDiscontinuitiesAndSpeeds)
{
    const TResultCell octets = ReadTwice("1.3.6.1.2.1.31.1.1.1.6.3", kC64, "0", "12500000");  // 10 Mbit/s
    const TResultCell same = ReadTwice("1.3.6.1.2.1.31.1.1.1.19.3", snmptype::kTimeTicks, "500", "500");
    const TResultCell reset = ReadTwice("1.3.6.1.2.1.31.1.1.1.19.3", snmptype::kTimeTicks, "500", "1900");
    const TResultCell slow = ReadTwice("1.3.6.1.2.1.2.2.1.5.3", snmptype::kGauge32, "1000000", "1000000");
    const TResultCell fast = ReadTwice("1.3.6.1.2.1.2.2.1.5.3", snmptype::kGauge32, "100000000", "100000000");
    const TResultCell saturated =
        ReadTwice("1.3.6.1.2.1.2.2.1.5.3", snmptype::kGauge32, "4294967295", "4294967295");
    const TResultCell highSpeed = ReadTwice("1.3.6.1.2.1.31.1.1.1.15.3", snmptype::kGauge32, "1", "1");
    const TResultCell zero = ReadTwice("1.3.6.1.2.1.2.2.1.5.3", snmptype::kGauge32, "0", "0");
    const struct {
        const char* why;
        QVector<TResultCell> row;
        bool rate;
        bool suspect;
    } cases[] = {
        {"no speed in the view: a rate, not suspect", {octets}, true, false},
        {"unchanged discontinuity time keeps the rate", {octets, same}, true, false},
        {"a changed discontinuity time: no rate", {octets, reset}, false, false},
        {"above ifSpeed is suspect", {octets, slow}, true, true},
        {"below ifSpeed is not", {octets, fast}, true, false},
        {"ifHighSpeed (Mbit/s) goes before ifSpeed", {octets, fast, highSpeed}, true, true},
        {"a saturated ifSpeed tells nothing", {octets, saturated}, true, false},
        {"a zero speed tells nothing", {octets, zero}, true, false},
    };
    for (const auto& c : cases) {
        const std::optional<double> rate = RowCounterRate(c.row, c.row[0]);
        EXPECT_EQ(rate.has_value(), c.rate) << c.why;
        EXPECT_EQ(RateAboveSpeed(rate, RowInterfaceSpeed(c.row)), c.suspect) << c.why;
    }
}

// Where the rows hold ifCounterDiscontinuityTime, told from the targets, and
// a row's discontinuity read there the same as when the row is searched.
TEST(CounterRates, DiscontinuityColumnFromTheTargets)
{
    const QString octets = QStringLiteral("1.3.6.1.2.1.31.1.1.1.6");
    const QString discontinuity = QStringLiteral("1.3.6.1.2.1.31.1.1.1.19");
    const struct {
        const char* why;
        QStringList targets;
        bool listLayout;
        qsizetype column;
    } cases[] = {
        {"no target near it", {octets, QStringLiteral("1.3.6.1.2.1.2.2.1.5")}, false, kNoColumn},
        {"the target itself", {octets, discontinuity}, false, 1},
        {"a target above it: searched", {QStringLiteral("1.3.6.1.2.1.31.1.1.1")}, false, kAnyColumn},
        {"a target below it: searched", {discontinuity + QStringLiteral(".3")}, false, kAnyColumn},
        {"twice: searched", {discontinuity, discontinuity}, false, kAnyColumn},
        {"a target that does not parse: searched", {QStringLiteral("ifIndex")}, false, kAnyColumn},
        {"a list: searched", {octets, discontinuity}, true, kAnyColumn},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DiscontinuityColumn(c.targets, c.listLayout), c.column) << c.why;

    const TResultCell counter = ReadTwice("1.3.6.1.2.1.31.1.1.1.6.3", kC64, "0", "12500000");
    const TResultCell reset = ReadTwice("1.3.6.1.2.1.31.1.1.1.19.3", snmptype::kTimeTicks, "500", "1900");
    const TResultCell same = ReadTwice("1.3.6.1.2.1.31.1.1.1.19.3", snmptype::kTimeTicks, "500", "500");
    // The column said, a wrong one (another cell there) and the search agree.
    for (const QVector<TResultCell>& row :
         {QVector{counter, reset}, QVector{counter, same}, QVector{reset, counter}}) {
        for (const qsizetype column : {qsizetype{0}, qsizetype{1}, kAnyColumn})
            EXPECT_EQ(CountersDiscontinued(row, column), CountersDiscontinued(row)) << column;
    }
    EXPECT_TRUE(CountersDiscontinued({counter, reset}, 1));
    EXPECT_FALSE(CountersDiscontinued({counter, reset}, kNoColumn));  // told that no cell can hold it
}
