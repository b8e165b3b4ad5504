// The start-up sequence without a window: arguments in, settings or the
// message to show out.
#include "config/Startup.h"

#include <gtest/gtest.h>

namespace {

const QString kData = QStringLiteral(VEXGRID_TEST_DATA);

// "@name" stands for the file of that name in the test data.
QStringList Args(std::initializer_list<const char*> args)
{
    QStringList list;
    for (const char* arg : args) {
        const QString text = QString::fromUtf8(arg);
        list.append(text.startsWith(u'@') ? kData + u'/' + text.mid(1) : text);
    }
    return list;
}

struct TStartupCase {
    const char* why;
    QStringList args;
    bool ready;
    const char* caption;  // when ready
    QSize outerSize;      // when ready
    bool tableMode;
    int targets;
    const char* exportPath;
};

}  // namespace

TEST(Startup, ArgumentsGiveTheSettingsOfTheRun)
{
    const TStartupCase cases[] = {
        {"no arguments: the defaults and the interfaces table",
         {},
         true,
         "HB_Vexgrid - Host: localhost",
         {680, 450},
         true,
         1,
         ""},
        {"switches in any case; a height out of range falls back",
         Args({"/host", "127.0.0.2", "/PROGRAMTITLE", "Box", "/Width", "800", "/HEIGHT", "5000"}),
         true,
         "Box - Host: 127.0.0.2",
         {800, 450},
         true,
         1,
         ""},
        {"a vexgrid file replaces the default target",
         Args({"/XML", "@if-table.xml"}),
         true,
         "Interfaces - Host: localhost",
         {900, 400},
         true,
         7,
         ""},
        {"a list file: every target names its instance",
         Args({"/XML", "@system-list.xml", "/EXPORT", "t.csv"}),
         true,
         "System - Host: localhost",
         {700, 300},
         false,
         6,
         "t.csv"},
        {"with /XML the other switches are ignored",
         Args({"/HOST", "elsewhere", "/XML", "@system-list.xml"}),
         true,
         "System - Host: localhost",
         {700, 300},
         false,
         6,
         ""},
        {"/XML without a file ends start-up silently, /EXPORT is kept",
         Args({"/EXPORT", "t.csv", "/XML"}),
         false,
         "",
         {},
         false,
         0,
         "t.csv"},
    };
    for (const TStartupCase& c : cases) {
        SCOPED_TRACE(c.why);
        const TStartupResult result = StartUp(c.args);
        EXPECT_EQ(result.ready, c.ready);
        EXPECT_TRUE(result.message.isEmpty()) << result.message.toStdString();
        EXPECT_EQ(result.settings.tableMode, c.tableMode);
        EXPECT_EQ(result.settings.targetOids.size(), c.targets);
        EXPECT_EQ(result.settings.exportPath, QString::fromUtf8(c.exportPath));
        if (c.ready) {
            EXPECT_EQ(result.caption, QString::fromUtf8(c.caption));
            EXPECT_EQ(result.outerSize, c.outerSize);
            EXPECT_EQ(CountSeparators(result.settings.requestTemplate.oidList), c.targets);
        }
    }
}

TEST(Startup, AFileThatCannotBeLoadedGivesTheParserMessage)
{
    const struct {
        const char* why;
        const char* file;
        const char* reason;  // part of the message after the fixed text
    } cases[] = {
        {"missing file", "@no-such-file.xml", ""},
        {"not well-formed", "@broken.xml", "(line 5, column"},
        {"wrong root element", "@vexgrid/other-root.xml", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const QString path = Args({c.file}).first();
        const TStartupResult result = StartUp({QStringLiteral("/XML"), path});
        EXPECT_FALSE(result.ready);
        const QString fixed = QStringLiteral("XML Parser error! The XML file: ") + path
                            + QStringLiteral(" could not be parsed. Error message: ");
        ASSERT_TRUE(result.message.startsWith(fixed)) << result.message.toStdString();
        EXPECT_GT(result.message.size(), fixed.size()) << "the reason is missing";
        EXPECT_TRUE(result.message.contains(QString::fromUtf8(c.reason)));
        EXPECT_TRUE(result.caption.isEmpty());
    }
}

TEST(Startup, AFailedLoadKeepsTheDefaultsAndTheExportPath)
{
    // The window shows the settings of a failed start-up; they are not empty.
    const TStartupResult result = StartUp(Args({"/XML", "@broken.xml", "/EXPORT", "t.csv"}));
    ASSERT_FALSE(result.ready);
    EXPECT_EQ(result.settings.requestTemplate.community, "tamvel");
    EXPECT_EQ(result.settings.requestTemplate.remotePort, 161);
    EXPECT_EQ(result.settings.exportPath, "t.csv");
    EXPECT_TRUE(result.settings.targetOids.isEmpty());
}
