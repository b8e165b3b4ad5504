// The result store without a window: rows keyed by instance through
// re-shoots, refills and reordering; the marks of unconfirmed readings; the
// signals readers take.
#include "engine/ResultStore.h"

#include "EventPump.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <algorithm>
#include <numeric>

namespace {

const QString kIfIndex = QStringLiteral("1.3.6.1.2.1.2.2.1.1");
const QString kIfInOctets = QStringLiteral("1.3.6.1.2.1.2.2.1.10");

class ResultStoreTest : public ::testing::Test {
protected:
    ResultStoreTest() { store.SetLayout(false, {kIfIndex, kIfInOctets}); }

    // One shoot of instances as the engine places it: a row per instance,
    // ifIndex first, then a counter that grows by n * 1000 per shoot.
    void Shoot(const QList<int>& instances, bool refill)
    {
        ++serial;
        if (!refill)
            store.BeginReshoot();
        TRowCursor cursor;
        if (refill)
            cursor.StartRefill();
        for (int n : instances) {
            cursor.BeginRow();
            const QString suffix = QStringLiteral(".%1").arg(n);
            cursor.Advance(store.Place(kIfIndex + suffix, Value(snmptype::kInteger, n), cursor, refill));
            cursor.Advance(store.Place(kIfInOctets + suffix, Value(snmptype::kCounter32, n * 1000 * serial),
                                       cursor, refill));
        }
        store.DropStaleRows();
    }

    TCellValue Value(int type, qint64 number) const
    {
        TCellValue value;
        value.type = type;
        value.text = QString::number(number);
        value.arrivedMs = serial * 1000;
        return value;
    }

    // Each row's instance and its counter's reading before, in store order.
    QStringList Rows() const
    {
        QStringList rows;
        for (const TResultRow& row : store.Rows())
            rows << row.suffix + QLatin1Char('=') + row.cells.value(1).Previous().text;
        return rows;
    }

    TResultStore store;
    int serial = 0;
};

}  // namespace

TEST_F(ResultStoreTest, RowsKeepTheirInstanceAndReadingBeforeThroughReorderAndReshoots)
{
    struct Case {
        const char* name;
        bool refill;
        QList<int> again;      // the instances of the second shoot
        QStringList expected;  // in the reversed order of the first shoot
    } cases[] = {
        {"refill", true, {1, 2, 3}, {".3=3000", ".2=2000", ".1=1000"}},
        {"reshoot", false, {1, 2, 3}, {".3=3000", ".2=2000", ".1=1000"}},
        {"instance gone", false, {1, 3}, {".3=3000", ".1=1000"}},
        {"instance new", false, {1, 2, 3, 4}, {".3=3000", ".4=", ".2=2000", ".1=1000"}},
        {"refill of an unknown instance", true, {4, 1, 2, 3}, {".3=3000", ".2=2000", ".1=1000"}},
    };
    for (const Case& c : cases) {
        store.SetLayout(false, {kIfIndex, kIfInOctets});
        serial = 0;
        Shoot({1, 2, 3}, false);
        std::vector<std::size_t> reversed(3);
        std::iota(reversed.rbegin(), reversed.rend(), std::size_t{0});
        store.Reorder(reversed);  // sorted by something else
        Shoot(c.again, c.refill);
        EXPECT_EQ(Rows(), c.expected) << c.name;
        EXPECT_EQ(store.RowOfKey(kIfIndex + QStringLiteral(".1")), c.expected.indexOf(".1=1000")) << c.name;
    }
}

TEST_F(ResultStoreTest, SilenceMarksOnlyRowsNotConfirmedSinceTheShootBegan)
{
    Shoot({1, 2}, false);
    const std::int64_t secondShootStart = 1500;
    ++serial;
    store.BeginReshoot();
    TRowCursor cursor;
    cursor.BeginRow();  // instance 2 answers again, instance 1 does not
    cursor.Advance(store.Place(kIfIndex + QStringLiteral(".2"), Value(snmptype::kInteger, 2), cursor, false));
    EXPECT_TRUE(store.MarkUnconfirmed(secondShootStart));
    QStringList stale;
    for (const TResultRow& row : store.Rows())
        stale << row.suffix + (row.cells[0].stale ? "*" : "") + (row.cells[1].stale ? "*" : "");
    EXPECT_EQ(stale, (QStringList{".1**", ".2"}));
    EXPECT_FALSE(store.MarkUnconfirmed(secondShootStart)) << "marked once";
}

TEST_F(ResultStoreTest, ReadersHearOfChangesOncePerTurnAndOfEveryShootEnd)
{
    QSignalSpy changed(&store, &TResultStore::Changed);
    QSignalSpy finished(&store, &TResultStore::ShootFinished);
    Shoot({1, 2, 3}, false);
    Shoot({1, 2, 3}, true);
    store.FinishShoot();
    EXPECT_EQ(changed.count(), 0) << "not before the event loop turns";
    vxtest::PumpFor(20);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(finished.count(), 1);
}
