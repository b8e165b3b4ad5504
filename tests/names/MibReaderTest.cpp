// The MIB reader process: a module set that makes libsmi crash, a reader
// that stalls or is killed, and the records between reader and loader.
#include "core/ChildProcess.h"
#include "names/MibLoader.h"
#include "names/MibReadProtocol.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QThread>
#include <QTemporaryDir>

namespace {

const QString mibData = QStringLiteral(VEXGRID_TEST_DATA "/mibs");
// net-snmp's own modules, as Debian's libsnmp-base installs them.
const QString netSnmpMibs = QStringLiteral("/usr/share/snmp/mibs");

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

bool CopyInto(const QString& from, const QTemporaryDir& dir)
{
    return QFile::copy(from, dir.filePath(from.section(QLatin1Char('/'), -1)));
}

// A reader standing in for the real one: takes its input, reports the
// first file it is given, then does what body says.
QString WriteFakeReader(const QTemporaryDir& dir, const QString& body)
{
    QString path = dir.filePath(QStringLiteral("fake-mibread"));
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly))
        return QString();
    script.write(QStringLiteral("#!/bin/sh\n"
                                "first=\n"
                                "while IFS= read -r line; do\n"
                                "  case \"$line\" in F*) [ -n \"$first\" ] || first=${line#F?};; esac\n"
                                "done\n"
                                "[ -n \"$first\" ] || { printf 'E\\n'; exit 0; }\n"
                                "printf 'B\\t%s\\n' \"$first\"\n%1\n")
                     .arg(body)
                     .toUtf8());
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    return path;
}

// A valid module of tables with ten columns and long descriptions, as
// vendors write them, of at least size bytes; returns the number of tables.
int WriteLargeModule(const QString& path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 0;
    const QByteArray about =
        "\"" + QByteArray("What this object holds, at the length vendors write. ").repeated(8) + "\"";
    file.write(
        "VEXLARGE-MIB DEFINITIONS ::= BEGIN\nIMPORTS MODULE-IDENTITY, OBJECT-TYPE, enterprises, Integer32 "
        "FROM SNMPv2-SMI DisplayString FROM SNMPv2-TC;\nvexLarge MODULE-IDENTITY LAST-UPDATED "
        "\"202612090000Z\" ORGANIZATION \"v\" CONTACT-INFO \"v\" DESCRIPTION \"v\" ::= { enterprises 99998 }\n");
    int tables = 0;
    while (file.size() < size) {
        const QByteArray t = "vexLarge" + QByteArray::number(++tables);
        const QByteArray entryType = "VexLarge" + QByteArray::number(tables) + "Entry";
        QByteArray text = t + "Table OBJECT-TYPE SYNTAX SEQUENCE OF " + entryType
                        + " MAX-ACCESS not-accessible STATUS current DESCRIPTION " + about
                        + " ::= { vexLarge " + QByteArray::number(tables) + " }\n" + t
                        + "Entry OBJECT-TYPE SYNTAX " + entryType
                        + " MAX-ACCESS not-accessible STATUS current DESCRIPTION " + about + " INDEX { " + t
                        + "Column1 } ::= { " + t + "Table 1 }\n" + entryType + " ::= SEQUENCE { " + t
                        + "Column1 Integer32";
        for (int c = 2; c <= 10; ++c)
            text += ", " + t + "Column" + QByteArray::number(c) + " DisplayString";
        text += " }\n";
        for (int c = 1; c <= 10; ++c) {
            text += t + "Column" + QByteArray::number(c) + " OBJECT-TYPE SYNTAX "
                  + (c == 1 ? "Integer32 MAX-ACCESS not-accessible" : "DisplayString MAX-ACCESS read-only")
                  + " STATUS current DESCRIPTION " + about + " ::= { " + t + "Entry " + QByteArray::number(c)
                  + " }\n";
        }
        file.write(text);
    }
    file.write("END\n");
    return tables;
}

}  // namespace

