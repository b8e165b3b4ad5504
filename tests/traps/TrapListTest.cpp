// The list of received notifications: newest on top, bounded, batched, paused
// and filtered.
#include "traps/TrapList.h"

#include <QSignalSpy>

#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace {

TTrapRecord Named(const QString& name, int port = 1000)
{
    TTrapRecord record;
    record.address = QStringLiteral("127.0.0.1");
    record.port = port;
    record.name = name;
    record.bindings = {{QStringLiteral("1.3.6.1.2.1.2.2.1.1.7"), QStringLiteral("ifIndex.7"), 0x02,
                        QStringLiteral("7"), QString()}};
    return record;
}

class TrapListTest : public ::testing::Test {
protected:
    static constexpr int kCapacity = 3;
    TTrapList list{nullptr, kCapacity};

    void Receive(std::initializer_list<const char*> names)
    {
        for (const char* name : names)
            list.Append(Named(QString::fromLatin1(name)));
    }
    QStringList Shown() const
    {
        QStringList names;
        for (int row = 0; row < list.rowCount(); ++row)
            names.append(list.Record(row).name);
        return names;
    }
};

}  // namespace

TEST_F(TrapListTest, BatchIsOneInsertionNewestOnTop)
{
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    Receive({"coldStart", "linkDown"});
    EXPECT_EQ(list.rowCount(), 0) << "nothing shows before the batch is taken in";
    list.Flush();
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(Shown(), QStringList({"linkDown", "coldStart"}));
}

TEST_F(TrapListTest, PauseHoldsAndOldestAreDroppedAndCountedBeyondCapacity)
{
    struct {
        bool paused;
        const char* why;
    } const cases[] = {{false, "dropped from the list"}, {true, "dropped from the queue while paused"}};
    for (const auto& c : cases) {
        list.Clear();
        list.SetPaused(c.paused);
        Receive({"a", "b"});
        list.Flush();
        Receive({"c", "d", "e"});
        list.Flush();
        EXPECT_EQ(list.rowCount(), c.paused ? 0 : kCapacity) << "a pause holds them back";
        list.SetPaused(false);
        EXPECT_EQ(Shown(), QStringList({"e", "d", "c"})) << c.why;
        EXPECT_EQ(list.Received(), 5) << c.why;
        EXPECT_EQ(list.Dropped(), 2) << c.why;
    }
}

TEST_F(TrapListTest, FilterMatchesSourceNameAndBindings)
{
    list.Append(Named(QStringLiteral("linkDown"), 5001));
    list.Append(Named(QStringLiteral("coldStart"), 5002));
    list.Flush();
    TTrapFilter filter(&list);
    struct {
        const char* text;
        int rows;
        const char* why;
    } const cases[] = {
        {"", 2, "no filter"},         {"LINKdown", 1, "name, any letter case"},
        {":5002", 1, "source port"},  {"ifIndex.7=7", 2, "binding text"},
        {"warmStart", 0, "no match"},
    };
    for (const auto& c : cases) {
        filter.SetText(QString::fromLatin1(c.text));
        EXPECT_EQ(filter.rowCount(), c.rows) << c.why;
    }
    filter.SetText(QStringLiteral("cold"));
    EXPECT_EQ(filter.Record(0).name, "coldStart");
}
