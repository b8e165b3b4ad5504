// The loader of the user's MIB modules against module files of the tests'
// own writing: valid ones with enumerations, hints and a two-part INDEX, and
// broken ones that must be listed with their reason.
#include "names/MibImportScan.h"
#include "names/MibLoader.h"
#include "table/Shared.h"

#include "EventPump.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

const QString mibData = QStringLiteral(VEXGRID_TEST_DATA "/mibs");

// Only the tests' folders: the machine's own MIB folders stay out.
TMibLoadRequest Request(const QStringList& paths)
{
    TMibLoadRequest request;
    request.extraPaths = paths;
    return request;
}

TMibLoadResult LoadValid() { return LoadMibModules(Request({mibData + "/base", mibData + "/valid"})); }

const TMibProblem* ProblemOf(const TMibLoadResult& result, const QString& module)
{
    for (const TMibProblem& problem : result.problems) {
        if (problem.module == module)
            return &problem;
    }
    return nullptr;
}

QString ProblemList(const TMibLoadResult& result)
{
    QStringList lines;
    for (const TMibProblem& problem : result.problems)
        lines << problem.module + QStringLiteral(": ") + problem.reason;
    return lines.join(QStringLiteral("; "));
}

// A file over the 8 MB limit: a module header and then comment lines.
QString WriteHugeFile(const QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("HUGE-MIB.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write("HUGE-MIB DEFINITIONS ::= BEGIN\n");
    const QByteArray line(79, '-');
    for (int i = 0; i < 9 * 1024 * 1024 / 80; ++i)
        file.write(line + '\n');
    file.write("END\n");
    return path;
}

}  // namespace

TEST(MibLoader, ReadsNamesEnumerationsHintsAndATwoPartIndex)
{
    const TMibLoadResult result = LoadValid();
    EXPECT_TRUE(result.problems.isEmpty()) << qPrintable(result.problems.value(0).reason);
    const TMibNames& names = *result.names;

    const struct {
        const char* name;
        const char* oid;
        const char* type;
        const char* convention;
        const char* hint;
        const char* labels;  // "value=label ..."
    } cases[] = {
        {"vexTestState", "1.3.6.1.4.1.99999.1.1", "INTEGER", "", "", "1=idle 2=busy 7=broken"},
        {"vexTestTemperature", "1.3.6.1.4.1.99999.1.2", "Integer32", "VexTenths", "d-1", ""},
        {"vexPortName", "1.3.6.1.4.1.99999.1.3.1.3", "OCTET STRING", "DisplayString", "255a", ""},
        {"vexPortMac", "1.3.6.1.4.1.99999.1.3.1.4", "OCTET STRING", "MacAddress", "1x:", ""},
        {"vexPortEnabled", "1.3.6.1.4.1.99999.1.3.1.5", "INTEGER", "TruthValue", "", "1=true 2=false"},
        {"vexPortOctets", "1.3.6.1.4.1.99999.1.3.1.6", "Counter64", "", "", ""},
    };
    for (const auto& c : cases) {
        const TMibObject* object = names.LookupName(QString::fromLatin1(c.name));
        ASSERT_NE(object, nullptr) << c.name;
        EXPECT_EQ(object->oid, QString::fromLatin1(c.oid)) << c.name;
        EXPECT_EQ(object->type, QString::fromLatin1(c.type)) << c.name;
        EXPECT_EQ(object->textualConvention, QString::fromLatin1(c.convention)) << c.name;
        EXPECT_EQ(object->displayHint, QString::fromLatin1(c.hint)) << c.name;
        QStringList labels;
        for (const TMibLabel& label : object->labels)
            labels << QString::number(label.value) + QLatin1Char('=') + label.label;
        EXPECT_EQ(labels.join(QLatin1Char(' ')), QString::fromLatin1(c.labels)) << c.name;
        EXPECT_TRUE(object->file.endsWith(QStringLiteral("VEXTEST-MIB.txt"))) << qPrintable(object->file);
    }

    const TMibObject* column = names.LookupName(QStringLiteral("vexPortName"));
    ASSERT_NE(column, nullptr);
    QStringList index;
    for (const TMibObject* part : names.IndexObjects(*column))
        index << (part ? part->name + QLatin1Char(':') + part->type : QStringLiteral("?"));
    EXPECT_EQ(index, QStringList({"vexPortSlot:Integer32", "vexPortAddress:IpAddress"}));
}

