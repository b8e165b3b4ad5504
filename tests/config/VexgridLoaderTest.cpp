#include "core/Defaults.h"
#include "core/OidText.h"
#include "config/VexgridLoader.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString us(kItemSeparator);

QString DataFile(const char* name) { return QStringLiteral(VEXGRID_TEST_DATA "/") + QLatin1String(name); }

// Loads a file over the defaults, as start-up does.
struct TLoaded {
    TSessionSettings settings;
    TVexgridLoadResult result;
};

TLoaded Load(const char* name)
{
    TLoaded loaded;
    ApplyDefaultSettings(loaded.settings);
    loaded.result = LoadVexgridSettings(DataFile(name), loaded.settings);
    return loaded;
}

TEST(VexgridLoader, EmptyRootKeepsTheDefaults)
{
    const TLoaded l = Load("vexgrid/empty-root.xml");
    ASSERT_TRUE(l.result.loaded) << l.result.reason.toStdString();
    const TSessionSettings& s = l.settings;
    EXPECT_EQ(s.programTitle, "HB_Vexgrid");
    EXPECT_EQ(s.requestTemplate.remoteHost, "localhost");
    EXPECT_EQ(s.requestTemplate.community, "tamvel");
    EXPECT_EQ(s.windowWidth, 680);
    EXPECT_EQ(s.windowHeight, 450);
    EXPECT_EQ(s.requestTemplate.remotePort, 161);
    EXPECT_EQ(s.requestTemplate.snmpVersion, 1);
    EXPECT_EQ(s.requestTemplate.pollSeconds, 1);
    EXPECT_TRUE(s.targetOids.isEmpty());
    EXPECT_EQ(s.requestTemplate.oidList, "");
    EXPECT_FALSE(s.tableMode);
}

TEST(VexgridLoader, IntegerElementsGoThroughTheRangeChecks)
{
    struct {
        const char* file;
        int width, height, port, version;
    } const cases[] = {
        {"vexgrid/bounds-below.xml", 680, 450, 161, 1},  // 299, 199, 0, 0
        {"vexgrid/bounds-lower.xml", 300, 200, 1, 1},    // lowest valid values
        {"vexgrid/bounds-upper.xml", 2000, 1600, 65535, 2},
        {"vexgrid/bounds-above.xml", 680, 450, 161, 1},   // 2001, 1601, 65536, 4
        {"vexgrid/bounds-text.xml", 680, 450, 161, 1},    // not numbers
        {"vexgrid/bounds-empty.xml", 680, 450, 161, 1},   // empty elements
        {"vexgrid/bounds-blanks.xml", 800, 450, 161, 1},  // " 800 ", 5e2, 0x10, overflow
        {"vexgrid/integer-holds-element.xml", 680, 450, 161, 1},
    };
    for (const auto& c : cases) {
        const TLoaded l = Load(c.file);
        ASSERT_TRUE(l.result.loaded) << c.file << ": " << l.result.reason.toStdString();
        EXPECT_EQ(l.settings.windowWidth, c.width) << c.file;
        EXPECT_EQ(l.settings.windowHeight, c.height) << c.file;
        EXPECT_EQ(l.settings.requestTemplate.remotePort, c.port) << c.file;
        EXPECT_EQ(l.settings.requestTemplate.snmpVersion, c.version) << c.file;
    }
}

TEST(VexgridLoader, NormalisedOidDecidesDirectiveOrTarget)
{
    const struct {
        const char* oid;
        const char* normalised;
    } cases[] = {
        {"im=rt.1", "&IM=RT.1"},  // lower case keyword
        {"&IM=RT", "&IM=RT"},     // "&&IM=" folds back to "&IM="
        {"AL=RT", "&AL=RT"},
        {"al=rt", "&AL=RT"},
        {"1.3.6.1IM=5", "1.3.6.1&IM=5"},  // keyword inside: still a target
        {"1.3&&&6", "1.3&&6"},            // non-overlapping: three become two
        {"&&&", "&&"},
        {"formula(x)", "&Formula(X)"},
        {"1.3.6.1.2.1.1.5", "1.3.6.1.2.1.1.5"},
        {"ä.im=", "ä.&IM="},  // only ASCII letters change
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormaliseTargetOid(QString::fromUtf8(c.oid)), QString::fromUtf8(c.normalised)) << c.oid;
}

