// The details the MIB tree shows of a loaded object, read through the real
// MIB reader from a module the test writes: syntax with enumerations and
// hint, units, access, status, INDEX and description.
#include "names/MibDetails.h"
#include "names/MibLoader.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

const char* const fanModule = R"(VEXFAN-MIB DEFINITIONS ::= BEGIN
IMPORTS MODULE-IDENTITY, OBJECT-TYPE, Integer32, enterprises FROM SNMPv2-SMI
        DisplayString FROM SNMPv2-TC;
vexFanMib MODULE-IDENTITY
    LAST-UPDATED "202612090000Z" ORGANIZATION "Hollbrae" CONTACT-INFO "tests"
    DESCRIPTION "Fans." ::= { enterprises 99998 }
vexFanTable OBJECT-TYPE SYNTAX SEQUENCE OF VexFanEntry MAX-ACCESS not-accessible
    STATUS current DESCRIPTION "The fans." ::= { vexFanMib 1 }
vexFanEntry OBJECT-TYPE SYNTAX VexFanEntry MAX-ACCESS not-accessible
    STATUS current DESCRIPTION "One fan." INDEX { vexFanIndex } ::= { vexFanTable 1 }
VexFanEntry ::= SEQUENCE { vexFanIndex Integer32, vexFanState INTEGER,
    vexFanSpeed Integer32, vexFanName DisplayString }
vexFanIndex OBJECT-TYPE SYNTAX Integer32 (1..64) MAX-ACCESS not-accessible
    STATUS current DESCRIPTION "The fan's number." ::= { vexFanEntry 1 }
vexFanState OBJECT-TYPE SYNTAX INTEGER { ok(1), failed(2) } MAX-ACCESS read-only
    STATUS deprecated
    DESCRIPTION "Whether the fan turns.
                A failed fan is replaced."
    ::= { vexFanEntry 2 }
vexFanSpeed OBJECT-TYPE SYNTAX Integer32 UNITS "rpm" MAX-ACCESS read-write
    STATUS current DESCRIPTION "The speed." ::= { vexFanEntry 3 }
vexFanName OBJECT-TYPE SYNTAX DisplayString MAX-ACCESS read-only
    STATUS current DESCRIPTION "The label." ::= { vexFanEntry 4 }
END
)";

QString DetailsText(const TMibNames& names, const TMibObject& object)
{
    QStringList lines;
    for (const TMibDetail& detail : MibObjectDetails(names, object))
        lines << detail.field + QStringLiteral(": ") + detail.value;
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

TEST(MibDetails, ALoadedObjectShowsWhatItsModuleSays)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("VEXFAN-MIB.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(fanModule);
    file.close();
    TMibLoadRequest request;
    request.extraPaths = {QStringLiteral(VEXGRID_TEST_DATA "/mibs/base"), dir.path()};
    const TMibLoadResult result = LoadMibModules(request);
    ASSERT_TRUE(result.problems.isEmpty()) << qPrintable(result.problems.value(0).reason);
    const TMibNames& names = *result.names;

    const struct {
        const char* name;  // as typed, with or without its module
        QStringList lines;
        bool shownByDefault;  // among the view's columns when the table is picked
    } cases[] = {
        {"VEXFAN-MIB::vexFanState",
         {"SYNTAX: INTEGER { ok(1), failed(2) }", "MAX-ACCESS: read-only", "STATUS: deprecated",
          "INDEX: { vexFanIndex }", "DESCRIPTION: Whether the fan turns.\nA failed fan is replaced."},
         true},
        {"vexFanSpeed", {"SYNTAX: Integer32", "UNITS: \"rpm\"", "MAX-ACCESS: read-write"}, true},
        {"vexFanName", {"SYNTAX: DisplayString (OCTET STRING)", "DISPLAY-HINT: \"255a\""}, true},
        {"vexFanIndex", {"MAX-ACCESS: not-accessible", "INDEX: { vexFanIndex }"}, false},
        {"VEXFAN-MIB::vexFanTable",
         {"OID: 1.3.6.1.4.1.99998.1", "Kind: table", "INDEX: { vexFanIndex }"},
         false},
    };
    for (const auto& c : cases) {
        const TMibObject* object = names.LookupQualifiedName(QString::fromLatin1(c.name));
        ASSERT_NE(object, nullptr) << c.name;
        const QString text = DetailsText(names, *object);
        for (const QString& line : c.lines) {
            EXPECT_TRUE(text.contains(line)) << c.name << " lacks " << qPrintable(line) << " in\n"
                                             << qPrintable(text);
        }
        if (object->kind == TMibKind::Column) {
            EXPECT_EQ(MibColumnShownByDefault(names, *object), c.shownByDefault) << c.name;
        }
    }
    QStringList columns;
    for (const TMibObject* column : names.ColumnsOf(*names.LookupName(QStringLiteral("vexFanTable"))))
        columns << column->name;
    EXPECT_EQ(columns, QStringList({"vexFanIndex", "vexFanState", "vexFanSpeed", "vexFanName"}));
    EXPECT_EQ(names.LookupQualifiedName(QStringLiteral("IF-MIB::vexFanState")), nullptr) << "another module";
    EXPECT_EQ(MibDescriptionSummary(names.LookupName(QStringLiteral("vexFanState"))->description),
              QStringLiteral("Whether the fan turns."));
}

TEST(MibDetails, BuiltInObjectsShowADescriptionWithoutAModuleAndTheShippedModulesAgree)
{
    const struct {
        const char* name;
        const char* word;  // a word the first sentence, the tooltip's, holds
    } cases[] = {
        {"sysUpTime", "second"},         {"ifHCInOctets", "octets"},
        {"ifOperStatus", "state"},       {"hrStorageAllocationFailures", "storage"},
        {"hrSWRunPerfCPU", "processor"}, {"hrProcessorLoad", "percent"},
        {"ipAdEntNetMask", "mask"},
    };
    // The shipped modules, read as a user's would be, replace the built-in objects.
    TMibLoadRequest request;
    request.extraPaths = {ShippedMibFolder()};
    const TMibLoadResult shipped = LoadMibModules(request);
    const std::shared_ptr<const TMibNames> builtIn = TMibNames::BuiltIn();
    for (const auto& c : cases) {
        const TMibObject* object = builtIn->LookupName(QString::fromLatin1(c.name));
        ASSERT_NE(object, nullptr) << c.name;
        const QString summary = MibDescriptionSummary(object->description);
        EXPECT_TRUE(summary.contains(QLatin1String(c.word))) << c.name << ": " << qPrintable(summary);
        EXPECT_TRUE(DetailsText(*builtIn, *object).contains(QStringLiteral("DESCRIPTION: ") + summary))
            << c.name;
        const TMibObject* read = shipped.names->LookupName(QString::fromLatin1(c.name));
        ASSERT_NE(read, nullptr) << c.name;
        EXPECT_EQ(read->description, object->description) << c.name;
    }
}