TEST(MibLoader, ALoadedModuleWinsOverTheBuiltInNames)
{
    const TMibLoadResult result = LoadValid();
    TOidNameTable table;
    table.BuildOidNameTable();
    table.SetMibNames(result.names);
    EXPECT_EQ(table.DescribeOid("1.3.6.1.2.1.31.1.1.1.1.3"), "vexIfLabel.3");
    EXPECT_EQ(table.DescribeOid("1.3.6.1.2.1.31.1.1.1.6.3"), "ifHCInOctets.3");  // built-in stays
    EXPECT_EQ(table.DescribeOid("1.3.6.1.4.1.99999.1.3.1.3.2.10.0.0.1"), "vexPortName.2.10.0.0.1");
    EXPECT_EQ(table.DescribeOid("1.3.6.1.2.1.1.5.0"), "sysName.0");
    EXPECT_GT(result.loadedObjects, 0);
}

TEST(MibLoader, BrokenModulesAreListedWithTheirReason)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString huge = WriteHugeFile(dir);
    ASSERT_FALSE(huge.isEmpty());
    const QString missing = mibData + QStringLiteral("/no-such-folder");
    const TMibLoadResult result =
        LoadMibModules(Request({mibData + "/base", mibData + "/broken", huge, missing}));

    const struct {
        const char* module;
        const char* reason;
        const char* why;
    } cases[] = {
        {"BROKEN-SYNTAX-MIB", "syntax error", "an enumeration left open"},
        {"BROKEN-IMPORT-MIB", "NOBODYS-MIB", "imports from a module no file holds"},
        {"CYCLE-A-MIB", "cycle", "two modules importing from each other"},
        {"HUGE-MIB", "over the limit", "a 9 MB file is not read"},
        {"no-such-folder", "no such file", "a named path that does not exist"},
    };
    for (const auto& c : cases) {
        const TMibProblem* problem = ProblemOf(result, QString::fromLatin1(c.module));
        ASSERT_NE(problem, nullptr) << c.why << "; listed: " << qPrintable(ProblemList(result));
        EXPECT_TRUE(problem->reason.contains(QLatin1String(c.reason)))
            << c.why << ": " << qPrintable(problem->reason);
        EXPECT_FALSE(problem->file.isEmpty()) << c.why;
    }
    // Read as far as libsmi can: the object that needs nothing missing is named.
    EXPECT_NE(result.names->LookupName(QStringLiteral("brokenImportCount")), nullptr);
}

TEST(MibLoader, AbsentDefaultFoldersAreNoProblem)
{
    TMibLoadRequest request;
    request.folders = {mibData + QStringLiteral("/no-such-folder")};
    const TMibLoadResult result = LoadMibModules(request);
    EXPECT_TRUE(result.problems.isEmpty());
    EXPECT_EQ(result.names->Count(), TMibNames::BuiltIn()->Count());
}

TEST(MibLoader, LoadsOnAWorkerThreadAndPublishesOnce)
{
    // The window's loader keeps what it read in the user's cache folder.
    QTemporaryDir cache;
    const QByteArray userCache = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
    for (const bool fromCache : {false, true}) {
        TMibLoader loader;
        QSignalSpy loaded(&loader, &TMibLoader::Loaded);
        EXPECT_EQ(loader.Names(), TMibNames::BuiltIn());  // the built-in names until then
        loader.Start(Request({mibData + "/base", mibData + "/valid"}));
        ASSERT_TRUE(vxtest::PumpUntil([&] { return loader.IsLoaded(); }));
        EXPECT_EQ(loaded.count(), 1);
        EXPECT_NE(loader.Names()->LookupName(QStringLiteral("vexTestState")), nullptr);
        EXPECT_EQ(loader.Result().modules.size(), 4);  // the two modules and the two base modules
        EXPECT_EQ(loader.Result().fromCache, fromCache);
    }
    EXPECT_TRUE(DefaultMibCacheFolder().startsWith(cache.path())) << qPrintable(DefaultMibCacheFolder());
    qputenv("XDG_CACHE_HOME", userCache);
}

