// The trap switches of the command line.
#include "traps/TrapOptions.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

TEST(TrapOptions, SwitchesOfTheCommandLine)
{
    struct {
        QStringList args;
        bool openWindow;
        int port;
        const char* log;
        int warnings;
        const char* why;
    } const cases[] = {
        {{}, false, 0, "", 0, "nothing asked"},
        {{"/XML", "a.xml", "/traps"}, true, 0, "", 0, "/TRAPS in any letter case, beside /XML"},
        {{"--TRAP-PORT", "10162", "--trap-log", "t.csv"}, false, 10162, "t.csv", 0, "port and log"},
        {{"--trap-port", "0"}, false, 0, "", 1, "port 0 is refused"},
        {{"--trap-port", "65536"}, false, 0, "", 1, "past the last port"},
        {{"--trap-port", "x"}, false, 0, "", 1, "no number"},
        {{"--trap-log"}, false, 0, "", 1, "a log without its file"},
    };
    for (const auto& c : cases) {
        const TTrapOptions options = ParseTrapOptions(c.args);
        EXPECT_EQ(options.openWindow, c.openWindow) << c.why;
        EXPECT_EQ(options.port, c.port) << c.why;
        EXPECT_EQ(options.logPath, QString::fromLatin1(c.log)) << c.why;
        EXPECT_EQ(options.warnings.size(), c.warnings) << c.why;
    }
}