TEST(MibReader, AModuleThatCrashesLibsmiIsListedAndTheOthersLoad)
{
    // The tests' base modules lack Opaque: net-snmp's UCD-SNMP-MIB beside
    // them makes libsmi crash inside its parser. LM-SENSORS-MIB, read first,
    // imports it, so the crash first comes while reading LM-SENSORS-MIB; the
    // loader must still name UCD-SNMP-MIB, keep its importers away and load
    // every other module.
    const QString ucd = netSnmpMibs + QStringLiteral("/UCD-SNMP-MIB.txt");
    ASSERT_TRUE(QFile::exists(ucd)) << "needs Debian's libsnmp-base for " << qPrintable(ucd);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const QString& file : {mibData + "/base/SNMPv2-SMI.txt", mibData + "/base/SNMPv2-TC.txt",
                                mibData + "/valid/VEXTEST-MIB.txt", ucd, netSnmpMibs + "/LM-SENSORS-MIB.txt",
                                netSnmpMibs + "/NET-SNMP-MIB.txt"})
        ASSERT_TRUE(CopyInto(file, dir)) << qPrintable(file);

    // The crash is real: the reader given UCD-SNMP-MIB alone dies of it.
    TChildProcess reader;
    ASSERT_TRUE(reader.Start(MibReaderProgram())) << qPrintable(MibReaderProgram());
    reader.Write(MibRead::Record('S', {dir.path()})
                 + MibRead::Record('F', {dir.filePath("UCD-SNMP-MIB.txt")}));
    reader.CloseInput();
    ASSERT_TRUE(reader.WaitForFinished(30000));
    EXPECT_TRUE(reader.Crashed()) << "libsmi read the set without crashing";

    TMibLoadRequest request;
    request.extraPaths = {dir.path()};
    const TMibLoadResult result = LoadMibModules(request);
    const struct {
        const char* module;
        const char* reason;  // empty: loaded
    } cases[] = {
        {"UCD-SNMP-MIB", "made the MIB reader crash"},
        {"LM-SENSORS-MIB", "imports from UCD-SNMP-MIB"},
        {"NET-SNMP-MIB", ""},
        {"VEXTEST-MIB", ""},
        {"SNMPv2-SMI", ""},
    };
    for (const auto& c : cases) {
        const TMibProblem* problem = ProblemOf(result, QString::fromLatin1(c.module));
        if (*c.reason == 0) {
            EXPECT_EQ(problem, nullptr) << c.module << ": " << qPrintable(problem->reason);
            continue;
        }
        ASSERT_NE(problem, nullptr) << c.module << "; listed: " << qPrintable(ProblemList(result));
        EXPECT_TRUE(problem->reason.contains(QLatin1String(c.reason))) << qPrintable(problem->reason);
    }
    EXPECT_NE(result.names->LookupName(QStringLiteral("netSnmpObjects")), nullptr);
    const TMibObject* state = result.names->LookupName(QStringLiteral("vexTestState"));
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(TMibNames::Label(*state, 7), QStringLiteral("broken"));
}

TEST(MibReader, AReaderThatStallsOrDiesCostsTheModuleItWasReading)
{
    const struct {
        const char* body;
        const char* reason;
    } cases[] = {
        {"exec sleep 60", "stall"},
        {"kill -KILL $$", "crash"},
        {"exit 3", "exit code 3"},
        // Walks one module twice: libsmi's list of modules runs in a circle.
        {R"(m=${first##*/}; printf 'W\t%s\t%s\n' "$m" "$first" "$m" "$first"; exec sleep 60)", "loop"},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        for (const QString& file : {mibData + "/base/SNMPv2-SMI.txt", mibData + "/base/SNMPv2-TC.txt"})
            ASSERT_TRUE(CopyInto(file, dir));
        TMibLoadRequest request;
        request.extraPaths = {dir.path()};
        QTemporaryDir program;
        request.readerProgram = WriteFakeReader(program, QString::fromLatin1(c.body));
        request.stallLimitMs = 300;
        QElapsedTimer timer;
        timer.start();
        const TMibLoadResult result = LoadMibModules(request);
        // Each run costs one module: the fake fails on whichever comes first.
        for (const char* module : {"SNMPv2-SMI", "SNMPv2-TC"}) {
            const TMibProblem* problem = ProblemOf(result, QString::fromLatin1(module));
            ASSERT_NE(problem, nullptr) << c.body << "; listed: " << qPrintable(ProblemList(result));
            EXPECT_TRUE(problem->reason.contains(QLatin1String(c.reason))) << qPrintable(problem->reason);
        }
        EXPECT_EQ(result.problems.size(), 2) << qPrintable(ProblemList(result));
        EXPECT_LT(timer.elapsed(), 20000) << c.body;  // not the fake's 60 s
    }
}

