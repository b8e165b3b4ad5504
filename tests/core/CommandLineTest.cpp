#include "core/CommandLine.h"
#include "core/Defaults.h"

#include <gtest/gtest.h>

namespace {

TSessionSettings Defaults()
{
    TSessionSettings s;
    ApplyDefaultSettings(s);
    return s;
}

TEST(Defaults, SettingsAndTargetOfARunWithoutFile)
{
    TSessionSettings s;
    ApplyDefaultSettings(s);
    EXPECT_EQ(s.programTitle, "HB_Vexgrid");
    EXPECT_EQ(s.windowWidth, 680);
    EXPECT_EQ(s.windowHeight, 450);
    EXPECT_EQ(s.requestTemplate.pollSeconds, 5);
    EXPECT_EQ(s.requestTemplate.community, "tamvel");
    EXPECT_EQ(s.requestTemplate.remoteHost, "localhost");
    EXPECT_EQ(s.requestTemplate.retriesLeft, 5);
    EXPECT_EQ(s.requestTemplate.remotePort, 161);
    EXPECT_EQ(s.requestTemplate.snmpVersion, 1);
    EXPECT_FALSE(s.tableMode);
    EXPECT_TRUE(s.targetOids.isEmpty());

    ApplyDefaultTarget(s);
    EXPECT_EQ(s.targetOids, QStringList{"1.3.6.1.2.1.2.2.1"});
    EXPECT_EQ(s.requestTemplate.oidList, QString("1.3.6.1.2.1.2.2.1") + kItemSeparator);
    EXPECT_TRUE(s.tableMode);
}

TEST(CommandLine, NoArgumentsChangeNothing)
{
    TSessionSettings s = Defaults();
    EXPECT_EQ(ParseCommandLine({}, s), "");
    EXPECT_EQ(s.requestTemplate.remoteHost, "localhost");
    EXPECT_EQ(s.programTitle, "HB_Vexgrid");
}

TEST(CommandLine, SwitchNamesMatchInAnyLetterCase)
{
    TSessionSettings s = Defaults();
    EXPECT_EQ(ParseCommandLine({"/xml", "plan.xml"}, s), "plan.xml");
    EXPECT_EQ(ParseCommandLine({"/Xml", "plan.xml"}, s), "plan.xml");

    ParseCommandLine({"/host", "127.0.0.5", "/Community", "pub", "/programTitle", "Core", "/wIdTh", "800",
                      "/height", "600"},
                     s);
    EXPECT_EQ(s.requestTemplate.remoteHost, "127.0.0.5");
    EXPECT_EQ(s.requestTemplate.community, "pub");
    EXPECT_EQ(s.programTitle, "Core");
    EXPECT_EQ(s.windowWidth, 800);
    EXPECT_EQ(s.windowHeight, 600);
}

TEST(CommandLine, XmlExcludesEveryOtherSwitch)
{
    TSessionSettings s = Defaults();
    EXPECT_EQ(ParseCommandLine({"/HOST", "127.0.0.5", "/XML", "plan.xml", "/WIDTH", "800"}, s), "plan.xml");
    EXPECT_EQ(s.requestTemplate.remoteHost, "localhost");
    EXPECT_EQ(s.windowWidth, 680);
}

TEST(CommandLine, ExportGoesWithXmlAndWithTheOtherSwitches)
{
    struct Case {
        QStringList args;
        QString exportPath;
        const char* why;
    } const cases[] = {
        {{"/XML", "plan.xml", "/EXPORT", "out.csv"}, "out.csv", "the one switch /XML does not exclude"},
        {{"/export", "out.csv", "/xml", "plan.xml"}, "out.csv", "any letter case, any position"},
        {{"/HOST", "127.0.0.5", "/Export", "t.csv"}, "t.csv", "with the other switches"},
        {{"/EXPORT", "a.csv", "/EXPORT", "b.csv"}, "a.csv", "the first occurrence counts"},
        {{"/HOST", "127.0.0.5", "/EXPORT"}, "", "without a value it is ignored"},
        {{"/EXPORT", "/XML", "plan.xml"}, "", "a switch after it is no value"},
        {{"/EXPORT", "/host", "127.0.0.5"}, "", "a switch in any letter case is no value"},
        {{"/HOST", "127.0.0.5"}, "", "absent: no export"},
    };
    for (const Case& c : cases) {
        TSessionSettings s = Defaults();
        ParseCommandLine(c.args, s);
        EXPECT_EQ(s.exportPath, c.exportPath) << c.why;
    }
}

TEST(CommandLine, XmlAsLastArgumentIsAnError)
{
    TSessionSettings s = Defaults();
    EXPECT_THROW(ParseCommandLine({"/XML"}, s), ECommandLine);
    EXPECT_THROW(ParseCommandLine({"/HOST", "127.0.0.5", "/xml"}, s), ECommandLine);
    EXPECT_EQ(s.requestTemplate.remoteHost, "localhost");
}

TEST(CommandLine, SwitchWithoutValueIsIgnored)
{
    TSessionSettings s = Defaults();
    EXPECT_EQ(ParseCommandLine({"/COMMUNITY", "pub", "/HOST"}, s), "");
    EXPECT_EQ(s.requestTemplate.remoteHost, "localhost");
    EXPECT_EQ(s.requestTemplate.community, "pub");
}

TEST(CommandLine, FirstOccurrenceOfASwitchCounts)
{
    TSessionSettings s = Defaults();
    ParseCommandLine({"/HOST", "127.0.0.5", "/host", "127.0.0.6", "/WIDTH", "900", "/WIDTH", "800"}, s);
    EXPECT_EQ(s.requestTemplate.remoteHost, "127.0.0.5");
    EXPECT_EQ(s.windowWidth, 900);
    EXPECT_EQ(ParseCommandLine({"/XML", "a.xml", "/XML", "b.xml"}, s), "a.xml");
}

TEST(CommandLine, ValueMayBeTheNameOfAnotherSwitch)
{
    TSessionSettings s = Defaults();
    ParseCommandLine({"/HOST", "/COMMUNITY", "x"}, s);
    EXPECT_EQ(s.requestTemplate.remoteHost, "/COMMUNITY");
    EXPECT_EQ(s.requestTemplate.community, "x");
}

TEST(CommandLine, SizeSwitchesGoThroughTheRangeChecks)
{
    struct {
        QStringList args;
        int width;
        int height;
    } const cases[] = {
        {{"/WIDTH", "2000", "/HEIGHT", "200"}, 2000, 200},
        {{"/WIDTH", "2001", "/HEIGHT", "1601"}, 680, 450},
        {{"/WIDTH", "299", "/HEIGHT", "199"}, 680, 450},
        {{"/WIDTH", "wide", "/HEIGHT", ""}, 680, 450},
    };
    for (const auto& c : cases) {
        TSessionSettings s = Defaults();
        ParseCommandLine(c.args, s);
        EXPECT_EQ(s.windowWidth, c.width) << c.args.join(' ').toStdString();
        EXPECT_EQ(s.windowHeight, c.height) << c.args.join(' ').toStdString();
    }
}

TEST(CommandLine, PortAndVersionCannotBeSetFromTheCommandLine)
{
    TSessionSettings s = Defaults();
    ParseCommandLine({"/PORT", "1161", "/VERSION", "2"}, s);
    EXPECT_EQ(s.requestTemplate.remotePort, 161);
    EXPECT_EQ(s.requestTemplate.snmpVersion, 1);
}

}  // namespace
