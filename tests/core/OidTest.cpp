#include "core/Oid.h"

#include <gtest/gtest.h>

#include <QSet>

#include <random>
#include <unordered_set>

TEST(Oid, ParsesDottedArcsWithOrWithoutLeadingDot)
{
    const struct {
        const char* text;
        std::optional<TOid> expected;
        const char* why;
    } cases[] = {
        {"1.3.6.1", TOid{1, 3, 6, 1}, "plain"},
        {".1.5", TOid{1, 5}, "an instance suffix"},
        {"0", TOid{0}, "one arc is an OID value, if no askable one"},
        {"", TOid(), "no arcs"},
        {".", TOid(), "a lone dot is no arcs"},
        {"1.3.4294967295", TOid{1, 3, 4294967295U}, "the largest arc"},
        {"1.3.4294967296", std::nullopt, "an arc beyond 32 bits"},
        {"1..3", std::nullopt, "an empty arc"},
        {"1.3.", std::nullopt, "a trailing dot"},
        {"1.-3", std::nullopt, "a sign"},
        {"1. 3", std::nullopt, "a blank"},
        {"1.3a", std::nullopt, "a letter"},
        {"..1", std::nullopt, "two leading dots"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TOid::Parse(QString::fromLatin1(c.text)), c.expected) << c.text << ": " << c.why;
}

TEST(Oid, SubtreeTestsGoByArcsNotByText)
{
    const struct {
        const char* prefix;
        const char* oid;
        bool inside;
    } cases[] = {
        {"1.3.6.1.2.1.2.2.1.1", "1.3.6.1.2.1.2.2.1.1.7", true},
        {"1.3.6.1.2.1.2.2.1.1", "1.3.6.1.2.1.2.2.1.10.1", false},  // shares the text "…1.1"
        {"1.3.6.1.2.1.2.2.1.1", "1.3.6.1.2.1.2.2.1.11.1", false},
        {"1.3.6.1.2.1.2.2.1.1", "1.3.6.1.2.1.2.2.1.1", true},  // the root of its own subtree
        {"1.3.6.1.2.1.2.2.1.1", "1.3.6.1.2.1.2.2.1", false},   // an ancestor is outside
        {"", "1.3", true},
        {"1.3.6", "1.3.6.x", false},  // text that is no OID lies below nothing
        {"1.3.6", "1.3.6.1.", false},
    };
    for (const auto& c : cases) {
        const TOid prefix = TOid::FromText(QString::fromLatin1(c.prefix));
        const TOid oid = TOid::FromText(QString::fromLatin1(c.oid));
        EXPECT_EQ(prefix.IsPrefixOf(oid), c.inside) << c.prefix << " / " << c.oid;
        EXPECT_EQ(prefix.IsAboveText(QString::fromLatin1(c.oid)), c.inside && oid.Size() > prefix.Size())
            << c.prefix << " / " << c.oid;
        EXPECT_EQ(oid.SuffixAfter(prefix).IsEmpty(), !c.inside || oid == prefix)
            << c.prefix << " / " << c.oid;
    }
    EXPECT_EQ(TOid({1, 3, 6, 7, 2}).SuffixAfter(TOid{1, 3, 6}).ToSuffixString(), QStringLiteral(".7.2"));
    const TOid joined = TOid{1, 3} + TOid{7, 2};
    EXPECT_EQ(joined, (TOid{1, 3, 7, 2}));
}

// Random OIDs ordered as values agree with an independent reading of their
// texts, survive the trip through text, and hash equal exactly when equal.
TEST(Oid, OrderTextAndHashAgreeOnRandomOids)
{
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> length(0, 6);
    // Small arcs collide often (shared prefixes); some are large.
    std::uniform_int_distribution<TOid::TArc> arc(0, 12);
    std::uniform_int_distribution<TOid::TArc> wide(0, 4294967295U);
    std::vector<TOid> oids;
    for (int i = 0; i < 2000; ++i) {
        TOid oid;
        for (int n = length(random); n > 0; --n)
            oid.Append(random() % 8 == 0 ? wide(random) : arc(random));
        oids.push_back(oid);
    }
    const auto plainCompare = [](const TOid& a, const TOid& b) {
        const QStringList x = a.ToString().split(u'.', Qt::SkipEmptyParts);
        const QStringList y = b.ToString().split(u'.', Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < std::min(x.size(), y.size()); ++i) {
            if (x[i].toULongLong() != y[i].toULongLong())
                return x[i].toULongLong() < y[i].toULongLong() ? -1 : 1;
        }
        return x.size() == y.size() ? 0 : x.size() < y.size() ? -1 : 1;
    };
    for (std::size_t i = 1; i < oids.size(); ++i) {
        const TOid& a = oids[i - 1];
        const TOid& b = oids[i];
        const int order = std::is_lt(a <=> b) ? -1 : std::is_gt(a <=> b) ? 1 : 0;
        ASSERT_EQ(order, plainCompare(a, b))
            << a.ToString().toStdString() << " / " << b.ToString().toStdString();
        ASSERT_EQ(TOid::Parse(a.ToString()), a);
        ASSERT_EQ(TOid::Parse(a.ToSuffixString()), a);
        ASSERT_EQ(a.IsAboveText(b.ToString()), a.IsPrefixOf(b) && b.Size() > a.Size());
        if (a == b) {
            ASSERT_EQ(qHash(a), qHash(b));
        }
    }
    const std::unordered_set<TOid> distinct(oids.begin(), oids.end());
    const QSet<TOid> sameInQt(oids.begin(), oids.end());
    EXPECT_EQ(static_cast<std::size_t>(sameInQt.size()), distinct.size());
}
