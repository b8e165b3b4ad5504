// The export file is replaced as a whole: a reader polling it while the real
// window re-shoots against snmpd again and again never sees part of a table.
#include "ExportTestSupport.h"
#include "table/ResultTable.h"
#include "ui/StatusPanels.h"
#include "TSnmpdAgent.h"
#include "ui/Unit1.h"

#include <QAction>
#include <QDir>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

using namespace exporttest;

namespace {

constexpr int kReShoots = 40;
constexpr int kRounds = 20;  // each round asks the six objects below again

// Polls a file on its own thread and checks every read.
class TPollingReader {
public:
    TPollingReader(QString filePath, qsizetype recordCount) : path(std::move(filePath)), records(recordCount)
    {
        thread = std::thread([this] { Run(); });
    }
    ~TPollingReader() { Stop(); }

    void Stop()
    {
        stop = true;
        if (thread.joinable())
            thread.join();
    }

    int reads = 0;
    int badReads = 0;
    QByteArray firstBad;
    QSet<QByteArray> distinct;

private:
    void Run()
    {
        while (!stop) {
            const std::optional<QByteArray> content = ReadFile(path);
            if (!content)
                continue;  // never happens once the file exists: rename keeps it there
            ++reads;
            const std::optional<TRecords> parsed = ParseCsv(*content);
            if (!parsed || parsed->size() != records) {
                if (badReads++ == 0)
                    firstBad = *content;
            }
            distinct.insert(*content);
        }
    }

    const QString path;
    const qsizetype records;
    std::atomic<bool> stop{false};
    std::thread thread;
};

TEST(AtomicExport, ReaderNeverSeesAPartialFileDuringReShoots)
{
    // A comma and quotes in the contact make quoted fields, which a cut-off
    // file would leave open.
    vxtest::TSnmpdAgent agent({"sysContact ops, \"night\" shift", "sysLocation Lab rack 7"});
    ASSERT_TRUE(agent.Start());
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    QVector<TTarget> targets;
    for (int round = 0; round < kRounds; ++round) {
        for (int object = 1; object <= 6; ++object)  // sysDescr .. sysLocation; sysUpTime changes
            targets.append({QStringLiteral("1.3.6.1.2.1.1.%1").arg(object), QStringLiteral(".0")});
    }
    const QString plan = WriteVexgridFile(dir.path(), QStringLiteral("plan.xml"), agent.Port(),
                                          QString::fromLatin1(vxtest::TSnmpdAgent::kCommunity), targets);
    const QString csv = dir.filePath(QStringLiteral("system.csv"));
    TForm1 form({QStringLiteral("/XML"), plan, QStringLiteral("/EXPORT"), csv});
    TShootCounter shoots(form);
    ASSERT_TRUE(shoots.WaitFor(1)) << form.StatusPanels().StatusMessage().toStdString();
    const int rows = form.ResultTable().rowCount();
    ASSERT_EQ(rows, targets.size()) << "one line per value";
    ASSERT_TRUE(ParseCsv(ReadFile(csv).value_or(QByteArray())).has_value());

    TPollingReader reader(csv, rows + 1);
    for (int shoot = 2; shoot <= kReShoots + 1; ++shoot) {
        form.Widgets().Now1->trigger();
        ASSERT_TRUE(shoots.WaitFor(shoot)) << form.StatusPanels().StatusMessage().toStdString();
        ASSERT_EQ(form.ResultTable().rowCount(), rows);
    }
    reader.Stop();

    EXPECT_EQ(reader.badReads, 0) << "of " << reader.reads << " reads; first bad one:\n"
                                  << reader.firstBad.toStdString();
    EXPECT_GT(reader.reads, 0);
    EXPECT_GT(reader.distinct.size(), 1) << "the reader saw the file change (sysUpTime moves)";
    EXPECT_EQ(form.StatusPanels().StatusMessage(), QString());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral("plan.xml"), QStringLiteral("system.csv")}))
        << "no temporary file is left behind";
}

}  // namespace
