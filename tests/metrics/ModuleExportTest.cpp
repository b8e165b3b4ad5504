#include "metrics/ModuleExport.h"

#include "names/MibNames.h"

#include <gtest/gtest.h>

namespace {

TEST(ModuleExport, CredentialsAreWrittenOnlyAsAsked)
{
    TSessionSettings view;
    view.targetOids = {"1.3.6.1.2.1.2.2.1.2", "1.3.6.1.4.1.99999.1"};
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

}  // namespace
