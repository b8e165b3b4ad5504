// The readings kept for trends: which cells count, as what, and how many.
#include "table/TrendBuffer.h"

#include <gtest/gtest.h>

namespace {

// One row of one cell read `texts.size()` times, a second apart.
QVector<double> TrendOf(int type, const QStringList& texts)
{
    TTrendBuffer trends;
    const QString oid = QStringLiteral("1.3.6.1.2.1.2.2.1.10.1");
    TResultRow row;
    row.cells.resize(1);
    for (int n = 0; n < texts.size(); ++n) {
        TCellValue value;
        value.type = texts[n] == "Null" ? snmptype::kNoAnswer : type;
        value.text = texts[n];
        value.arrivedMs = value.wallMs = 1000LL * (n + 1);
        value.upTime = 100LL * (n + 1);
        row.cells[0].Take(oid, value, static_cast<std::uint32_t>(n + 1));
        trends.Take({row});
        trends.Take({row});  // the same shoot again adds nothing
    }
    return trends.Readings(oid);
}

}  // namespace

TEST(TrendBuffer, KeepsNumbersAndRatesOfTheLastReadings)
{
    QStringList many;
    for (int n = 0; n < TTrendBuffer::kReadings + 5; ++n)
        many << QString::number(n * 10);
    QVector<double> lastRates(TTrendBuffer::kReadings, 10.0);
    const struct {
        const char* why;
        int type;
        QStringList texts;
        QVector<double> readings;
    } cases[] = {
        {"a gauge as read", snmptype::kGauge32, {"5", "7", "6"}, {5, 7, 6}},
        {"a counter as its rates: none for the first reading",
         snmptype::kCounter32,
         {"100", "150", "350"},
         {50, 200}},
        {"an unanswered reading adds nothing", snmptype::kGauge32, {"5", "Null", "6"}, {5, 6}},
        {"text is no trend", snmptype::kOctetString, {"eth0", "eth0"}, {}},
        {"only the last readings are kept", snmptype::kCounter32, many, lastRates},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TrendOf(c.type, c.texts), c.readings) << c.why;
}

TEST(TrendBuffer, TrendsFollowTheirOidsAcrossReorderedRowsAndCounterResets)
{
    // Two interfaces, each an octets counter and ifCounterDiscontinuityTime;
    // the rows swap places at the second shoot, interface 2's counters are
    // reset (its discontinuity time moves) at the third.
    const auto cellOf = [](const char* column, int row) {
        return QStringLiteral("1.3.6.1.2.1.%1.%2").arg(QLatin1String(column)).arg(row);
    };
    const char* const kOctets = "2.2.1.10";
    const char* const kDiscontinuity = "31.1.1.1.19";
    TResultRow interfaces[2];
    for (TResultRow& row : interfaces)
        row.cells.resize(2);
    TTrendBuffer trends;
    for (std::uint32_t shoot = 1; shoot <= 3; ++shoot) {
        for (int row = 1; row <= 2; ++row) {
            TCellValue value;
            value.arrivedMs = value.wallMs = 1000LL * shoot;
            value.type = snmptype::kCounter32;
            value.text = QString::number(100LL * row * shoot);
            auto& cells = interfaces[row - 1].cells;
            cells[0].Take(cellOf(kOctets, row), value, shoot);
            value.type = snmptype::kTimeTicks;
            value.text = QString::number(row == 2 && shoot == 3 ? 5 : 1);
            cells[1].Take(cellOf(kDiscontinuity, row), value, shoot);
        }
        trends.Take(shoot == 1 ? QVector<TResultRow>{interfaces[0], interfaces[1]}
                               : QVector<TResultRow>{interfaces[1], interfaces[0]});
    }
    EXPECT_EQ(trends.Readings(cellOf(kOctets, 1)), (QVector<double>{100, 100}));
    EXPECT_EQ(trends.Readings(cellOf(kOctets, 2)), (QVector<double>{200}));
    EXPECT_EQ(trends.Readings(cellOf(kDiscontinuity, 2)), (QVector<double>{1, 1, 5}));
}