TEST(MibReader, AReaderThatCannotRunIsOneProblem)
{
    TMibLoadRequest request;
    request.extraPaths = {mibData + "/base"};
    request.readerProgram = mibData + QStringLiteral("/no-such-reader");
    const TMibLoadResult result = LoadMibModules(request);
    ASSERT_EQ(result.problems.size(), 1) << qPrintable(ProblemList(result));
    EXPECT_EQ(result.problems.first().file, request.readerProgram);
    EXPECT_TRUE(result.problems.first().reason.contains(QLatin1String("could not be started")));
    EXPECT_EQ(result.names->Count(), TMibNames::BuiltIn()->Count());
}

TEST(MibReader, ClosingStopsAStalledReader)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(CopyInto(mibData + "/base/SNMPv2-SMI.txt", dir));
    TMibLoadRequest request;
    request.extraPaths = {dir.path()};
    QTemporaryDir program;
    request.readerProgram = WriteFakeReader(program, QStringLiteral("exec sleep 60"));
    request.stallLimitMs = 60000;
    QElapsedTimer timer;
    timer.start();
    {
        TMibLoader loader;
        loader.Start(request);
        QThread::msleep(300);
    }
    EXPECT_LT(timer.elapsed(), 20000);  // the window's close does not wait out the reader
}

TEST(MibReader, ObjectRecordsKeepEveryField)
{
    TMibObject full;
    full.oid = QStringLiteral("1.3.6.1.4.1.99999.1.3.1.3");
    full.name = QStringLiteral("vexPortName");
    full.kind = TMibKind::Column;
    full.type = QStringLiteral("OCTET STRING");
    full.textualConvention = QStringLiteral("Odd\tName");
    full.displayHint = QStringLiteral("1x:\\n\n");
    full.labels = {{-2, QStringLiteral("minus")}, {7, QStringLiteral("seven")}};
    full.index = {QStringLiteral("vexPortSlot"), QStringLiteral("vexPortAddress")};
    full.impliedLast = true;
    full.units = QStringLiteral("tenths of a degree");
    full.access = QStringLiteral("read-create");
    full.status = QStringLiteral("current");
    full.description = QStringLiteral("Two lines,\n\ttab and back\\slash.");
    TMibObject bare;
    bare.oid = QStringLiteral("1.3");
    bare.name = QStringLiteral("org");
    for (const TMibObject& object : {full, bare}) {
        const QByteArray line = MibRead::Record('O', MibRead::ObjectFields(object));
        ASSERT_TRUE(line.endsWith('\n'));
        EXPECT_EQ(line.count('\n'), 1) << line.constData();
        char tag = 0;
        QStringList fields;
        ASSERT_TRUE(MibRead::ParseRecord(line.chopped(1), &tag, &fields));
        EXPECT_EQ(tag, 'O');
        TMibObject back;
        ASSERT_TRUE(MibRead::ObjectFromFields(fields, &back));
        EXPECT_EQ(back.oid, object.oid);
        EXPECT_EQ(back.name, object.name);
        EXPECT_EQ(back.kind, object.kind);
        EXPECT_EQ(back.type, object.type);
        EXPECT_EQ(back.textualConvention, object.textualConvention);
        EXPECT_EQ(back.displayHint, object.displayHint);
        EXPECT_EQ(back.index, object.index);
        EXPECT_EQ(back.impliedLast, object.impliedLast);
        EXPECT_EQ(QStringList({back.units, back.access, back.status, back.description}),
                  QStringList({object.units, object.access, object.status, object.description}));
        ASSERT_EQ(back.labels.size(), object.labels.size());
        for (qsizetype i = 0; i < back.labels.size(); ++i) {
            EXPECT_EQ(back.labels[i].value, object.labels[i].value);
            EXPECT_EQ(back.labels[i].label, object.labels[i].label);
        }
    }
}

