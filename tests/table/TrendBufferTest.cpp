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
