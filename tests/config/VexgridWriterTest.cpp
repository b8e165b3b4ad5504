#include "core/Defaults.h"
#include "config/VexgridLoader.h"
#include "config/VexgridWriter.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct TTarget {
    QString oid;
    QString instance;
};

struct TViewCase {
    const char* why;
    QString title;
    QString host;
    QString community;
    int port;
    int version;
    QList<TTarget> targets;
    QString mask;
    QString preferredInstance;
    int parallel = 1;
};

// The settings a view of `c` runs with, as the New View dialog makes them.
TSessionSettings SettingsOf(const TViewCase& c)
{
    TSessionSettings s;
    ApplyDefaultSettings(s);
    s.programTitle = c.title;
    s.windowWidth = 812;
    s.windowHeight = 517;
    s.requestTemplate.pollSeconds = 1;
    s.requestTemplate.remoteHost = c.host;
    s.requestTemplate.community = c.community;
    s.requestTemplate.remotePort = c.port;
    s.requestTemplate.snmpVersion = c.version;
    for (const TTarget& t : c.targets) {
        s.targetOids.append(t.oid);
        s.requestTemplate.oidList += t.oid + t.instance + kItemSeparator;
        s.tableMode = s.tableMode || t.instance.isEmpty();
    }
    s.instanceMask = c.mask;
    s.preferredInstance = c.preferredInstance;
    s.parallelRequests = c.parallel;
    return s;
}

void ExpectSameView(const TSessionSettings& a, const TSessionSettings& b)
{
    EXPECT_EQ(a.programTitle, b.programTitle);
    EXPECT_EQ(a.windowWidth, b.windowWidth);
    EXPECT_EQ(a.windowHeight, b.windowHeight);
    EXPECT_EQ(a.requestTemplate.remoteHost, b.requestTemplate.remoteHost);
    EXPECT_EQ(a.requestTemplate.community, b.requestTemplate.community);
    EXPECT_EQ(a.requestTemplate.remotePort, b.requestTemplate.remotePort);
    EXPECT_EQ(a.requestTemplate.snmpVersion, b.requestTemplate.snmpVersion);
    EXPECT_EQ(a.requestTemplate.pollSeconds, b.requestTemplate.pollSeconds);
    EXPECT_EQ(a.targetOids, b.targetOids);
    EXPECT_EQ(a.requestTemplate.oidList, b.requestTemplate.oidList);
    EXPECT_EQ(a.tableMode, b.tableMode);
    EXPECT_EQ(a.instanceMask, b.instanceMask);
    EXPECT_EQ(a.preferredInstance, b.preferredInstance);
    EXPECT_EQ(a.parallelRequests, b.parallelRequests);
}

TEST(VexgridWriter, LoaderReadsBackEveryField)
{
    const TViewCase cases[] = {
        {"list of scalars, SNMPv1",
         "Box",
         "127.0.0.1",
         "tamvel",
         161,
         1,
         {{"1.3.6.1.2.1.1.1", ".0"}, {"1.3.6.1.2.1.1.5", ".0"}},
         "",
         ""},
        {"table with a mask, SNMPv2c, another port",
         "Interfaces",
         "localhost",
         "public",
         1161,
         2,
         {{"1.3.6.1.2.1.2.2.1.1", ""}, {"1.3.6.1.2.1.2.2.1.2", ""}},
         "*.5",
         "",
         4},
        {"a walked column beside a fixed instance",
         "Mixed",
         "::1",
         "c",
         16100,
         2,
         {{"1.3.6.1.2.1.2.2.1.10", ""}, {"1.3.6.1.2.1.4.20.1.1", ".10.0.0.1"}},
         "",
         ".7"},
        {"markup characters in texts",
         "a <b> & \"c\"",
         "h&h",
         "<&'\">",
         161,
         1,
         {{"1.3.6.1.2.1.1.3", ".0"}},
         "",
         ""},
        {"no targets at all", "Empty", "127.0.0.2", "x", 161, 1, {}, "RT", ""},
    };
    QTemporaryDir dir;
    for (const TViewCase& c : cases) {
        SCOPED_TRACE(c.why);
        const TSessionSettings written = SettingsOf(c);
        const QString path = dir.filePath(QStringLiteral("view.vexgrid.xml"));
        ASSERT_EQ(WriteVexgridFile(path, written), "");
        TSessionSettings read;
        ApplyDefaultSettings(read);
        const TVexgridLoadResult loaded = LoadVexgridSettings(path, read);
        ASSERT_TRUE(loaded.loaded) << loaded.reason.toStdString();
        ExpectSameView(read, written);
        // One request at a time is the default: the file does not name it.
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll().contains("<parallel>"), c.parallel > 1);
    }
}

TEST(VexgridWriter, ExportTargetIsNoPartOfTheFile)
{
    TSessionSettings s;
    ApplyDefaultSettings(s);
    ApplyDefaultTarget(s);
    s.exportPath = QStringLiteral("/tmp/secret-export.csv");
    EXPECT_FALSE(VexgridFileText(s).contains("secret-export"));
}

TEST(VexgridWriter, UnwritableFolderGivesTheReason)
{
    TSessionSettings s;
    ApplyDefaultSettings(s);
    QTemporaryDir dir;
    EXPECT_NE(WriteVexgridFile(dir.filePath(QStringLiteral("no/such/folder/v.xml")), s), "");
}

}  // namespace