TEST(VexgridLoader, DirectiveIsNotAColumn)
{
    const TLoaded l = Load("vexgrid/directives.xml");
    ASSERT_TRUE(l.result.loaded) << l.result.reason.toStdString();
    const TSessionSettings& s = l.settings;
    EXPECT_EQ(s.instanceMask, "RT.1");
    EXPECT_EQ(s.targetOids,
              (QStringList{"1.3.6.1.2.1.2.2.1.1", "1.3.6.1.2.1.2.2.1.2", ".1.3.6.1.2.1.2.2.1.3"}));
    EXPECT_EQ(s.requestTemplate.oidList,
              "1.3.6.1.2.1.2.2.1.1" + us + "1.3.6.1.2.1.2.2.1.2.1" + us + ".1.3.6.1.2.1.2.2.1.3.3" + us);
    // The first target has no instance; the directive's instance changes nothing.
    EXPECT_TRUE(s.tableMode);
}

// A vexgrid file with the given shootertarget entries (oid, instance).
QString WriteTargets(const QTemporaryDir& dir, const QList<QPair<QString, QString>>& entries)
{
    QString xml = QStringLiteral("<vexgrid><shooter><shootertargets>");
    for (const auto& [oid, instance] : entries)
        xml += QStringLiteral("<shootertarget><oid>%1</oid><instance>%2</instance></shootertarget>")
                   .arg(oid.toHtmlEscaped(), instance.toHtmlEscaped());
    xml += QStringLiteral("</shootertargets></shooter></vexgrid>");
    const QString path = dir.filePath(QStringLiteral("targets.xml"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(xml.toUtf8()) < 0)
        ADD_FAILURE() << "cannot write " << path.toStdString();
    return path;
}

TEST(VexgridLoader, TargetThatIsNoOidRefusesTheFile)
{
    const struct {
        const char* oid;
        const char* instance;
        const char* reason;  // empty: the file loads
        const char* why;
    } cases[] = {
        {"1.3.6.1.2.1.1.5", ".0", "", "a plain OID and instance"},
        {".1.3.6.1.2.1.1.5", ".0", "", "a leading dot as before"},
        {"1.3", "", "", "two sub-identifiers are the least"},
        {"2.999.4294967295", "", "", "under arc 2 the second is free; 32 bits at most"},
        {"1.39", "", "", "the highest second arc under 1"},
        {"1.3.6.1.2.1.2.2.1.1.", "", "Target 2: '1.3.6.1.2.1.2.2.1.1.' is not an OID", "a trailing dot"},
        {"1.3..6", "", "Target 2: '1.3..6' is not an OID", "an empty sub-identifier"},
        {"abc", "", "Target 2: 'abc' is not an OID", "letters"},
        {"1.3.6.1IM=5", ".2", "Target 2: '1.3.6.1IM=5.2' is not an OID", "a keyword inside is no directive"},
        {"1.3.6.1.2.1.1.5", "0x", "Target 2: '1.3.6.1.2.1.1.50x' is not an OID", "the instance counts too"},
        {"1", "", "Target 2: '1' is not an OID", "one sub-identifier"},
        {"3.1", "", "Target 2: '3.1' is not an OID", "first arc above 2"},
        {"0.40", "", "Target 2: '0.40' is not an OID", "second arc above 39 under 0"},
        {"1.3.6.4294967296", "", "Target 2: '1.3.6.4294967296' is not an OID",
         "a sub-identifier over 32 bits"},
        {"1.3.-6", "", "Target 2: '1.3.-6' is not an OID", "a sign"},
        {" 1.3.6", "", "Target 2: ' 1.3.6' is not an OID", "a blank"},
        {"..1.3", "", "Target 2: '..1.3' is not an OID", "two leading dots"},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        // A directive comes first: entries are counted with the directives.
        const QString path = WriteTargets(dir, {{QStringLiteral("IM=RT"), QString()},
                                                {QString::fromUtf8(c.oid), QString::fromUtf8(c.instance)}});
        TSessionSettings settings;
        const TVexgridLoadResult r = LoadVexgridSettings(path, settings);
        EXPECT_EQ(r.loaded, *c.reason == 0) << c.why;
        EXPECT_EQ(r.reason, QString::fromUtf8(c.reason)) << c.why;
    }
    // A target of 129 sub-identifiers, and one of 128.
    const QString longOid = QStringLiteral("1.3") + QStringLiteral(".1").repeated(kMaxOidArcs - 2);
    TSessionSettings settings;
    EXPECT_TRUE(LoadVexgridSettings(WriteTargets(dir, {{longOid, QString()}}), settings).loaded);
    EXPECT_EQ(LoadVexgridSettings(WriteTargets(dir, {{longOid, QStringLiteral(".1")}}), settings).reason,
              QStringLiteral("Target 1: '%1.1' is not an OID").arg(longOid));
}

TEST(VexgridLoader, LaterDirectiveReplacesTheMask)
{
    const TLoaded l = Load("vexgrid/directive-last-wins.xml");
    ASSERT_TRUE(l.result.loaded) << l.result.reason.toStdString();
    EXPECT_EQ(l.settings.instanceMask, "RT.7");
    EXPECT_EQ(l.settings.targetOids, QStringList{"1.3.6.1.2.1.1.5"});
    // Directives without an instance do not switch on table mode.
    EXPECT_FALSE(l.settings.tableMode);
}

TEST(VexgridLoader, InstanceIsAppendedUnchanged)
{
    const TLoaded l = Load("vexgrid/instances.xml");
    ASSERT_TRUE(l.result.loaded);
    EXPECT_EQ(l.settings.requestTemplate.oidList, "1.3.6.1.2.1.1.5.0" + us + "1.3.6.1.2.1.1.50" + us);
    EXPECT_EQ(l.settings.targetOids, (QStringList{"1.3.6.1.2.1.1.5", "1.3.6.1.2.1.1.5"}));
    EXPECT_FALSE(l.settings.tableMode);
}

TEST(VexgridLoader, TargetWithoutInstanceSwitchesOnTableMode)
{
    const TLoaded l = Load("vexgrid/table-mode.xml");
    ASSERT_TRUE(l.result.loaded);
    EXPECT_TRUE(l.settings.tableMode);
    EXPECT_EQ(l.settings.requestTemplate.oidList,
              "1.3.6.1.2.1.2.2.1.2.1" + us + "1.3.6.1.2.1.2.2.1.2.2" + us + "1.3.6.1.2.1.2.2.1.5" + us);
    EXPECT_EQ(l.settings.targetOids.size(), 3);
}

TEST(VexgridLoader, EntryWithoutOidIsSkipped)
{
    const TLoaded l = Load("vexgrid/empty-oid.xml");
    ASSERT_TRUE(l.result.loaded) << l.result.reason.toStdString();
    EXPECT_EQ(l.settings.targetOids, (QStringList{"1.3.6.1.2.1.1.5", "1.3.6.1.2.1.1.6"}));
    EXPECT_EQ(l.settings.requestTemplate.oidList, "1.3.6.1.2.1.1.5.0" + us + "1.3.6.1.2.1.1.6.0" + us);
    EXPECT_FALSE(l.settings.tableMode);  // the skipped entries have no instance
    EXPECT_EQ(l.settings.instanceMask, "");
}

TEST(VexgridLoader, FirstOfDuplicateElementsCounts)
{
    const TLoaded l = Load("vexgrid/duplicates.xml");
    ASSERT_TRUE(l.result.loaded);
    EXPECT_EQ(l.settings.requestTemplate.remoteHost, "127.0.0.5");
    EXPECT_EQ(l.settings.programTitle, "First");
    EXPECT_EQ(l.settings.windowWidth, 800);
    EXPECT_EQ(l.settings.requestTemplate.remotePort, 1161);
    EXPECT_EQ(l.settings.requestTemplate.oidList, "1.3.6.1.2.1.1.5.0" + us);
}

TEST(VexgridLoader, ElementsInTheWrongPlaceOrCaseAreNotRead)
{
    const TLoaded l = Load("vexgrid/wrong-place.xml");
    ASSERT_TRUE(l.result.loaded);
    EXPECT_EQ(l.settings.requestTemplate.remoteHost, "localhost");
    EXPECT_EQ(l.settings.requestTemplate.community, "tamvel");
    EXPECT_EQ(l.settings.preferredInstance, "");
    // Only the shootertarget under shooter/shootertargets is a target.
    EXPECT_EQ(l.settings.targetOids, QStringList{"1.3.6.1.2.1.1.5"});
}

TEST(VexgridLoader, EscapedTextAndCdataAreText)
{
    const TLoaded l = Load("vexgrid/escaped-text.xml");
    ASSERT_TRUE(l.result.loaded) << l.result.reason.toStdString();
    EXPECT_EQ(l.settings.requestTemplate.community, "pub&lic");
    EXPECT_EQ(l.settings.programTitle, "<Core>");
}

TEST(VexgridLoader, RealisticFilesLoad)
{
    const TLoaded list = Load("system-list.xml");
    ASSERT_TRUE(list.result.loaded) << list.result.reason.toStdString();
    EXPECT_FALSE(list.settings.tableMode);
    EXPECT_EQ(list.settings.targetOids.size(), 6);
    EXPECT_EQ(CountSeparators(list.settings.requestTemplate.oidList), 6);
    EXPECT_TRUE(list.settings.requestTemplate.oidList.startsWith("1.3.6.1.2.1.1.1.0" + us));

    const TLoaded table = Load("if-table.xml");
    ASSERT_TRUE(table.result.loaded) << table.result.reason.toStdString();
    EXPECT_TRUE(table.settings.tableMode);
    EXPECT_EQ(table.settings.targetOids.size(), 7);
    EXPECT_EQ(table.settings.targetOids.first(), "1.3.6.1.2.1.2.2.1.1");
    EXPECT_EQ(table.settings.requestTemplate.snmpVersion, 2);
}

TEST(VexgridLoader, UnreadableFilesFailWithAReason)
{
    const struct {
        const char* file;
        const char* reasonPart;  // part of the reason that must be there
    } cases[] = {
        {"broken.xml", "(line 5, column"},  // mismatched end tag
        {"vexgrid/unclosed.xml", "(line"},  // ends inside the root
        {"vexgrid/empty-file.xml", "(line"},
        {"vexgrid/plain-text.xml", "(line"},
        {"vexgrid/two-roots.xml", "(line 2"},
        {"vexgrid/namespace-default.xml", "urn:hollbrae:vexgrid"},
        {"vexgrid/namespace-prefix.xml", "urn:hollbrae:vexgrid"},
        {"vexgrid/other-root.xml", "vexgrids"},
        {"vexgrid/root-wrong-case.xml", "Vexgrid"},
        {"vexgrid/value-holds-element.xml", "Element does not contain a single text node"},
        {"vexgrid/no-such-file.xml", ""},
        {"vexgrid", "Not a regular file"},  // a folder
    };
    for (const auto& c : cases) {
        const TLoaded l = Load(c.file);
        EXPECT_FALSE(l.result.loaded) << c.file;
        EXPECT_FALSE(l.result.reason.isEmpty()) << c.file;
        EXPECT_TRUE(l.result.reason.contains(QLatin1String(c.reasonPart)))
            << c.file << ": " << l.result.reason.toStdString();
    }
}

TEST(VexgridLoader, DeviceIsRefusedInsteadOfReadForEver)
{
    TSessionSettings s;
    const TVexgridLoadResult r = LoadVexgridSettings("/dev/zero", s);
    EXPECT_FALSE(r.loaded);
    EXPECT_EQ(r.reason, "Not a regular file");
}

TEST(VexgridLoader, SettingsReadBeforeAFailureKeepTheirValues)
{
    const TLoaded l = Load("vexgrid/value-holds-element.xml");
    EXPECT_FALSE(l.result.loaded);
    EXPECT_EQ(l.settings.programTitle, "Kept");
    EXPECT_EQ(l.settings.requestTemplate.remoteHost, "localhost");
}

TEST(VexgridLoader, ParserMessageJoinsPathAndReason)
{
    EXPECT_EQ(VexgridParserMessage("plan.xml", "bad"),
              "XML Parser error! The XML file: plan.xml could not be parsed. Error message: bad");
}

}  // namespace