TEST(MibLoader, AModuleWithoutItsSmiBaseModulesIsListedAndNotRead)
{
    // libsmi cannot read such a module (it crashes on Opaque and Counter64
    // left undefined), so it never sees it; the Debian folder alone is this case.
    const TMibLoadResult result = LoadMibModules(Request({mibData + "/valid"}));
    const TMibProblem* problem = ProblemOf(result, QStringLiteral("VEXTEST-MIB"));
    ASSERT_NE(problem, nullptr) << qPrintable(ProblemList(result));
    EXPECT_TRUE(problem->reason.contains(QLatin1String("SNMPv2-SMI"))) << qPrintable(problem->reason);
    problem = ProblemOf(result, QStringLiteral("VEXTEST-OVERRIDE-MIB"));
    ASSERT_NE(problem, nullptr) << "needs the base modules through VEXTEST-MIB";
    EXPECT_TRUE(problem->reason.contains(QLatin1String("SNMPv2-TC"))) << qPrintable(problem->reason);
    EXPECT_EQ(result.loadedObjects, 0);

    TMibLoadRequest machine;
    machine.folders = DefaultMibFolders();  // whatever this machine has: read without a crash
    EXPECT_GE(LoadMibModules(machine).names->Count(), TMibNames::BuiltIn()->Count());
}

// A vendor module as vendors write them: SMI, conventions and IF-MIB imported.
constexpr char vendorModule[] = R"(VENDOR-PORT-MIB DEFINITIONS ::= BEGIN
IMPORTS
    MODULE-IDENTITY, OBJECT-TYPE, Counter64, enterprises FROM SNMPv2-SMI
    TEXTUAL-CONVENTION, DisplayString, TruthValue FROM SNMPv2-TC
    ifIndex FROM IF-MIB;
vendorPortMIB MODULE-IDENTITY
    LAST-UPDATED "202612090000Z" ORGANIZATION "tests" CONTACT-INFO "none"
    DESCRIPTION "Ports." REVISION "202612090000Z" DESCRIPTION "First."
    ::= { enterprises 99996 }
VendorPortMode ::= TEXTUAL-CONVENTION
    STATUS current DESCRIPTION "How a port runs."
    SYNTAX INTEGER { access(1), trunk(2), hybrid(3) }
vendorPortTable OBJECT-TYPE SYNTAX SEQUENCE OF VendorPortEntry MAX-ACCESS not-accessible
    STATUS current DESCRIPTION "Ports." ::= { vendorPortMIB 1 }
vendorPortEntry OBJECT-TYPE SYNTAX VendorPortEntry MAX-ACCESS not-accessible
    STATUS current DESCRIPTION "A port." INDEX { ifIndex } ::= { vendorPortTable 1 }
VendorPortEntry ::= SEQUENCE { vendorPortLabel DisplayString, vendorPortMode VendorPortMode,
    vendorPortPoE TruthValue, vendorPortOctets Counter64 }
vendorPortLabel OBJECT-TYPE SYNTAX DisplayString MAX-ACCESS read-only
    STATUS current DESCRIPTION "Label." ::= { vendorPortEntry 1 }
vendorPortMode OBJECT-TYPE SYNTAX VendorPortMode MAX-ACCESS read-only
    STATUS current DESCRIPTION "Mode." ::= { vendorPortEntry 2 }
vendorPortPoE OBJECT-TYPE SYNTAX TruthValue MAX-ACCESS read-only
    STATUS current DESCRIPTION "Power." ::= { vendorPortEntry 3 }
vendorPortOctets OBJECT-TYPE SYNTAX Counter64 MAX-ACCESS read-only
    STATUS current DESCRIPTION "Octets." ::= { vendorPortEntry 4 }
END
)";

