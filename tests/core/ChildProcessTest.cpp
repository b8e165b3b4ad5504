// The child process the MIB loader runs its reader in: input and output pass
// whole in both directions at once, every way of ending is told apart, and a
// child that stops reading or never ends cannot hang or kill the parent.
#include "core/ChildProcess.h"

#include <gtest/gtest.h>

namespace {

TEST(ChildProcess, TellsHowTheChildEndedAndWhatItWrote)
{
    const QByteArray unread(4 * 1024 * 1024, 'x');  // written to a closed socket: no SIGPIPE for us
    const struct {
        const char* script;
        TChildProcess::TErrors errors;
        bool crashed;
        int exitCode;
        const char* output;
    } cases[] = {
        {"echo out; echo err >&2; exit 3", TChildProcess::TErrors::Discarded, false, 3, "out\n"},
        {"echo out; echo err >&2", TChildProcess::TErrors::MergedIntoOutput, false, 0, "out\nerr\n"},
        {"kill -SEGV $$", TChildProcess::TErrors::Discarded, true, -1, ""},
    };
    for (const auto& c : cases) {
        TChildProcess child;
        ASSERT_TRUE(child.Start(QStringLiteral("/bin/sh"),
                                {QStringLiteral("-c"), QString::fromLatin1(c.script)}, c.errors));
        child.Write(unread);
        child.CloseInput();
        ASSERT_TRUE(child.WaitForFinished(10000)) << c.script;
        EXPECT_FALSE(child.Running()) << c.script;
        EXPECT_EQ(child.Crashed(), c.crashed) << c.script;
        EXPECT_EQ(child.ExitCode(), c.exitCode) << c.script;
        EXPECT_EQ(child.TakeOutput().toStdString(), c.output) << c.script;
    }
}

TEST(ChildProcess, PassesMoreInputAndOutputThanThePipesHold)
{
    // cat writes while it still reads: a parent that wrote all its input
    // before reading would wait on a full pipe for ever.
    QByteArray input;
    for (int i = 0; input.size() < 2 * 1024 * 1024; ++i)
        input += QByteArray::number(i) + '\n';
    TChildProcess cat;
    ASSERT_TRUE(cat.Start(QStringLiteral("cat")));
    cat.Write(input);
    cat.CloseInput();
    QByteArray echoed;
    while (cat.WaitForOutput(10000))
        echoed += cat.TakeOutput();
    ASSERT_TRUE(cat.WaitForFinished(10000));
    echoed += cat.TakeOutput();
    EXPECT_EQ(echoed.size(), input.size());
    EXPECT_TRUE(echoed == input);
}

TEST(ChildProcess, ProgramsThatCannotRunOrDoNotEndLeaveNothingBehind)
{
    for (const char* program : {"/nonexistent/program", "no-such-program-here", "/dev/null"}) {
        TChildProcess child;
        EXPECT_FALSE(child.Start(QString::fromLatin1(program))) << program;
        EXPECT_FALSE(child.Error().isEmpty()) << program;
        EXPECT_FALSE(child.Running()) << program;
    }
    TChildProcess killed;
    ASSERT_TRUE(killed.Start(QStringLiteral("sleep"), {QStringLiteral("60")}));
    EXPECT_FALSE(killed.WaitForOutput(50));
    EXPECT_TRUE(killed.Running());
    killed.Kill();
    ASSERT_TRUE(killed.WaitForFinished(10000));
    EXPECT_TRUE(killed.Crashed());
    TChildProcess dropped;  // its destructor kills and reaps it, or the test never ends
    ASSERT_TRUE(dropped.Start(QStringLiteral("sleep"), {QStringLiteral("60")}));
}

}  // namespace
