#include "metrics/ModuleExport.h"

#include "names/MibNames.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

TEST(ModuleExport, CredentialsAreWrittenOnlyAsAsked)
{
    TSessionSettings view;
    view.targetOids = {"1.3.6.1.2.1.2.2.1.2", "1.3.6.1.4.1.99999.1", "1.3.6.1.2.1.4.20.1.2"};
    view.tableMode = true;
    view.requestTemplate.community = "se\"cret";
    view.v3 = {"ops", 2, 4, "authpass", 2, "privpass", "ctx", {}, {}, false, {}};
    const struct {
        int version;
        bool includePasswords;
        const char* present;
        const char* absent;
    } cases[] = {
        {2, false, "  version: 2\n  auth:\n    community: \"se\\\"cret\"\n", "username"},
        {3, false, "    auth_protocol: SHA256\n    password: \"CHANGE_ME\"", "authpass"},
        {3, false, "    priv_protocol: AES\n    priv_password: \"CHANGE_ME\"", "privpass"},
        {3, true, "    password: \"authpass\"\n    priv_protocol: AES\n    priv_password: \"privpass\"\n",
         "CHANGE_ME"},
        {3, true, "    username: \"ops\"\n    security_level: authPriv\n", "community"},
        // An OID without a MIB name is named in a comment, not walked.
        {2, false, "# 1.3.6.1.4.1.99999.1: ", "  - 1.3.6.1.4.1.99999.1"},
        // The exporter reads an IpAddress INDEX only as InetAddressIPv4 (IpAddr stops its scrape).
        {2, false, "    - labelname: ipAdEntAddr\n      type: InetAddressIPv4\n", "type: IpAddr\n    help"},
    };
    for (const auto& c : cases) {
        view.requestTemplate.snmpVersion = c.version;
        TModuleOptions options;
        options.includePasswords = c.includePasswords;
        const QByteArray module = SnmpExporterModule(view, *TMibNames::BuiltIn(), options);
        EXPECT_TRUE(module.contains(c.present)) << c.present << "\nin\n" << module.toStdString();
        EXPECT_FALSE(module.contains(c.absent)) << c.absent;
    }
    EXPECT_EQ(ModuleNameOf("/tmp/If table.vexgrid.xml"), "if_table");
}

// Read back by Python's TOML reader: the tables by MIB table, the other
// targets as fields with their instances, string columns as tags.
TEST(ModuleExport, TelegrafInputReadsBackAsTheViewsTablesAndFields)
{
    TSessionSettings view;
    view.requestTemplate.remoteHost = "127.0.0.5";
    view.requestTemplate.remotePort = 1161;
    view.requestTemplate.snmpVersion = 2;
    view.requestTemplate.community = "tam\\vel";
    const struct {
        bool tableMode;
        QStringList targets;
        QString oidList;
        const char* summary;
    } cases[] = {
        {true,
         {"1.3.6.1.2.1.2.2.1.2", "1.3.6.1.2.1.25.2.3.1.6", "1.3.6.1.2.1.2.2.1.10"},
         {},
         "udp://127.0.0.5:1161 | tam\\vel | hrStorageTable: hrStorageUsed 1.3.6.1.2.1.25.2.3.1.6 | "
         "ifTable: ifDescr 1.3.6.1.2.1.2.2.1.2 tag, ifInOctets 1.3.6.1.2.1.2.2.1.10"},
        {false,
         {"1.3.6.1.2.1.1.5", "1.3.6.1.2.1.2.2.1.2"},
         QStringLiteral("1.3.6.1.2.1.1.5.0\x1f"
                        "1.3.6.1.2.1.2.2.1.2.4\x1f"),
         "udp://127.0.0.5:1161 | tam\\vel | sysName 1.3.6.1.2.1.1.5.0 tag, ifDescr 1.3.6.1.2.1.2.2.1.2.4 tag"},
    };
    const char* summarise = R"(import sys, tomllib
s = tomllib.loads(sys.stdin.read())["inputs"]["snmp"][0]
f = lambda fields: ", ".join(x["name"] + " " + x["oid"] + (" tag" if x.get("is_tag") else "") for x in fields)
parts = [s["agents"][0], s["community"]] + [t["name"] + ": " + f(t["field"]) for t in s.get("table", [])]
print(" | ".join(parts + ([f(s["field"])] if s.get("field") else [])), end=""))";
    for (const auto& c : cases) {
        view.tableMode = c.tableMode;
        view.targetOids = c.targets;
        view.requestTemplate.oidList = c.oidList;
        QProcess python;
        python.start("/usr/bin/python3", {"-c", summarise});
        python.write(TelegrafInput(view, *TMibNames::BuiltIn(), TModuleOptions()));
        python.closeWriteChannel();
        ASSERT_TRUE(python.waitForFinished(30000));
        EXPECT_EQ(python.readAllStandardOutput().trimmed().toStdString(), c.summary)
            << python.readAllStandardError().toStdString();
    }
}

}  // namespace
