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

TEST(TrapOptions, SnmpV3UsersOfTheCommandLine)
{
    struct {
        QStringList args;
        QVector<TTrapUser> users;
        int warnings;
        const char* why;
    } const cases[] = {
        {{"--trap-user", "ops"}, {{"ops", 0, 0, "", 0, ""}}, 0, "a user without security"},
        {{"--trap-user", "ops", "--trap-auth", "SHA-256:pass:with:colons"},
         {{"ops", 1, 4, "pass:with:colons", 0, ""}},
         0,
         "the password is all after the first colon"},
        {{"--TRAP-USER", "a", "--trap-priv", "aes256:privpass", "--trap-auth", "md5:authpass", "--trap-user",
          "b"},
         {{"a", 2, 1, "authpass", 4, "privpass"}, {"b", 0, 0, "", 0, ""}},
         0,
         "switches belong to the user before them, in any order and letter case"},
        {{"--trap-auth", "sha:authpass"}, {}, 1, "no user before it"},
        {{"--trap-user", "a", "--trap-auth", "sha3:authpass"},
         {{"a", 0, 0, "", 0, ""}},
         1,
         "unknown protocol"},
        {{"--trap-user", "a", "--trap-priv", "aes"}, {{"a", 0, 0, "", 0, ""}}, 1, "no colon, no password"},
        {{"--trap-user"}, {}, 1, "a user without its name"},
    };
    for (const auto& c : cases) {
        const TTrapOptions options = ParseTrapOptions(c.args);
        EXPECT_EQ(options.users, c.users) << c.why;
        EXPECT_EQ(options.warnings.size(), c.warnings) << c.why;
    }
    EXPECT_FALSE(TrapUserProblem({"a", 2, 4, "long enough", 2, "short"}).isEmpty())
        << "privacy password of 5";
    EXPECT_TRUE(TrapUserProblem({"a", 2, 4, "long enough", 2, "long enough"}).isEmpty());
}
