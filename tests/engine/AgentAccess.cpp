#include "AgentAccess.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace {

// Started once: a failed start fails every test that asks for the agent.
template <class Agent>
Agent& Started(std::unique_ptr<Agent>& agent, bool& failed, std::unique_ptr<Agent> (*make)())
{
    if (failed)
        throw std::runtime_error("the test agent did not start (see the first failing test)");
    if (!agent) {
        agent = make();
        const ::testing::AssertionResult started = agent->Start();
        if (!started) {
            failed = true;
            ADD_FAILURE() << started.message();
            throw std::runtime_error("the test agent did not start");
        }
    }
    return *agent;
}

std::unique_ptr<vxtest::TSnmpdAgent> snmpd;
std::unique_ptr<vxtest::TSnmpsimAgent> snmpsim;
bool snmpdFailed = false;
bool snmpsimFailed = false;

}  // namespace

vxtest::TSnmpdAgent& SharedSnmpd()
{
    return Started<vxtest::TSnmpdAgent>(snmpd, snmpdFailed,
                                        [] { return std::make_unique<vxtest::TSnmpdAgent>(); });
}

vxtest::TSnmpsimAgent& SharedSnmpsim()
{
    return Started<vxtest::TSnmpsimAgent>(snmpsim, snmpsimFailed, [] {
        return std::make_unique<vxtest::TSnmpsimAgent>(vxtest::TSnmpsimAgent::DefaultDataFolder());
    });
}