TEST(MibReader, AReaderBusyWithoutProgressIsStoppedOnItsCpuTime)
{
    // Each fake reports progress records (bytes read, objects walked, CPU
    // milliseconds) every 0.1 s, its CPU time growing by 100 ms each; the
    // wall-clock limit is far away, so only the CPU time can stop it.
    const struct {
        const char* body;
        const char* reason;
    } cases[] = {
        // libsmi looping inside a module: busy, reading nothing.
        {R"(n=0; while :; do n=$((n+100)); printf 'G\t9\t0\t%d\n' $n; sleep 0.1; done)", "of its CPU time"},
        // A large module read slowly: busy for longer than the limit, reading on.
        {R"(for n in 1 2 3 4 5 6 7 8 9 10; do printf 'G\t%d\t0\t%d00\n' $n $n; sleep 0.1; done; exit 3)",
         "exit code 3"},
        // A long walk: busy, writing objects.
        {R"(for n in 1 2 3 4 5 6 7 8 9 10; do printf 'G\t9\t%d\t%d00\n' $n $n; sleep 0.1; done; exit 3)",
         "exit code 3"},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        ASSERT_TRUE(CopyInto(mibData + "/base/SNMPv2-SMI.txt", dir));
        TMibLoadRequest request;
        request.extraPaths = {dir.path()};
        QTemporaryDir program;
        request.readerProgram = WriteFakeReader(program, QString::fromLatin1(c.body));
        request.stallLimitMs = 60000;
        request.busyStallLimitMs = 500;
        const TMibLoadResult result = LoadMibModules(request);
        const TMibProblem* problem = ProblemOf(result, QStringLiteral("SNMPv2-SMI"));
        ASSERT_NE(problem, nullptr) << c.body << "; listed: " << qPrintable(ProblemList(result));
        EXPECT_TRUE(problem->reason.contains(QLatin1String(c.reason))) << qPrintable(problem->reason);
    }
}

TEST(MibReader, ALargeModuleIsReadWithProgressNotTakenForAStall)
{
    // A 5 MB module of some 10,000 objects: libsmi reads it for seconds.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const QString& file : {mibData + "/base/SNMPv2-SMI.txt", mibData + "/base/SNMPv2-TC.txt"})
        ASSERT_TRUE(CopyInto(file, dir));
    const QString large = dir.filePath(QStringLiteral("VEXLARGE-MIB.txt"));
    const int tables = WriteLargeModule(large, 5 * 1024 * 1024);
    ASSERT_GT(tables, 0);

    // The reader reports how far it has read while libsmi reads the module.
    TChildProcess reader;
    ASSERT_TRUE(reader.Start(MibReaderProgram()));
    reader.Write(MibRead::Record('S', {dir.path()}) + MibRead::Record('F', {dir.filePath("SNMPv2-SMI.txt")})
                 + MibRead::Record('F', {dir.filePath("SNMPv2-TC.txt")}) + MibRead::Record('F', {large}));
    reader.CloseInput();
    ASSERT_TRUE(reader.WaitForFinished(120000));
    const QByteArray output = reader.TakeOutput();
    const qsizetype begun = output.indexOf(MibRead::Record('B', {large}));
    const qsizetype read = output.indexOf("\nR\tVEXLARGE-MIB\n");
    ASSERT_GT(begun, 0);
    ASSERT_GT(read, begun);
    QSet<QByteArray> offsets;
    for (const QByteArray& line : output.mid(begun, read - begun).split('\n')) {
        if (line.startsWith("G\t"))
            offsets.insert(line.split('\t').value(1));
    }
    EXPECT_GE(offsets.size(), 2) << "the reader said nothing while reading the module";

    // The loader takes that as progress, with a wall limit shorter than the
    // read and the default limit of CPU time without progress.
    TMibLoadRequest request;
    request.extraPaths = {dir.path()};
    request.stallLimitMs = 1000;
    const TMibLoadResult result = LoadMibModules(request);
    EXPECT_TRUE(result.problems.isEmpty()) << qPrintable(ProblemList(result));
    EXPECT_NE(result.names->LookupName(QStringLiteral("vexLarge%1Column10").arg(tables)), nullptr);
}
