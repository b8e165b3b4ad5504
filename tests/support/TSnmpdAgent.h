// TSnmpdAgent: net-snmp's snmpd in the foreground with a private
// configuration (read-only community "tamvel" for 127.0.0.1, no MIB files,
// persistent files in the agent's own folder) on a free 127.0.0.1 port.
//
//     vxtest::TSnmpdAgent agent;
//     ASSERT_TRUE(agent.Start());
//     mgr.SetRemotePort(agent.Port());
#pragma once

#include "TAgentProcess.h"

namespace vxtest {

class TSnmpdAgent : public TAgentProcess {
public:
    // `extraConfLines` are appended to the configuration (for example
    // "rocommunity other 127.0.0.1" or "sysName vexgrid-test").
    explicit TSnmpdAgent(std::vector<std::string> extraLines = {});
    ~TSnmpdAgent() override;

    // ListenOnIpv6 makes the agent listen on [::1] as well (same port, the
    // community allowed from ::1); call before Start.
    void ListenOnIpv6() { ipv6 = true; }
    // The configuration lines of the next Start or Restart.
    void SetExtraConfLines(std::vector<std::string> lines) { extraConfLines = std::move(lines); }

    static constexpr const char* kCommunity = "tamvel";

protected:
    std::vector<std::string> CommandLine(int agentPort) override;
    std::vector<std::string> Environment() override;
    std::string Name() const override { return "snmpd"; }

private:
    std::vector<std::string> extraConfLines;
    bool ipv6 = false;
};

}  // namespace vxtest
