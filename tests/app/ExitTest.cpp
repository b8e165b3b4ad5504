// Every way out ends the program, and within 2 s: SIGTERM and SIGINT (also
// while a start-up message box is open), its window destroyed by another
// client, and its X connection killed. The real program runs under a private
// Xvfb started for this suite.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

namespace {

// The limit the program keeps to for every way out.
constexpr int kExitWithinMs = 2000;
const QString kTitle = QStringLiteral("ExitProbe");
const QString kCaption = kTitle + QStringLiteral(" - Host: localhost");

class Exit : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        xvfb = std::make_unique<QProcess>();
        // -displayfd 1: the server picks a free display and prints its number.
        xvfb->start(QStringLiteral("Xvfb"),
                    {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                     QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                     QStringLiteral("1024x768x24")});
        if (xvfb->waitForStarted(5000) && xvfb->waitForReadyRead(10000))
            display = QStringLiteral(":") + QString::fromLatin1(xvfb->readLine().trimmed());
    }
    static void TearDownTestSuite()
    {
        xvfb->terminate();
        xvfb->waitForFinished(5000);
        xvfb.reset();
    }

    void SetUp() override
    {
        ASSERT_FALSE(display.isEmpty()) << "Xvfb did not start (package xvfb)";
        ASSERT_TRUE(dir.isValid());
        QFile file(dir.filePath(QStringLiteral("probe.xml")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        // No targets: the window runs and nothing is sent.
        file.write("<vexgrid><programtitle>ExitProbe</programtitle></vexgrid>");
    }

    QProcessEnvironment Environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        return env;
    }

    // Starts the program with a vexgrid file.
    void Start(const QString& file)
    {
        program.setProcessEnvironment(Environment());
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QStringLiteral(VEXGRID_PROGRAM), {QStringLiteral("/XML"), file});
        ASSERT_TRUE(program.waitForStarted(5000));
    }
    QString ProbeFile() const { return dir.filePath(QStringLiteral("probe.xml")); }

    // Runs the window tool: find, destroy or kill the window titled `title`.
    bool Window(const QString& title, const char* action)
    {
        QProcess tool;
        tool.setProcessEnvironment(Environment());
        tool.start(QStringLiteral(VEXGRID_XWINDOW), {title, QString::fromLatin1(action)});
        return tool.waitForFinished(15000) && tool.exitCode() == 0;
    }

    // Whether the program ended within the limit; it is killed otherwise.
    bool EndsInTime()
    {
        if (program.waitForFinished(kExitWithinMs))
            return true;
        program.kill();
        program.waitForFinished(5000);
        return false;
    }

    static inline std::unique_ptr<QProcess> xvfb;
    static inline QString display;
    QTemporaryDir dir;
    QProcess program;
};

TEST_F(Exit, SigtermAndSigintCloseTheWindowAndEndTheProgram)
{
    for (const int signalNumber : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signalNumber == SIGTERM ? "SIGTERM" : "SIGINT");
        Start(ProbeFile());
        ASSERT_TRUE(Window(kCaption, "find")) << "the window never appeared";
        ::kill(static_cast<pid_t>(program.processId()), signalNumber);
        ASSERT_TRUE(EndsInTime());
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "ended by the signal, not by itself";
        EXPECT_EQ(program.exitCode(), 0);
    }
}

TEST_F(Exit, SigtermWhileTheStartupMessageIsOpenEndsTheProgram)
{
    Start(QStringLiteral(VEXGRID_TEST_DATA "/broken.xml"));
    // The parser message box carries the program's name as its title.
    ASSERT_TRUE(Window(QStringLiteral("HB_Vexgrid"), "find")) << "the message box never appeared";
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(EndsInTime());
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}

TEST_F(Exit, WindowDestroyedByAnotherClientEndsTheProgram)
{
    Start(ProbeFile());
    ASSERT_TRUE(Window(kCaption, "destroy"));
    ASSERT_TRUE(EndsInTime()) << "the program runs on without its window";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}

TEST_F(Exit, KilledXConnectionEndsTheProgram)
{
    Start(ProbeFile());
    ASSERT_TRUE(Window(kCaption, "kill"));
    ASSERT_TRUE(EndsInTime());
    // The display is gone: the exit code is the platform's, not ours.
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "a crash, not an exit";
}

}  // namespace
