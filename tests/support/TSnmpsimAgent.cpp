#include "TSnmpsimAgent.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace vxtest {

TSnmpsimAgent::TSnmpsimAgent(const std::string& dataFolder)
{
    if (Folder().empty())
        return;  // Start reports it
    WriteFile("data/.keep", "");
    AddDataFile(ProbeCommunity(), "1.3.6.1.2.1.1.3.0|67|1\n");  // what the readiness probe asks
    WriteFile("cache/.keep", "");
    chmod((Folder() + "/data").c_str(), 0755);
    chmod((Folder() + "/cache").c_str(), 0777);  // the agent runs as nobody
    std::error_code ec;
    if (dataFolder.empty() || !std::filesystem::is_directory(dataFolder, ec))
        return;
    for (const auto& entry : std::filesystem::directory_iterator(dataFolder, ec)) {
        if (entry.path().extension() != ".snmprec")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        WriteFile("data/" + entry.path().filename().string(), content.str());
    }
}

TSnmpsimAgent::~TSnmpsimAgent() { Stop(); }

void TSnmpsimAgent::AddDataFile(const std::string& community, const std::string& records)
{
    WriteFile("data/" + community + ".snmprec", records);
}

std::string TSnmpsimAgent::DefaultDataFolder()
{
#ifdef VEXGRID_TEST_DATA_DIR
    return std::string(VEXGRID_TEST_DATA_DIR) + "/snmprec";
#else
    return {};
#endif
}

std::vector<std::string> TSnmpsimAgent::CommandLine(int agentPort)
{
    return {"snmpsimd",
            "--data-dir=" + Folder() + "/data",
            "--cache-dir=" + Folder() + "/cache",
            "--agent-udpv4-endpoint=127.0.0.1:" + std::to_string(agentPort),
            "--process-user=nobody",
            "--process-group=nogroup",
            "--logging-method=null"};
}

}  // namespace vxtest
