// The MIB reader process: a module set that makes libsmi crash, a reader
// that stalls or is killed, and the records between reader and loader.
#include "core/ChildProcess.h"
#include "names/MibLoader.h"
#include "names/MibReadProtocol.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
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
        ASSERT_EQ(back.labels.size(), object.labels.size());
        for (qsizetype i = 0; i < back.labels.size(); ++i) {
            EXPECT_EQ(back.labels[i].value, object.labels[i].value);
            EXPECT_EQ(back.labels[i].label, object.labels[i].label);
        }
    }
}