TEST(MibLoader, AVendorModuleReadsOnAMachineWithoutMibFilesThroughTheShippedModules)
{
    QTemporaryDir machine;  // the system's MIB folders: empty
    QTemporaryDir vendor;
    QFile file(vendor.filePath(QStringLiteral("VENDOR-PORT-MIB.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(vendorModule);
    file.close();
    TMibLoadRequest request;
    request.folders = {machine.path(), vendor.path()};
    request.baseFolders = {ShippedMibFolder()};
    ASSERT_FALSE(ShippedMibFolder().isEmpty());
    const TMibLoadResult result = LoadMibModules(request);
    EXPECT_TRUE(result.problems.isEmpty()) << qPrintable(ProblemList(result));
    ASSERT_EQ(result.modules.size(), 1);
    EXPECT_EQ(result.modules[0].module, QStringLiteral("VENDOR-PORT-MIB"));

    const struct {
        const char* name;
        const char* oid;
        const char* convention;
        const char* readable;  // of the value 2
    } cases[] = {
        {"vendorPortLabel", "1.3.6.1.4.1.99996.1.1.1", "DisplayString", ""},
        {"vendorPortMode", "1.3.6.1.4.1.99996.1.1.2", "VendorPortMode", "trunk"},
        {"vendorPortPoE", "1.3.6.1.4.1.99996.1.1.3", "TruthValue", "false"},
        {"vendorPortOctets", "1.3.6.1.4.1.99996.1.1.4", "", ""},
    };
    for (const auto& c : cases) {
        const TMibObject* object = result.names->LookupName(QString::fromLatin1(c.name));
        ASSERT_NE(object, nullptr) << c.name;
        EXPECT_EQ(object->oid, QLatin1String(c.oid)) << c.name;
        EXPECT_EQ(object->textualConvention, QLatin1String(c.convention)) << c.name;
        EXPECT_EQ(TMibNames::Label(*object, 2), QLatin1String(c.readable)) << c.name;
    }
    // The row is indexed by the shipped IF-MIB's ifIndex.
    const TMibObject* column = result.names->LookupName(QStringLiteral("vendorPortMode"));
    ASSERT_NE(column, nullptr);
    const QVector<const TMibObject*> index = result.names->IndexObjects(*column);
    ASSERT_EQ(index.size(), 1);
    ASSERT_NE(index[0], nullptr);
    EXPECT_EQ(index[0]->oid, QStringLiteral("1.3.6.1.2.1.2.2.1.1"));
}

TEST(MibLoader, EveryShippedModuleReadsWithoutAProblem)
{
    const QStringList files = QDir(ShippedMibFolder()).entryList(QDir::Files);
    ASSERT_GE(files.size(), 16) << "the SMI base modules and the common modules";
    const TMibLoadResult result = LoadMibModules(Request({ShippedMibFolder()}));
    EXPECT_TRUE(result.problems.isEmpty()) << qPrintable(ProblemList(result));
    EXPECT_EQ(result.modules.size(), files.size());
}

TEST(MibImportScan, HeaderNamesTheModuleAndItsImports)
{
    const struct {
        const char* text;
        const char* module;
        const char* imports;
    } cases[] = {
        {"A-MIB DEFINITIONS ::= BEGIN IMPORTS x FROM B-MIB y, z FROM C-MIB; END", "A-MIB", "B-MIB C-MIB"},
        {"-- FROM X-MIB\nA-MIB { iso 3 } DEFINITIONS ::= BEGIN\nIMPORTS x FROM B-MIB; -- FROM Y\n", "A-MIB",
         "B-MIB"},
        {"A-MIB DEFINITIONS ::= BEGIN a OBJECT IDENTIFIER ::= { b 1 } END", "A-MIB", ""},
        {"A-MIB DEFINITIONS ::= BEGIN IMPORTS x FROM B-MIB; c FROM D-MIB", "A-MIB", "B-MIB"},
        {"just text, FROM B-MIB;", "", ""},
    };
    for (const auto& c : cases) {
        const TMibHeader header = ScanMibHeader(QByteArray(c.text));
        EXPECT_EQ(header.module, QString::fromLatin1(c.module)) << c.text;
        EXPECT_EQ(header.imports.join(QLatin1Char(' ')), QString::fromLatin1(c.imports)) << c.text;
    }
}

TEST(MibLoader, ATruncatedModuleIsListedNotWalked)
{
    // libsmi's tree of a module it could not parse crashes a walk; every cut
    // of a valid module must come back as a problem.
    QFile whole(mibData + QStringLiteral("/valid/VEXTEST-MIB.txt"));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray text = whole.readAll();
    for (const double share : {0.2, 0.45, 0.6, 0.8, 0.95}) {
        QTemporaryDir dir;
        QFile cut(dir.filePath(QStringLiteral("VEXTEST-MIB.txt")));
        ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
        cut.write(text.left(qsizetype(double(text.size()) * share)));
        cut.close();
        const TMibLoadResult result = LoadMibModules(Request({mibData + "/base", dir.path()}));
        const TMibProblem* problem = ProblemOf(result, QStringLiteral("VEXTEST-MIB"));
        ASSERT_NE(problem, nullptr) << share << ": " << qPrintable(ProblemList(result));
        EXPECT_TRUE(problem->reason.startsWith(QLatin1String("not read"))) << qPrintable(problem->reason);
    }
}
