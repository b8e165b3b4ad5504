// TAgentProcess: an agent program run as a child process for a test, in its
// own temporary folder, on a free 127.0.0.1 UDP port; stopped by pid.
// Base of TSnmpdAgent and TSnmpsimAgent.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <sys/types.h>
#include <vector>

namespace vxtest {

// FreeUdpPort finds a UDP port on 127.0.0.1 that nobody is bound to right now.
int FreeUdpPort();

class TAgentProcess {
public:
    TAgentProcess();
    virtual ~TAgentProcess();
    TAgentProcess(const TAgentProcess&) = delete;
    TAgentProcess& operator=(const TAgentProcess&) = delete;

    // Start runs the agent and waits until it answers an SNMP request.
    // Fails (never skips) with the agent's log when the program is missing or
    // does not come up. Use as ASSERT_TRUE(agent.Start()).
    ::testing::AssertionResult Start();
    // Stop kills the agent and reaps it; also run by the destructor.
    void Stop();
    // Restart stops the agent and starts it again on the same port (its
    // configuration is written anew, so a subclass may change it first).
    ::testing::AssertionResult Restart();

    int Port() const { return port; }
    pid_t Pid() const { return pid; }
    const std::string& Folder() const { return folder; }
    // The agent's log so far (stdout, stderr and its own log file).
    std::string Log() const;

protected:
    // The program and its arguments for `port`; files go into Folder().
    virtual std::vector<std::string> CommandLine(int port) = 0;
    // Extra environment entries ("NAME=value").
    virtual std::vector<std::string> Environment() { return {}; }
    // The community the readiness probe uses: one that only this agent
    // answers (a subclass configures it), so that another test's agent that
    // took the port between the free-port check and this agent's bind cannot
    // pass for this one.
    std::string ProbeCommunity() const;
    // How long the agent may take to answer its first request.
    virtual int StartupMilliseconds() const { return 10000; }
    virtual std::string Name() const = 0;
    void WriteFile(const std::string& name, const std::string& content, unsigned mode = 0644) const;
    std::string LogFile() const { return folder + "/agent.log"; }

private:
    bool Answers(int timeoutMs) const;
    bool Exited();

    std::string folder;
    int port = 0;
    bool keepPort = false;
    pid_t pid = -1;
};

}  // namespace vxtest
