// TSnmpsimAgent: snmpsimd serving .snmprec data files on a free 127.0.0.1
// port. The community selects the data file: "tamvel" serves tamvel.snmprec.
// Data files come from a folder (tests/data/snmprec by default) and/or are
// given by the test with AddDataFile before Start. snmpsim answers at most 64
// bindings per response.
//
//     vxtest::TSnmpsimAgent agent;  // tests/data/snmprec/*.snmprec
//     agent.AddDataFile("small", "1.3.6.1.2.1.1.5.0|4|box\n");
//     ASSERT_TRUE(agent.Start());
#pragma once

#include "TAgentProcess.h"

namespace vxtest {

class TSnmpsimAgent : public TAgentProcess {
public:
    // Copies every *.snmprec of `dataFolder` (empty: none) into the agent's
    // own folder, where the unprivileged agent can read them.
    explicit TSnmpsimAgent(const std::string& dataFolder = DefaultDataFolder());
    ~TSnmpsimAgent() override;

    // AddDataFile adds `community`.snmprec with lines "OID|TYPE|VALUE".
    void AddDataFile(const std::string& community, const std::string& records);

    static std::string DefaultDataFolder();

protected:
    std::vector<std::string> CommandLine(int agentPort) override;
    int StartupMilliseconds() const override { return 20000; }  // a Python program indexing its data
    std::string Name() const override { return "snmpsimd"; }
};

}  // namespace vxtest
