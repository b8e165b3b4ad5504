#include "TAgentProcess.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace vxtest {

namespace {

using namespace std::chrono_literals;

// An SNMPv2c GetRequest for sysUpTime.0 (1.3.6.1.2.1.1.3.0), request id 1.
std::vector<unsigned char> ProbeRequest(const std::string& community)
{
    const unsigned char pdu[] = {0xA0, 0x19,                          // GetRequest, 25 bytes
                                 0x02, 0x01, 0x01,                    // request-id 1
                                 0x02, 0x01, 0x00, 0x02, 0x01, 0x00,  // error-status, error-index
                                 0x30, 0x0E, 0x30, 0x0C,              // binding list, binding
                                 0x06, 0x08, 0x2B, 0x06, 0x01, 0x02, 0x01, 0x01, 0x03, 0x00,  // the OID
                                 0x05, 0x00};                                                 // NULL
    std::vector<unsigned char> d = {
        0x30, 0, 0x02, 0x01, 0x01, 0x04, static_cast<unsigned char>(community.size())};
    d.insert(d.end(), community.begin(), community.end());
    d.insert(d.end(), std::begin(pdu), std::end(pdu));
    d[1] = static_cast<unsigned char>(d.size() - 2);  // communities here stay short
    return d;
}

std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

int FreeUdpPort()
{
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sa;
    int port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0
        && getsockname(s, reinterpret_cast<sockaddr*>(&sa), &len) == 0)
        port = ntohs(sa.sin_port);
    close(s);
    return port;
}

TAgentProcess::TAgentProcess()
{
    char pattern[] = "/tmp/vexgrid-agent-XXXXXX";
    if (mkdtemp(pattern) != nullptr) {
        folder = pattern;
        chmod(pattern, 0755);  // agents that drop privileges still read their files
    }
}

TAgentProcess::~TAgentProcess()
{
    Stop();
    if (!folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
}

void TAgentProcess::WriteFile(const std::string& name, const std::string& content, unsigned mode) const
{
    const std::string path = folder + "/" + name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
    chmod(path.c_str(), mode);
}

std::string TAgentProcess::Log() const { return ReadWhole(folder + "/output.log") + ReadWhole(LogFile()); }

std::string TAgentProcess::ProbeCommunity() const
{
    // The folder's name is unique among the agents of this machine.
    const std::size_t dash = folder.rfind('-');
    return "probe" + (dash == std::string::npos ? std::string("-agent") : folder.substr(dash));
}

::testing::AssertionResult TAgentProcess::Restart()
{
    Stop();
    keepPort = true;
    ::testing::AssertionResult started = Start();
    keepPort = false;
    return started;
}

::testing::AssertionResult TAgentProcess::Start()
{
    if (folder.empty())
        return ::testing::AssertionFailure() << Name() << ": cannot create a temporary folder";
    // A free port may be taken between the check and the agent's bind: try again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!keepPort || port == 0)
            port = FreeUdpPort();
        std::vector<std::string> args = CommandLine(port);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e)
            env.emplace_back(*e);
        for (std::string& e : Environment())
            env.push_back(e);
        std::vector<char*> envp;
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string output = folder + "/output.log";
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            pid = -1;
            return ::testing::AssertionFailure()
                << Name() << ": cannot run " << args[0] << ": " << std::strerror(spawned)
                << " (is the agent package installed? scripts/deps)";
        }
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(StartupMilliseconds());
        while (std::chrono::steady_clock::now() < until) {
            if (Exited())
                break;
            if (Answers(200))
                return ::testing::AssertionSuccess();
        }
        Stop();
    }
    return ::testing::AssertionFailure()
        << Name() << " did not start on 127.0.0.1 (last port " << port << "). Its log:\n"
        << Log();
}

bool TAgentProcess::Exited()
{
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, WNOHANG) == pid) {
        pid = -1;
        return true;
    }
    return pid <= 0;
}

bool TAgentProcess::Answers(int timeoutMs) const
{
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons(static_cast<uint16_t>(port));
    const std::vector<unsigned char> probe = ProbeRequest(ProbeCommunity());
    bool answered = false;
    if (connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0
        && send(s, probe.data(), probe.size(), 0) >= 0) {
        pollfd p{s, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) > 0) {
            unsigned char buffer[2048];
            answered = recv(s, buffer, sizeof buffer, 0) > 0;  // an ICMP refusal fails here
        }
    }
    if (!answered)
        std::this_thread::sleep_for(50ms);  // a refusal comes back at once; do not spin
    close(s);
    return answered;
}

void TAgentProcess::Stop()
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    // waitpid reaps the child; a stopped agent otherwise lingers as a zombie.
    const auto until = std::chrono::steady_clock::now() + 3s;
    int status = 0;
    while (std::chrono::steady_clock::now() < until) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            return;
        }
        std::this_thread::sleep_for(10ms);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    pid = -1;
}

}  // namespace vxtest
