// The walker's rules without an agent: where a walk ends on sparse columns,
// the entries an "RT" mask offers, the rows a request shares, and the GetBulk
// size an agent teaches.
#include "engine/WalkRules.h"

#include <gtest/gtest.h>

#include <QMap>

TEST(WalkBounds, AnswersAreJudgedByArcsNotByText)
{
    const QString column = QStringLiteral("1.3.6.1.4.1.9.1.1");
    struct Case {
        const char* why;
        const char* asked;
        const char* answer;
        TWalkVerdict verdict;
    } cases[] = {
        {"a row of the column", "1.3.6.1.4.1.9.1.1", "1.3.6.1.4.1.9.1.1.7", TWalkVerdict::Take},
        {"column .10 shares the text, not the arcs", "1.3.6.1.4.1.9.1.1.7", "1.3.6.1.4.1.9.1.10.1",
         TWalkVerdict::Left},
        {"the end of the MIB view", "1.3.6.1.4.1.9.1.1.7", "1.3.6.1.4.1.9.1.11.1", TWalkVerdict::Left},
        {"an answer before the OID asked", "1.3.6.1.4.1.9.1.1.9", "1.3.6.1.4.1.9.1.1.8", TWalkVerdict::Loop},
        {"the previous answer again", "1.3.6.1.4.1.9.1.1.7", "1.3.6.1.4.1.9.1.1.7", TWalkVerdict::Loop},
    };
    TWalkBounds bounds;
    for (const Case& c : cases) {
        EXPECT_EQ(bounds.Check(column, QString::fromLatin1(c.answer), QString::fromLatin1(c.asked)),
                  c.verdict)
            << c.why;
    }
    EXPECT_EQ(bounds.InstanceOf(column, QStringLiteral("1.3.6.1.4.1.9.1.1.4.2"), column),
              QStringLiteral(".4.2"));
    EXPECT_EQ(bounds.InstanceOf(column, QStringLiteral("1.3.6.1.4.1.9.1.10.1"), column), std::nullopt);
    EXPECT_EQ(bounds.InstanceOf(column, column, column), std::nullopt) << "not beyond the OID asked";
}

TEST(InstanceRows, MaskEntriesAndBatchesOfRows)
{
    EXPECT_EQ(TInstanceRows::PickEntries(QStringLiteral(".10.20.30"), QStringLiteral("RT.*.RT")),
              (QStringList{QStringLiteral("10.*.10"), QStringLiteral("30.*.30")}));
    EXPECT_TRUE(TInstanceRows::PickEntries(QStringLiteral(".1"), QStringLiteral("*.RT")).isEmpty());

    TInstanceRows rows;
    for (const char* suffix : {".1", ".2", ".3"})
        rows.Add(QString::fromLatin1(suffix), TCellValue());
    EXPECT_TRUE(rows.RepeatsLast(QStringLiteral(".3")));
    rows.Rewind();
    ASSERT_TRUE(rows.Next());
    const QStringList targets{QStringLiteral("9.1"), QStringLiteral("9.2"), QStringLiteral("9.3")};
    EXPECT_EQ(rows.BeginBatch(2, targets, QLatin1Char(';')), QStringLiteral("9.2.1;9.3.1;9.2.2;9.3.2;"));
    EXPECT_TRUE(rows.NextInBatch());
    EXPECT_FALSE(rows.NextInBatch()) << "two rows per request";
    ASSERT_TRUE(rows.Next());
    EXPECT_EQ(rows.BeginBatch(2, targets, QLatin1Char(';')), QStringLiteral("9.2.3;9.3.3;"))
        << "the last row alone";
    EXPECT_FALSE(rows.Next());
}

TEST(BulkSize, StartsAtWhatTheAgentTaughtAndKeepsIt)
{
    QMap<QString, int> kept{{QStringLiteral("a"), 9}};
    TBulkSize size([&](const QString& agent) { return kept.value(agent); },
                   [&](const QString& agent, int n) { kept[agent] = n; });
    size.Begin(50, QStringLiteral("a"));
    EXPECT_EQ(size.Repetitions(), 9) << "recalled from an earlier run";
    size.Begin(5, QStringLiteral("a"));
    EXPECT_EQ(size.Repetitions(), 5) << "the file's ceiling stays the ceiling";
    size.Begin(0, QStringLiteral("a"));
    EXPECT_EQ(size.Repetitions(), 0) << "Get-Next";

    size.Begin(6, QStringLiteral("b"));
    ASSERT_TRUE(size.Halve());
    EXPECT_EQ(kept.value(QStringLiteral("b")), 3);
    ASSERT_TRUE(size.Halve());
    EXPECT_FALSE(size.Halve()) << "one repetition left: Get-Next takes over";
    size.Learn(4);
    EXPECT_EQ(size.Learned(QStringLiteral("b")), 4);
    EXPECT_EQ(kept.value(QStringLiteral("b")), 4);
    EXPECT_EQ(size.Explanation(),
              QStringLiteral("GetBulk with 4 repetitions: the agent answers at most 4 bindings"));
}
