#include "TSnmpdAgent.h"

#include <unistd.h>

namespace vxtest {

TSnmpdAgent::TSnmpdAgent(std::vector<std::string> extraLines) : extraConfLines(std::move(extraLines)) {}

TSnmpdAgent::~TSnmpdAgent() { Stop(); }

std::vector<std::string> TSnmpdAgent::CommandLine(int agentPort)
{
    // No agentAddress line: the endpoint comes from the command line, and
    // snmpd fails to open it when both name one.
    std::string conf = std::string("rocommunity ") + kCommunity + " 127.0.0.1\n";
    conf += "rocommunity " + ProbeCommunity() + " 127.0.0.1\n";
    if (ipv6)
        conf += std::string("rocommunity6 ") + kCommunity + " ::1\n";
    for (const std::string& line : extraConfLines)
        conf += line + "\n";
    WriteFile("snmpd.conf", conf);
    const std::string program = access("/usr/sbin/snmpd", X_OK) == 0 ? "/usr/sbin/snmpd" : "snmpd";
    return {program,
            "-f",
            "-C",
            "-c",
            Folder() + "/snmpd.conf",
            "-M",
            "/nonexistent",
            "-m",
            "",
            "-Lf",
            LogFile(),
            "udp:127.0.0.1:" + std::to_string(agentPort)
                + (ipv6 ? ",udp6:[::1]:" + std::to_string(agentPort) : std::string())};
}

std::vector<std::string> TSnmpdAgent::Environment()
{
    return {"SNMP_PERSISTENT_DIR=" + Folder() + "/persist", "SNMPCONFPATH=" + Folder()};
}

}  // namespace vxtest