TEST(VexgridLoader, MibsListsEveryMibPathInOrder)
{
    const TLoaded l = Load("vexgrid/mibs.xml");
    ASSERT_TRUE(l.result.loaded) << l.result.reason.toStdString();
    // Blanks around a path go, empty entries and entries holding elements
    // are passed over, and a mibs outside the root is not read.
    EXPECT_EQ(l.settings.mibPaths,
              (QStringList{"/opt/vendor/mibs", "~relative/ACME-MIB.txt", "/opt/with & amp"}));
    EXPECT_EQ(l.settings.requestTemplate.remoteHost, "127.0.0.1");
    EXPECT_TRUE(Load("vexgrid/empty-root.xml").settings.mibPaths.isEmpty());
}

namespace {

// Loads an SNMPv2c file whose <shooter> holds `element`, over the settings
// an earlier file left.
TSessionSettings LoadShooterElement(const QTemporaryDir& dir, const QByteArray& element)
{
    const QString path = dir.filePath(QStringLiteral("view.xml"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("<vexgrid><shooter><snmpversion>2</snmpversion>" + element + "</shooter></vexgrid>");
    file.close();
    TSessionSettings settings;
    ApplyDefaultSettings(settings);
    settings.maxRepetitions = 77;  // what an earlier file left
    settings.parallelRequests = 5;
    const TVexgridLoadResult result = LoadVexgridSettings(path, settings);
    EXPECT_TRUE(result.loaded) << element.toStdString();
    return settings;
}

}  // namespace

TEST(VexgridLoader, ParallelOutsideOneToEightIsOneRequestAtATime)
{
    struct {
        const char* element;  // inside <shooter>
        int expected;
    } const cases[] = {
        {"", 1},  // absent
        {"<parallel>4</parallel>", 4},
        {"<parallel> 8 </parallel>", 8},
        {"<parallel>1</parallel>", 1},
        {"<parallel>0</parallel>", 1},
        {"<parallel>9</parallel>", 1},
        {"<parallel>-3</parallel>", 1},
        {"<parallel>four</parallel>", 1},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const auto& c : cases)
        EXPECT_EQ(LoadShooterElement(dir, c.element).parallelRequests, c.expected) << c.element;
}

TEST(VexgridLoader, MaxRepetitionsOutsideOneToThousandKeepsGetNext)
{
    struct {
        const char* why;
        const char* element;  // inside <shooter>
        int expected;
    } const cases[] = {
        {"absent", "", 0},
        {"in range", "<maxrepetitions>25</maxrepetitions>", 25},
        {"lowest", "<maxrepetitions>1</maxrepetitions>", 1},
        {"highest, blanks around", "<maxrepetitions> 1000 </maxrepetitions>", 1000},
        {"zero", "<maxrepetitions>0</maxrepetitions>", 0},
        {"above", "<maxrepetitions>1001</maxrepetitions>", 0},
        {"negative", "<maxrepetitions>-4</maxrepetitions>", 0},
        {"no number", "<maxrepetitions>many</maxrepetitions>", 0},
        {"overflow", "<maxrepetitions>99999999999</maxrepetitions>", 0},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const auto& c : cases)
        EXPECT_EQ(LoadShooterElement(dir, c.element).maxRepetitions, c.expected) << c.why;
}
