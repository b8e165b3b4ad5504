// Datagrams that are no answer of the agent's: junk, copies, a false answer
// from another port, a datagram cut short. The window's export file must be
// the one a well-behaved agent gives, and the status bar must count what was
// dropped, without a word in the message panel.
#include "IntegrationSupport.h"
#include "engine/ShootEngine.h"
#include "ui/StatusPanels.h"
#include "TJunkAgent.h"
#include "ui/Unit1.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kKeys = QStringLiteral("1.3.6.1.4.1.55555.9.1");
const QString kNames = QStringLiteral("1.3.6.1.4.1.55555.9.2");

const std::vector<std::pair<std::string, std::string>> kObjects = {
    {"1.3.6.1.2.1.1.5.0", "junk-box"},  {"1.3.6.1.2.1.1.6.0", "Lab rack 9"},
    {"1.3.6.1.4.1.55555.9.1.1", "k1"},  {"1.3.6.1.4.1.55555.9.1.2", "k2"},
    {"1.3.6.1.4.1.55555.9.1.3", "k3"},  {"1.3.6.1.4.1.55555.9.2.1", "one"},
    {"1.3.6.1.4.1.55555.9.2.2", "two"}, {"1.3.6.1.4.1.55555.9.2.3", "three"},
};

struct TRun {
    QByteArray csv;
    QString message;
    QString dropped;
    QString reasons;
    int requests = 0;
    int getRequests = 0;
};

// Shoots once with /EXPORT against an agent that misbehaves as asked, and
// waits until `expectedDropped` datagrams were counted (none: not waited for).
TRun Shoot(TMisbehaviour misbehaviour, const QList<TVexgridTarget>& targets,
           const std::function<int(const TJunkAgent&)>& expectedDropped)
{
    TRun run;
    TJunkAgent agent(kObjects, misbehaviour);
    if (!agent.Start()) {
        ADD_FAILURE() << "the agent does not start";
        return run;
    }
    TVexgridFiles files;
    QTemporaryDir out;
    const QString csv = out.filePath(QStringLiteral("shot.csv"));
    QStringList args = XmlArgs(files.Write("plan.xml", {agent.Port(), 2}, targets));
    args << QStringLiteral("/EXPORT") << csv;
    TForm1 form(args);
    TShootCounter shoots(form);
    ShowWindow(form);
    EXPECT_TRUE(shoots.WaitFor(1)) << form.StatusPanels().StatusMessage().toStdString();
    const int dropped = expectedDropped(agent);
    if (dropped > 0) {
        const QString expected = QStringLiteral("%1 ignored").arg(dropped);
        EXPECT_TRUE(PumpUntil([&] { return form.StatusPanels().DroppedText() == expected; }, 5000))
            << form.StatusPanels().DroppedText().toStdString() << " instead of " << dropped;
    }
    QFile file(csv);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << csv.toStdString();
    run.csv = file.readAll();
    run.message = form.StatusPanels().StatusMessage();
    run.dropped = form.StatusPanels().DroppedText();
    run.reasons = form.StatusPanels().DroppedToolTip();
    run.requests = agent.Requests();
    run.getRequests = agent.GetRequests();
    return run;
}

}  // namespace

TEST(DroppedDatagrams, ExportIsTheWellBehavedAgentsAndTheStatusBarCountsTheDropped)
{
    const QList<TVexgridTarget> table = {{kKeys, ""}, {kNames, ""}};
    const QList<TVexgridTarget> list = {{"1.3.6.1.2.1.1.5", ".0"}, {"1.3.6.1.2.1.1.6", ".0"}};
    const TRun tableBaseline = Shoot(TMisbehaviour::None, table, [](const TJunkAgent&) { return 0; });
    const TRun listBaseline = Shoot(TMisbehaviour::None, list, [](const TJunkAgent&) { return 0; });
    ASSERT_TRUE(tableBaseline.csv.contains("k3,three")) << tableBaseline.csv.toStdString();
    ASSERT_TRUE(listBaseline.csv.contains("Lab rack 9")) << listBaseline.csv.toStdString();
    EXPECT_EQ(tableBaseline.dropped, "");

    const auto everyAnswer = [](const TJunkAgent& a) { return a.Requests(); };
    const struct {
        TMisbehaviour misbehaviour;
        bool tableLayout;
        std::function<int(const TJunkAgent&)> dropped;
        bool foreign;
        const char* why;
    } cases[] = {
        {TMisbehaviour::JunkAfterEachAnswer, true, everyAnswer, false,
         "junk after each answer, instance table"},
        {TMisbehaviour::JunkAfterEachAnswer, false, everyAnswer, false,
         "junk after each answer, list layout"},
        {TMisbehaviour::BurstOfCopiesAndJunk, true, everyAnswer, false,
         "50 copies count once; the junk is dropped"},
        {TMisbehaviour::FalseAnswerFromAnotherPort, true, everyAnswer, true,
         "a false answer from another port"},
        {TMisbehaviour::FalseAnswerFromAnotherPort, false, everyAnswer, true, "the same in the list layout"},
        {TMisbehaviour::TruncatedBeforeEachRow, true, [](const TJunkAgent& a) { return a.GetRequests(); },
         false, "a truncated datagram before each row's answer"},
        {TMisbehaviour::EmptyBeforeEachAnswer, true, everyAnswer, false,
         "an empty datagram before each answer"},
        {TMisbehaviour::EmptyFromAnotherPort, false, everyAnswer, true,
         "an empty datagram from another port"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const TRun run = Shoot(c.misbehaviour, c.tableLayout ? table : list, c.dropped);
        const TRun& baseline = c.tableLayout ? tableBaseline : listBaseline;
        EXPECT_EQ(run.csv, baseline.csv);
        EXPECT_EQ(run.message, baseline.message) << "no message for a dropped datagram";
        const int dropped =
            c.misbehaviour == TMisbehaviour::TruncatedBeforeEachRow ? run.getRequests : run.requests;
        EXPECT_EQ(run.dropped, QStringLiteral("%1 ignored").arg(dropped));
        EXPECT_EQ(run.reasons, c.foreign
                                   ? QStringLiteral("0 malformed, %1 from other addresses").arg(dropped)
                                   : QStringLiteral("%1 malformed, 0 from other addresses").arg(dropped));
    }
}
